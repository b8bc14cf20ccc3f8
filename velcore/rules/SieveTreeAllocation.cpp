// Every record of the tree is made here, so that one gate can refuse allocations and the
// out-of-memory paths of the copy and the reader can be exercised.
#include <cstring>
#include <new>

#include "velcore/rules/ReaderAllocation.h"
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

SieveCommand* NewCommandForReader(CommandKind kind) {
    if (!AllocationAllowed()) {
        return nullptr;
    }
    // The storage is taken as a command as it is (a plain aggregate) and every field is set;
    // only the unused tails of the text buffers keep whatever the memory held. Clearing the
    // 2 KB of each record was the largest single cost of reading a script of many rules, and
    // every buffer is read only up to its terminator.
    auto* command = static_cast<SieveCommand*>(::operator new(sizeof(SieveCommand), std::nothrow));
    if (command == nullptr) {
        return nullptr;
    }
    command->kind = kind;
    command->enabled = 1;
    command->name[0] = '\0';
    command->days[0] = '\0';
    command->argument[0] = '\0';
    command->test = nullptr;
    command->thenBlock = nullptr;
    command->elseBlock = nullptr;
    command->parent = nullptr;
    command->next = nullptr;
    command->editable = 1;
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
