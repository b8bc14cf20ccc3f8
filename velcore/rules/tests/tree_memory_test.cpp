// Ownership of the tree: copies that share nothing, all-or-nothing copies when memory runs out,
// and the state a nested command takes from its rule.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "velcore/rules/ReaderMessages.h"
#include "velcore/rules/SieveWriter.h"
#include "velcore/rules/tests/support/ParseHelpers.h"
#include "velcore/rules/tests/support/TreeCompare.h"

namespace velor::rules {
namespace {

using testing::DescribeDifference;
using testing::MustParse;
using testing::ParentLinksConsistent;
using testing::SharesStorage;

constexpr const char* kRichRule =
    "#!0 Rich\n"
    "# if anyof (address :domain :matches [\"To\", \"Cc\"] [\"a\", \"b\"], not size :under 9K)\n"
    "#  {\n"
    "#   fileinto \"F\";\n"
    "#   if exists \"X\" { notify :options \"n\"; } else { vacation :days \"2\" \"r\"; }\n"
    "# }\n"
    "# elsif header :comparator \"i;octet\" \"Subject\" \"s\" { reject \"no\"; }\n"
    "# else { stop; }\n";

// Refuses every allocation after the first `g_allowed` ones.
int g_allowed = 0;
bool CountingGate() {
    return g_allowed-- > 0;
}

class AllocationLimit {
public:
    explicit AllocationLimit(int allowed) {
        g_allowed = allowed;
        SetAllocationGate(CountingGate);
    }
    ~AllocationLimit() { SetAllocationGate(nullptr); }
};

TEST(TreeCopy, DeepCopySharesNothingAndOutlivesItsSource) {
    CommandListPtr source = MustParse(kRichRule);
    ASSERT_NE(source, nullptr);
    CommandListPtr copy(CopyCommand(source.get(), true));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(DescribeDifference(source.get(), copy.get()), "");
    EXPECT_FALSE(SharesStorage(source.get(), copy.get()));
    EXPECT_TRUE(ParentLinksConsistent(copy.get()));
    std::string before = WriteScript(copy.get());
    source.reset();  // the copy must not depend on anything freed here
    EXPECT_EQ(WriteScript(copy.get()), before);
}

TEST(TreeCopy, CopyOfOneRuleLeavesItsNeighboursBehind) {
    CommandListPtr rules = MustParse("keep; if true { stop; } discard;");
    ASSERT_NE(rules, nullptr);
    CommandListPtr copy(CopyCommand(rules->next, true));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->next, nullptr);
    EXPECT_EQ(copy->thenBlock->parent, copy.get());
    EXPECT_EQ(WriteScript(copy.get()), "if true \n {\n  stop;\n}\n");
}

TEST(TreeCopy, RecordOnlyCopyOwnsNothing) {
    CommandListPtr source = MustParse(kRichRule);
    ASSERT_NE(source, nullptr);
    CommandListPtr copy(CopyCommand(source.get(), false));
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy->name, "Rich");
    EXPECT_EQ(copy->enabled, 0);
    EXPECT_EQ(copy->test, nullptr);
    EXPECT_EQ(copy->thenBlock, nullptr);
    EXPECT_EQ(copy->elseBlock, nullptr);
    EXPECT_EQ(copy->next, nullptr);
}

int CountStrings(const SieveStringList* list) {
    int count = 0;
    for (; list != nullptr; list = list->next) {
        ++count;
    }
    return count;
}

int CountTests(const SieveTest* list) {
    int count = 0;
    for (; list != nullptr; list = list->next) {
        count += 1 + CountStrings(list->headers) + CountStrings(list->keys) + CountTests(list->children);
    }
    return count;
}

int CountRecords(const SieveCommand* list) {
    int count = 0;
    for (; list != nullptr; list = list->next) {
        count += 1 + CountTests(list->test) + CountRecords(list->thenBlock) + CountRecords(list->elseBlock);
    }
    return count;
}

TEST(TreeCopy, RunningOutOfMemoryAnywhereYieldsNothing) {
    CommandListPtr source = MustParse(kRichRule);
    ASSERT_NE(source, nullptr);
    std::string original = WriteScript(source.get());
    int needed = 0;
    for (;; ++needed) {
        AllocationLimit limit(needed);
        CommandListPtr copy(CopyCommand(source.get(), true));
        if (copy != nullptr) {
            break;
        }
    }
    // One allocation per record (a string item carries its text), so every record's failure
    // was tried above.
    EXPECT_EQ(needed, CountRecords(source.get()));
    // Each shorter budget failed above and left nothing behind (the leak checker watches);
    // the source is untouched.
    EXPECT_EQ(WriteScript(source.get()), original);
}

