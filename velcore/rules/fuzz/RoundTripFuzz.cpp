// Read, write, read again: whatever the reader accepts, the writer must write so that it reads
// back; the tree read back must write to the same bytes again and read to the same tree, and
// no command may be lost on the way.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "velcore/rules/SieveReader.h"
#include "velcore/rules/SieveWriter.h"
#include "velcore/rules/tests/support/TreeCompare.h"

namespace {

using namespace velor::rules;

// Counts the commands that write something, by kind, for the check that none is lost.
void CountCommands(const SieveCommand* list, int counts[10]) {
    for (; list != nullptr; list = list->next) {
        int kind = static_cast<int>(list->kind);
        if (kind >= 0 && kind < 10) {
            ++counts[kind];
        }
        CountCommands(list->thenBlock, counts);
        CountCommands(list->elseBlock, counts);
    }
}

[[noreturn]] void Fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s\n%s\n", what, detail.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view script(reinterpret_cast<const char*>(data), size);
    ParseOutcome first = ReadScript(script);
    if (!first.ok) {
        return 0;
    }
    std::string written = WriteScript(first.commands.get());
    ParseOutcome second = ReadScript(written);
    if (!second.ok) {
        Fail("written script does not read back", second.message + "\n" + written);
    }
    int before[10] = {};
    int after[10] = {};
    CountCommands(first.commands.get(), before);
    CountCommands(second.commands.get(), after);
    for (int kind = 1; kind < 10; ++kind) {
        if (before[kind] != after[kind]) {
            Fail("a command was lost or added", written);
        }
    }
    std::string rewritten = WriteScript(second.commands.get());
    ParseOutcome third = ReadScript(rewritten);
    if (!third.ok) {
        Fail("rewritten script does not read back", third.message);
    }
    std::string difference =
        velor::rules::testing::DescribeDifference(second.commands.get(), third.commands.get());
    if (!difference.empty()) {
        Fail("tree changed on the second trip", difference + "\n" + rewritten);
    }
    if (WriteScript(third.commands.get()) != rewritten) {
        Fail("bytes changed on the second trip", rewritten);
    }
    // Inline mode of each rule reads back as one rule.
    for (const SieveCommand* rule = second.commands.get(); rule != nullptr; rule = rule->next) {
        std::string line = WriteRuleInline(rule);
        ParseOutcome alone = ReadScript(line);
        if (!alone.ok || (rule->kind != CommandKind::None && alone.commands == nullptr)) {
            Fail("inline rule does not read back", line + "\n" + alone.message);
        }
    }
    return 0;
}
