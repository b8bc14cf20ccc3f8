// Which rules the visual editor can show, decided from the conditions of their tests.
#include <gtest/gtest.h>

#include "velcore/rules/ConditionMatching.h"
#include "velcore/rules/tests/support/ParseHelpers.h"

namespace velor::rules {
namespace {

using testing::MustParse;

class ConditionMatching : public ::testing::Test {
protected:
    void SetUp() override {
        catalogue_ = RuleCatalogue::Build(texts_);
        ASSERT_NE(catalogue_, nullptr);
    }
    // The 1-based catalogue number of the test's condition kind; 0 for none.
    int KindNumber(const SieveTest* test) {
        const ConditionKind* kind = FindConditionKind(*catalogue_, test);
        return kind == nullptr ? 0 : static_cast<int>(kind - catalogue_->Conditions().data()) + 1;
    }
    bool Editable(std::string_view script) {
        CommandListPtr rules = MustParse(script);
        return rules != nullptr && CheckVisuallyEditable(*catalogue_, rules.get()) == kRuleOk;
    }

    DefaultRuleTexts texts_;
    std::unique_ptr<RuleCatalogue> catalogue_;
};

TEST_F(ConditionMatching, AddressHeadersCompareAsSetsWithoutCase) {
    CommandListPtr rules = MustParse(
        "if anyof (address :is [\"to\",\"cc\"] \"x\", header :contains \"subject\" \"y\") {keep;}"
        "if address [\"To\", \"cc\"] \"x\" {keep;}"
        "if address :domain :matches \"FROM\" \"x\" {keep;}"
        "if address [\"To\", \"Cc\", \"From\"] \"x\" {keep;}"
        "if address \"Reply-To\" \"x\" {keep;}"
        "if address [\"\", \"Sender\"] \"x\" {keep;}");
    ASSERT_NE(rules, nullptr);
    const SieveCommand* rule = rules.get();
    EXPECT_EQ(CheckVisuallyEditable(*catalogue_, rule), kRuleOk);
    EXPECT_EQ(KindNumber(rule->test->children), 1);
    EXPECT_EQ(KindNumber(rule->test->children->next), 6);
    rule = rule->next;
    EXPECT_EQ(KindNumber(rule->test), 1) << "sorted without regard to case";
    rule = rule->next;
    EXPECT_EQ(KindNumber(rule->test), 2) << "part and match type play no part";
    rule = rule->next;
    EXPECT_EQ(KindNumber(rule->test), 0);
    EXPECT_EQ(CheckVisuallyEditable(*catalogue_, rule), kRuleFail);
    rule = rule->next;
    EXPECT_EQ(KindNumber(rule->test), 0) << "Reply-To is no catalogue kind";
    EXPECT_EQ(CheckVisuallyEditable(*catalogue_, rule), kRuleFail);
    rule = rule->next;
    EXPECT_EQ(KindNumber(rule->test), 5) << "empty header names are not counted";
}

TEST_F(ConditionMatching, HeaderKindsCompareNameAndRequiredValue) {
    CommandListPtr rules = MustParse(
        "if header :contains \"Content-Type\" \"multipart/mixed\" {keep;}"
        "if header :is \"content-type\" \"MULTIPART/MIXED\" {keep;}"
        "if header :contains \"Content-Type\" \"multipart/alternative\" {keep;}"
        "if header \"Subject\" [\"a\", \"b\"] {keep;}"
        "if header [\"X-Spam\", \"Subject\"] \"a\" {keep;}");
    ASSERT_NE(rules, nullptr);
    const SieveCommand* rule = rules.get();
    EXPECT_EQ(KindNumber(rule->test), 7);
    EXPECT_EQ(KindNumber(rule->next->test), 7);
    EXPECT_EQ(KindNumber(rule->next->next->test), 0);
    EXPECT_EQ(CheckVisuallyEditable(*catalogue_, rule->next->next), kRuleFail);
    EXPECT_EQ(KindNumber(rule->next->next->next->test), 6);
    EXPECT_EQ(KindNumber(rule->next->next->next->next->test), 0) << "only the first name counts";
}

TEST_F(ConditionMatching, SizeSpamAndTrueMatchWhateverTheirDetails) {
    CommandListPtr rules = MustParse(
        "if not size :under 5 {keep;} if spamtest {keep;} if true {keep;} if false {keep;}");
    ASSERT_NE(rules, nullptr);
    EXPECT_EQ(KindNumber(rules->test), 8);
    EXPECT_EQ(KindNumber(rules->next->test), 9);
    EXPECT_EQ(KindNumber(rules->next->next->test), 10);
    EXPECT_EQ(KindNumber(rules->next->next->next->test), 0);
}

TEST_F(ConditionMatching, EditabilityOfWholeRules) {
    EXPECT_TRUE(Editable("if allof (true, size :over 1K) {discard;}"));
    EXPECT_TRUE(Editable("if header \"Subject\" \"x\" {notify; vacation \"x\"; keep;}"))
        << "actions are not examined";
    EXPECT_FALSE(Editable("if exists \"X\" {keep;}"));
    EXPECT_FALSE(Editable("if false {keep;}"));
    EXPECT_FALSE(Editable("if anyof (true, allof (true, true)) {keep;}"));
    EXPECT_FALSE(Editable("if anyof (true, exists \"X\") {keep;}"));
    // No test to show: a bare command, or an if whose test is void.
    EXPECT_FALSE(Editable("keep;"));
    EXPECT_FALSE(Editable("if void {keep;}"));
    EXPECT_EQ(CheckVisuallyEditable(*catalogue_, nullptr), kRuleFail);
}

TEST_F(ConditionMatching, DescribeConditionGivesTextAndParameter) {
    CommandListPtr rules = MustParse("if address \"from\" \"a\" {keep;} if exists \"x\" {keep;}");
    ASSERT_NE(rules, nullptr);
    std::string description;
    std::string parameter;
    ASSERT_TRUE(DescribeCondition(*catalogue_, rules->test, description, &parameter));
    EXPECT_EQ(description, "Where the From line [contains] [address]");
    EXPECT_EQ(parameter, "From");
    EXPECT_FALSE(DescribeCondition(*catalogue_, rules->next->test, description));
    EXPECT_FALSE(DescribeCondition(*catalogue_, nullptr, description));
}

}  // namespace
}  // namespace velor::rules