TEST(TreeCopy, TestCopyTakesListsAndChildren) {
    CommandListPtr rules = MustParse(kRichRule);
    ASSERT_NE(rules, nullptr);
    TestListPtr copy(CopyTest(rules->test));
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy->children, nullptr);
    EXPECT_NE(copy->children, rules->test->children);
    EXPECT_STREQ(copy->children->headers->next->text, "Cc");
    EXPECT_EQ(copy->children->next->sizeLimit, 9 * 1024);
}

TEST(TreeState, NestedCommandsFollowTheirRule) {
    CommandListPtr rules = MustParse(kRichRule);
    ASSERT_NE(rules, nullptr);
    const SieveCommand* nestedIf = rules->thenBlock->next;
    ASSERT_EQ(nestedIf->kind, CommandKind::If);
    rules->enabled = 1;
    EXPECT_TRUE(IsTopLevelAncestorEnabled(nestedIf->elseBlock));
    rules->enabled = 0;
    EXPECT_FALSE(IsTopLevelAncestorEnabled(nestedIf->thenBlock));
    EXPECT_FALSE(IsTopLevelAncestorEnabled(nullptr));
}

TEST(TreeText, FixedBuffersCutLongTexts) {
    SieveCommand command;
    SetText(command.name, std::string(300, 'n'));
    EXPECT_EQ(std::strlen(command.name), kRuleNameSize - 1);
    SetText(command.argument, "short");
    EXPECT_STREQ(command.argument, "short");
}

TEST(ReaderMemory, RunningOutOfMemoryIsAnErrorNotAShorterScript) {
    const std::string script = std::string(kRichRule) + "keep;\ndiscard;\n";
    for (int allowed = 0;; ++allowed) {
        AllocationLimit limit(allowed);
        ParseOutcome outcome = ReadScript(script);
        if (outcome.ok) {
            EXPECT_EQ(WriteScript(outcome.commands.get()).find("discard;"),
                      WriteScript(outcome.commands.get()).size() - 9);
            break;
        }
        EXPECT_EQ(outcome.message, msg::kOutOfMemory) << allowed;
        EXPECT_EQ(outcome.commands, nullptr);
    }
}

// The records of a read share arena blocks but are freed one by one: a rule taken out of a read
// script outlives the rest of it, and reading again reuses the freed memory without touching
// the rule (the address sanitizer of the native build reports any use after free).
TEST(TreeMemory, ReadRecordsOutliveTheirNeighbours) {
    std::string script;
    for (int i = 0; i < 400; ++i) {
        script += "#!1 Rule " + std::to_string(i) + "\nif header :contains \"Subject\" \"s" + std::to_string(i) +
                  "\" { fileinto \"Folder" + std::to_string(i) + "\"; }\n";
    }
    CommandListPtr rules = MustParse(script);
    ASSERT_NE(rules, nullptr);
    // Take the 200th rule out and free everything else.
    SieveCommand* before = rules.get();
    for (int i = 0; i < 198; ++i) {
        before = before->next;
    }
    SieveCommand* kept = before->next;
    before->next = kept->next;
    kept->next = nullptr;
    CommandListPtr alone(kept);
    rules.reset();
    for (int round = 0; round < 3; ++round) {
        CommandListPtr again = MustParse(script);
        ASSERT_NE(again, nullptr);
    }
    EXPECT_STREQ(alone->name, "Rule 199");
    EXPECT_STREQ(alone->thenBlock->argument, "Folder199");
    EXPECT_STREQ(alone->test->keys->text, "s199");
    // A copy made outside any read mixes with the read's records under one owner.
    alone->thenBlock->next = CopyCommand(alone->thenBlock, true);
    alone->thenBlock->next->parent = alone.get();
    const std::string written = WriteRuleInline(alone.get());
    const std::size_t first = written.find("Folder199");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(written.find("Folder199", first + 1), std::string::npos) << written;
}

#if defined(__SANITIZE_ADDRESS__)
// Records carved from one block are still fenced from each other for the sanitizer: a byte
// written past a string's terminator is reported, not silently stored in the next record.
TEST(TreeMemoryDeathTest, OverrunInsideABlockIsReported) {
    CommandListPtr rules = MustParse("if header \"Subject\" [\"ab\", \"cd\"] { stop; }");
    ASSERT_NE(rules, nullptr);
    char* text = rules->test->keys->text;
    EXPECT_DEATH({ text[8 + 3] = 'x'; }, "use-after-poison");
}
#endif

}  // namespace
}  // namespace velor::rules

