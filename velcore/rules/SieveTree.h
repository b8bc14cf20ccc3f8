// The parsed script: a tree of commands, tests and string lists. A top-level command is a rule.
// Records are plain data with fixed text buffers, each owned by its parent and made and freed
// only by the functions below (a read carves them from an arena, but each is still freed on
// its own); copying a record byte for byte is how the deep copy starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "velcore/rules/RuleLimits.h"

namespace velor::rules {

enum class CommandKind : std::int32_t {
    None = 0,  // an empty block: "{" directly followed by "}"; writes nothing
    Keep = 1,
    Reject = 2,
    Discard = 3,
    Fileinto = 4,
    Stop = 5,
    Redirect = 6,
    Notify = 7,
    Vacation = 8,
    If = 9,
};

enum class TestKind : std::int32_t {
    Allof = 1,
    Anyof = 2,
    Exists = 3,
    False = 4,
    True = 5,
    Address = 6,
    Header = 7,
    Size = 8,
    Spamtest = 9,
};

enum class AddressPart : std::int32_t { All = 0, Localpart = 1, Domain = 2 };
enum class MatchType : std::int32_t { Is = 0, Contains = 1, Matches = 2 };

struct SieveStringList {
    char* text = nullptr;  // NUL-terminated, any length; part of the item's record, never replaced
    SieveStringList* next = nullptr;
};

struct SieveTest {
    TestKind kind = TestKind::True;
    std::uint8_t negated = 0;
    SieveStringList* headers = nullptr;  // address, header, exists
    SieveStringList* keys = nullptr;     // address, header
    std::int32_t octetComparator = 0;    // the script named "i;octet"
    AddressPart addressPart = AddressPart::All;
    MatchType matchType = MatchType::Is;
    std::int32_t sizeUnder = 0;          // 1 :under, 0 :over
    std::int32_t sizeLimit = 0;          // bytes; the bits of an unsigned 32-bit value
    SieveTest* children = nullptr;       // allof, anyof
    SieveTest* next = nullptr;
};

struct SieveCommand {
    CommandKind kind = CommandKind::None;
    std::uint8_t enabled = 1;             // meaningful on a rule; nested commands follow it
    char name[kRuleNameSize] = {};        // rule name; notify :options; vacation :subject
    char days[kDaysSize] = {};            // vacation :days
    char argument[kArgumentSize] = {};    // reason, folder, address, message, reply text
    SieveTest* test = nullptr;            // if: the condition; null for void
    SieveCommand* thenBlock = nullptr;    // if
    SieveCommand* elseBlock = nullptr;    // if; an elsif is an else block of exactly one if
    SieveCommand* parent = nullptr;       // the enclosing if; null at top level
    SieveCommand* next = nullptr;
    std::uint8_t editable = 1;            // passes the visual-editability test
};

// Allocation. Each returns null when memory runs out; nothing is thrown.
SieveCommand* NewCommand(CommandKind kind);
SieveTest* NewTest(TestKind kind);
SieveStringList* NewStringItem(std::string_view text);

// Out-of-memory paths are part of the contract (a failed copy leaves nothing behind), so tests
// need to make an allocation fail on purpose. A gate that returns false refuses the allocation;
// null restores normal allocation. The library itself never installs one.
using AllocationGate = bool (*)();
void SetAllocationGate(AllocationGate gate);

// Freeing walks `next` and recurses into everything the record owns.
void FreeCommandList(SieveCommand* list);
void FreeTestList(SieveTest* list);
void FreeStringList(SieveStringList* list);

// Copies one command: the record, and when `deep` is set its test, then-block and else-block.
// The copy stands alone (its `next` is null) and its blocks' members point to it as parent. A
// record-only copy owns nothing. Null when memory runs out, with everything copied so far freed.
SieveCommand* CopyCommand(const SieveCommand* source, bool deep);
// Copies one test with its header list, key list and children; `next` is not followed.
SieveTest* CopyTest(const SieveTest* source);
SieveStringList* CopyStringList(const SieveStringList* source);

// The on/off state of the rule that holds the command: the `enabled` of its top-level ancestor.
bool IsTopLevelAncestorEnabled(const SieveCommand* command);

// Copies text into a fixed buffer, cutting it to the buffer's size less the terminator.
void SetText(char* buffer, std::size_t size, std::string_view text);
template <std::size_t N>
void SetText(char (&buffer)[N], std::string_view text) {
    SetText(buffer, N, text);
}

struct CommandListDeleter {
    void operator()(SieveCommand* list) const { FreeCommandList(list); }
};
struct TestListDeleter {
    void operator()(SieveTest* list) const { FreeTestList(list); }
};
using CommandListPtr = std::unique_ptr<SieveCommand, CommandListDeleter>;
using TestListPtr = std::unique_ptr<SieveTest, TestListDeleter>;

}  // namespace velor::rules
