// Any text given to the reader: no crash, no leak, no undefined behaviour; a failure always
// comes with a message and no tree, a success with a tree whose links are consistent.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "velcore/rules/SieveReader.h"
#include "velcore/rules/tests/support/TreeCompare.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velor::rules;
    std::string_view script(reinterpret_cast<const char*>(data), size);
    ParseOutcome outcome = ReadScript(script);
    if (outcome.ok) {
        if (!testing::ParentLinksConsistent(outcome.commands.get())) {
            std::abort();
        }
    } else if (outcome.commands != nullptr || outcome.message.empty() || outcome.line < 1) {
        std::abort();
    }
    return 0;
}
