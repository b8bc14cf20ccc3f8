// Ownership of the tree: copies that share nothing, all-or-nothing copies when memory runs out,
// and the state a nested command takes from its rule.
#include <gtest/gtest.h>

#include <cstring>

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
    EXPECT_GT(needed, 20) << "every record and string is allocated on its own";
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

}  // namespace
}  // namespace velor::rules
