// Rule headers, comments and the commented-out lines of switched-off rules.
#include <gtest/gtest.h>

#include "velcore/rules/tests/support/ParseHelpers.h"
#include "velcore/rules/tests/support/TreeCompare.h"

namespace velor::rules {
namespace {

using testing::DescribeDifference;
using testing::MustParse;

TEST(ReaderComments, HeaderNamesAndSwitchesARule) {
    CommandListPtr off = MustParse(
        "#!0 Holiday\n"
        "# if true \n"
        "#  {\n"
        "#   vacation \"Away\";\n"
        "# }\n");
    CommandListPtr on = MustParse(
        "#!1 Holiday\n"
        "if true \n"
        " {\n"
        "  vacation \"Away\";\n"
        "}\n");
    ASSERT_NE(off, nullptr);
    ASSERT_NE(on, nullptr);
    EXPECT_STREQ(off->name, "Holiday");
    EXPECT_EQ(off->enabled, 0);
    EXPECT_EQ(off->thenBlock->enabled, 0);
    EXPECT_STREQ(on->name, "Holiday");
    EXPECT_EQ(on->enabled, 1);
    off->enabled = 1;
    off->thenBlock->enabled = 1;
    EXPECT_EQ(DescribeDifference(on.get(), off.get()), "") << "the same rule, switched on";
}

TEST(ReaderComments, HeaderDetails) {
    CommandListPtr rules = MustParse(
        "#!1 Spaces kept  \r\r\nkeep;\n"
        "#!1\nkeep;\n"
        "#!1Glued\nkeep;\n"
        "#!x Odd flag\n# keep;\n"
        "#!1 " + std::string(300, 'n') + " keep;\ndiscard;\n");
    ASSERT_NE(rules, nullptr);
    const SieveCommand* rule = rules.get();
    EXPECT_STREQ(rule->name, "Spaces kept  ") << "trailing carriage returns are dropped";
    rule = rule->next;
    EXPECT_STREQ(rule->name, "");
    rule = rule->next;
    EXPECT_STREQ(rule->name, "") << "a name needs the space after the flag";
    rule = rule->next;
    EXPECT_STREQ(rule->name, "Odd flag");
    EXPECT_EQ(rule->enabled, 0) << "any flag but 1 is off";
    rule = rule->next;
    EXPECT_EQ(std::string(rule->name), std::string(kRuleNameSize - 1, 'n'));
    EXPECT_EQ(rule->kind, CommandKind::Discard)
        << "the rest of a long header line is comment, not script";
    EXPECT_EQ(rule->next, nullptr);
}

TEST(ReaderComments, FirstLineCommentIsReadAsScript) {
    // Nothing has switched a rule on yet, so a plain "#" line counts as a commented-out line.
    ParseOutcome outcome = ReadScript("# my rules\nkeep;\n");
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "invalid command: my");
    EXPECT_EQ(outcome.line, 1);
    CommandListPtr rules = MustParse("# keep;\n");
    ASSERT_NE(rules, nullptr);
    EXPECT_EQ(rules->enabled, 0);
}

TEST(ReaderComments, CommentAfterSwitchedOffRuleIsScript) {
    ParseOutcome outcome = ReadScript("#!0 Off\n# keep;\n# just words\n");
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "invalid command: just");
    // After a live command, a "#" line is an ordinary comment.
    CommandListPtr rules = MustParse("#!0 Off\n# keep;\n#!1 On\nstop;\n# just words\n");
    ASSERT_NE(rules, nullptr);
    EXPECT_EQ(rules->next->kind, CommandKind::Stop);
    EXPECT_EQ(rules->next->next, nullptr);
}

TEST(ReaderComments, HashInsideACommentedOutLineIsAComment) {
    CommandListPtr rules = MustParse("#!0 \n# keep; # discard;\n# stop;\n");
    ASSERT_NE(rules, nullptr);
    EXPECT_EQ(rules->kind, CommandKind::Keep);
    EXPECT_EQ(rules->next->kind, CommandKind::Stop);
    EXPECT_EQ(rules->next->enabled, 0);
}

TEST(ReaderComments, BlockComments) {
    CommandListPtr rules = MustParse(
        "keep; /* discard;\n stop; # */ redirect \"a\";\n"
        "#!0 \n# /* x */ fileinto \"b\";\n");
    ASSERT_NE(rules, nullptr);
    EXPECT_EQ(rules->kind, CommandKind::Keep);
    EXPECT_EQ(rules->next->kind, CommandKind::Redirect);
    const SieveCommand* last = rules->next->next;
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->kind, CommandKind::Fileinto);
    EXPECT_EQ(last->enabled, 1) << "a block comment ends in the normal state";
    // A download cut off inside a comment must not read as the shorter script before it.
    ParseOutcome outcome = ReadScript("keep;\n/* a\nb\nc\n");
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "unterminated comment");
    EXPECT_EQ(outcome.line, 2) << "reported where the comment opens";
}

TEST(ReaderComments, HeaderNamesTheNextCommandOnly) {
    CommandListPtr rules = MustParse("#!1 First\nif true { keep; }\nstop;\n");
    ASSERT_NE(rules, nullptr);
    EXPECT_STREQ(rules->name, "First");
    EXPECT_STREQ(rules->thenBlock->name, "");
    EXPECT_STREQ(rules->next->name, "");
}

TEST(ReaderComments, NotifyAndVacationKeepTheirOwnNameField) {
    // Their name field is :options and :subject; a rule name there would be written back as
    // a notification address or a subject.
    CommandListPtr rules = MustParse(
        "#!1 Alert\nnotify;\n#!1 Reply\nvacation :subject \"S\" \"t\";\n#!0 Off\n# notify;\n");
    ASSERT_NE(rules, nullptr);
    EXPECT_STREQ(rules->name, "");
    EXPECT_STREQ(rules->next->name, "S");
    EXPECT_STREQ(rules->next->next->name, "");
    EXPECT_EQ(rules->next->next->enabled, 0);
}

TEST(ReaderComments, ElsifWithItsOwnHeader) {
    CommandListPtr rules = MustParse(
        "if true \n {\n  keep;\n}\n"
        "#!0 Second\n# elsif false \n#  {\n#   stop;\n# }\n"
        "discard;\n");
    ASSERT_NE(rules, nullptr);
    const SieveCommand* elsif = rules->elseBlock;
    ASSERT_NE(elsif, nullptr);
    EXPECT_STREQ(elsif->name, "Second");
    // The branch takes its rule's state: the window switches a rule as a whole.
    EXPECT_EQ(elsif->enabled, 1);
    EXPECT_EQ(elsif->thenBlock->kind, CommandKind::Stop);
    EXPECT_EQ(rules->next->kind, CommandKind::Discard);
    EXPECT_EQ(rules->next->enabled, 1);
}

}  // namespace
}  // namespace velor::rules
