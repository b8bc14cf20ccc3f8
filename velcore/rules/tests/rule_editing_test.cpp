// The rule editor's lists as edits of the rule tree: every condition and action kind, the
// nesting of several conditions, and the boxes read back from the tree.
#include <gtest/gtest.h>

#include "velcore/rules/RuleEditing.h"
#include "velcore/rules/SieveWriter.h"
#include "velcore/rules/tests/support/ParseHelpers.h"

namespace velor::rules {
namespace {

using testing::MustParse;

enum Row : std::size_t { kRecipient, kFrom, kTo, kCc, kSender, kSubject, kAttachment, kSize, kSpam, kAll };
enum ActionRow : std::size_t { kFileinto, kRedirect, kReject, kKeep, kDiscard, kNotify, kVacation, kStop };

class Editing : public ::testing::Test {
protected:
    Editing() : catalogue_(RuleCatalogue::Build(texts_)) {}

    std::string TestText(const SieveCommand* rule) {
        std::string out;
        WriteTest(out, rule->test);
        return out;
    }
    std::string Inline(const SieveCommand* rule) { return WriteRuleInline(rule); }

    DefaultRuleTexts texts_;
    std::unique_ptr<RuleCatalogue> catalogue_;
};

TEST_F(Editing, EachConditionKindMakesItsTest) {
    const char* expected[] = {
        "address :all :contains [\"To\", \"Cc\"] \"\" ",
        "address :all :contains \"From\" \"\" ",
        "address :all :contains \"To\" \"\" ",
        "address :all :contains \"Cc\" \"\" ",
        "address :all :contains \"Sender\" \"\" ",
        "header :contains \"Subject\" \"\" ",
        "header :contains \"Content-Type\" \"multipart/mixed\" ",
        "size :over 0",
        "spamtest ",
        "true ",
    };
    for (std::size_t row = 0; row < kConditionKindCount; ++row) {
        CommandListPtr rule(NewCommand(CommandKind::If));
        RuleEditing editing(*catalogue_, rule.get());
        ASSERT_TRUE(editing.SetCondition(row, true));
        EXPECT_EQ(TestText(rule.get()), expected[row]) << "row " << row;
        EXPECT_EQ(editing.ConditionBox(row), RowBox::Ticked);
        EXPECT_EQ(editing.ConditionRowOf(rule->test), row);
    }
}

TEST_F(Editing, EachActionKindInCatalogueOrder) {
    CommandListPtr rule(NewCommand(CommandKind::If));
    RuleEditing editing(*catalogue_, rule.get());
    for (std::size_t row : {kStop, kVacation, kNotify, kReject, kRedirect, kFileinto, kKeep}) {
        ASSERT_TRUE(editing.SetAction(row, true));
    }
    EXPECT_EQ(Inline(rule.get()),
              "if void  {  fileinto \"\";  redirect \"\";  reject \"\";  keep;  notify;  vacation \"\";  stop;}");
    EXPECT_EQ(editing.ActionBox(kDiscard), RowBox::Greyed);
    EXPECT_FALSE(editing.SetAction(kDiscard, true));
    for (const SieveCommand* c = rule->thenBlock; c != nullptr; c = c->next) EXPECT_EQ(c->parent, rule.get());
    ASSERT_TRUE(editing.SetAction(kKeep, false));
    EXPECT_EQ(editing.ActionBox(kDiscard), RowBox::Clear);
    ASSERT_TRUE(editing.SetAction(kRedirect, false));
    EXPECT_EQ(Inline(rule.get()), "if void  {  fileinto \"\";  reject \"\";  notify;  vacation \"\";  stop;}");
}

TEST_F(Editing, StopThenFileintoStandsInOrder) {
    CommandListPtr rule = MustParse("if true {}");
    RuleEditing editing(*catalogue_, rule.get());
    ASSERT_TRUE(editing.SetAction(kStop, true));
    ASSERT_TRUE(editing.SetAction(kFileinto, true));
    EXPECT_EQ(Inline(rule.get()), "if true  {  fileinto \"\";  stop;}");
}

TEST_F(Editing, TwoConditionsNestAsAllofInRowOrder) {
    CommandListPtr rule(NewCommand(CommandKind::If));
    RuleEditing editing(*catalogue_, rule.get());
    ASSERT_TRUE(editing.SetCondition(kSubject, true));
    ASSERT_TRUE(editing.SetCondition(kFrom, true));
    EXPECT_EQ(TestText(rule.get()),
              "allof (address :all :contains \"From\" \"\" , header :contains \"Subject\" \"\" ) ");
    ASSERT_TRUE(editing.SetCondition(kSize, true));
    ASSERT_TRUE(editing.SetCondition(kTo, true));
    EXPECT_EQ(TestText(rule.get()),
              "allof (address :all :contains \"From\" \"\" , address :all :contains \"To\" \"\" , "
              "header :contains \"Subject\" \"\" , size :over 0) ");
    ASSERT_TRUE(editing.SetCondition(kFrom, false));
    ASSERT_TRUE(editing.SetCondition(kSize, false));
    ASSERT_TRUE(editing.SetCondition(kTo, false));
    EXPECT_EQ(TestText(rule.get()), "header :contains \"Subject\" \"\" ");
    ASSERT_TRUE(editing.SetCondition(kSubject, false));
    EXPECT_EQ(rule->test, nullptr);
    EXPECT_FALSE(editing.AnyCondition());
}

TEST_F(Editing, AllMessagesGreysTheOthers) {
    CommandListPtr rule = MustParse("if allof (address :is \"From\" \"a\", spamtest) { keep; }");
    RuleEditing editing(*catalogue_, rule.get());
    ASSERT_TRUE(editing.SetCondition(kAll, true));
    EXPECT_EQ(TestText(rule.get()), "true ");
    for (std::size_t row = 0; row < kAll; ++row) EXPECT_EQ(editing.ConditionBox(row), RowBox::Greyed);
    EXPECT_FALSE(editing.SetCondition(kFrom, true));
    ASSERT_TRUE(editing.SetCondition(kAll, false));
    EXPECT_EQ(rule->test, nullptr);
    for (std::size_t row = 0; row < kConditionKindCount; ++row) EXPECT_EQ(editing.ConditionBox(row), RowBox::Clear);
}

// Nesting follows the tests the rule holds: a hand-written anyof of two From tests shows one
// ticked row, yet a third condition joins the anyof instead of wrapping it in a new allof.
TEST_F(Editing, HandWrittenAnyofOfOneKindNestsByItsTests) {
    CommandListPtr rule = MustParse("if anyof (address :is \"From\" \"a\", address :is \"From\" \"b\") { keep; }");
    RuleEditing editing(*catalogue_, rule.get());
    ASSERT_TRUE(editing.SetCondition(kSubject, true));
    EXPECT_EQ(TestText(rule.get()),
              "anyof (address :all :is \"From\" \"a\" , address :all :is \"From\" \"b\" , "
              "header :contains \"Subject\" \"\" ) ");
    // Clearing Subject leaves both From tests, still combined.
    ASSERT_TRUE(editing.SetCondition(kSubject, false));
    EXPECT_EQ(TestText(rule.get()),
              "anyof (address :all :is \"From\" \"a\" , address :all :is \"From\" \"b\" ) ");
    // Clearing From takes its first test only; the other stays as the rule's test.
    ASSERT_TRUE(editing.SetCondition(kFrom, false));
    EXPECT_EQ(TestText(rule.get()), "address :all :is \"From\" \"b\" ");
    EXPECT_EQ(editing.ConditionBox(kFrom), RowBox::Ticked);
}

TEST_F(Editing, OpeningTicksTheRulesRows) {
    CommandListPtr rule = MustParse("if header :contains \"subject\" \"x\" { fileinto \"A\"; stop; }");
    RuleEditing editing(*catalogue_, rule.get());
    for (std::size_t row = 0; row < kConditionKindCount; ++row)
        EXPECT_EQ(editing.ConditionBox(row), row == kSubject ? RowBox::Ticked : RowBox::Clear);
    for (std::size_t row = 0; row < kActionKindCount; ++row)
        EXPECT_EQ(editing.ActionBox(row), row == kFileinto || row == kStop ? RowBox::Ticked : RowBox::Clear);
    EXPECT_TRUE(editing.AnyAction());
}

}  // namespace
}  // namespace velor::rules
