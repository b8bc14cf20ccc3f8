// Every record of the tree is made here, so that one gate can refuse allocations and the
// out-of-memory paths of the copy and the reader can be exercised.
#include <cstring>
#include <new>

#include "velcore/rules/SieveTree.h"

namespace velor::rules {
namespace {

AllocationGate g_gate = nullptr;

bool AllocationAllowed() {
    return g_gate == nullptr || g_gate();
}

}  // namespace

void SetAllocationGate(AllocationGate gate) {
    g_gate = gate;
}

SieveCommand* NewCommand(CommandKind kind) {
    if (!AllocationAllowed()) {
        return nullptr;
    }
    SieveCommand* command = new (std::nothrow) SieveCommand;
    if (command != nullptr) {
        command->kind = kind;
    }
    return command;
}

SieveTest* NewTest(TestKind kind) {
    if (!AllocationAllowed()) {
        return nullptr;
    }
    SieveTest* test = new (std::nothrow) SieveTest;
    if (test != nullptr) {
        test->kind = kind;
    }
    return test;
}

SieveStringList* NewStringItem(std::string_view text) {
    if (!AllocationAllowed()) {
        return nullptr;
    }
    char* copy = new (std::nothrow) char[text.size() + 1];
    if (copy == nullptr) {
        return nullptr;
    }
    if (!AllocationAllowed()) {
        delete[] copy;
        return nullptr;
    }
    SieveStringList* item = new (std::nothrow) SieveStringList;
    if (item == nullptr) {
        delete[] copy;
        return nullptr;
    }
    if (!text.empty()) {
        std::memcpy(copy, text.data(), text.size());
    }
    copy[text.size()] = '\0';
    item->text = copy;
    return item;
}

void SetText(char* buffer, std::size_t size, std::string_view text) {
    if (size == 0) {
        return;
    }
    std::size_t length = text.size() < size - 1 ? text.size() : size - 1;
    if (length != 0) {
        std::memmove(buffer, text.data(), length);
    }
    buffer[length] = '\0';
}

}  // namespace velor::rules
