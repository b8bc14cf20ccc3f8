// The catalogues as the editor lists them: order, kinds, parameters and texts.
#include <gtest/gtest.h>

#include <map>

#include "velcore/rules/RuleCatalogue.h"
#include "velcore/rules/RuleStringIds.h"

namespace velor::rules {
namespace {

class MissingText : public RuleTextSource {
public:
    explicit MissingText(unsigned missing) : missing_(missing) {}
    std::string Text(unsigned id) override { return id == missing_ ? "" : defaults_.Text(id); }

private:
    unsigned missing_;
    DefaultRuleTexts defaults_;
};

class Translated : public RuleTextSource {
public:
    std::string Text(unsigned id) override { return "T" + std::to_string(id) + " [x]"; }
};

TEST(Catalogue, ConditionKindsInEditorOrder) {
    DefaultRuleTexts texts;
    auto catalogue = RuleCatalogue::Build(texts);
    ASSERT_NE(catalogue, nullptr);
    const auto& kinds = catalogue->Conditions();
    struct Expected {
        TestKind kind;
        const char* parameter;
        const char* text;
    };
    const Expected expected[] = {
        {TestKind::Address, "To|Cc", "Where the recipient (To or Cc) line [contains] [address]"},
        {TestKind::Address, "From", "Where the From line [contains] [address]"},
        {TestKind::Address, "To", "Where the To line [contains] [address]"},
        {TestKind::Address, "Cc", "Where the Cc line [contains] [address]"},
        {TestKind::Address, "Sender", "Where the Sender line [contains] [address]"},
        {TestKind::Header, "Subject", "Where the Subject line [contains] [words]"},
        {TestKind::Header, "Content-Type=multipart/mixed", "Where the message has an attachment"},
        {TestKind::Size, "", "Where the message size is [more/less] than [size]"},
        {TestKind::Spamtest, "", "Where message has been detected as spam"},
        {TestKind::True, "", "For all messages"},
    };
    for (std::size_t i = 0; i < kConditionKindCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(kinds[i].testKind, expected[i].kind);
        EXPECT_STREQ(kinds[i].parameter, expected[i].parameter);
        EXPECT_EQ(kinds[i].text, expected[i].text);
    }
    EXPECT_EQ(kinds[0].listText, "Where the recipient (To or Cc) line contains address");
}

TEST(Catalogue, ActionKindsWithListAndDescriptionTexts) {
    DefaultRuleTexts texts;
    auto catalogue = RuleCatalogue::Build(texts);
    ASSERT_NE(catalogue, nullptr);
    struct Expected {
        CommandKind kind;
        const char* list;
        const char* description;
    };
    const Expected expected[] = {
        {CommandKind::Fileinto, "Move it to the specified folder.", "Move it to [folder]."},
        {CommandKind::Redirect, "Forward it to address.", "Forward it to [address]."},
        {CommandKind::Reject, "Reject message (return to sender).",
         "Reject message (return to sender). [Reason:]"},
        {CommandKind::Keep, "Keep in INBOX.", "Keep in INBOX."},
        {CommandKind::Discard, "Discard the message.", "Discard the message."},
        {CommandKind::Notify, "Send notification.", "Send notification to [address]. [Message text:]"},
        {CommandKind::Vacation, "Send autoreply.", "Send auroreply. [Reply text:]"},
        {CommandKind::Stop, "Stop processing more rules.", "Stop processing more rules."},
    };
    for (std::size_t i = 0; i < kActionKindCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(catalogue->Actions()[i].commandKind, expected[i].kind);
        EXPECT_EQ(catalogue->Actions()[i].listText, expected[i].list);
        EXPECT_EQ(catalogue->Actions()[i].descriptionText, expected[i].description);
    }
}

TEST(Catalogue, MatchTypeNamesAndExplanations) {
    DefaultRuleTexts texts;
    auto catalogue = RuleCatalogue::Build(texts);
    ASSERT_NE(catalogue, nullptr);
    EXPECT_EQ(catalogue->MatchName(MatchType::Is, false), "is");
    EXPECT_EQ(catalogue->MatchName(MatchType::Is, true), "is not");
    EXPECT_EQ(catalogue->MatchName(MatchType::Contains, false), "contains");
    EXPECT_EQ(catalogue->MatchName(MatchType::Contains, true), "does not contain");
    EXPECT_EQ(catalogue->MatchName(MatchType::Matches, false), "matches");
    EXPECT_EQ(catalogue->MatchName(MatchType::Matches, true), "does not match");
    EXPECT_EQ(catalogue->MatchExplanation(1), "The 'is' match type describes an exact match.");
    EXPECT_EQ(catalogue->MatchExplanation(3),
              "The 'contains' match type describes a substring match.");
    EXPECT_EQ(catalogue->MatchExplanation(4),
              "The 'matches' match type specifies a wildcard math using the characters '*' "
              "(asterisk) and '?' (question mark).");
    EXPECT_EQ(catalogue->UnnamedRule(), "<unnamed rule>");
    EXPECT_EQ(catalogue->AndWord(), "and");
    EXPECT_EQ(catalogue->OrWord(), "or");
}

TEST(Catalogue, TextsComeFromTheSourceOfTheCurrentLanguage) {
    Translated texts;
    auto catalogue = RuleCatalogue::Build(texts);
    ASSERT_NE(catalogue, nullptr);
    EXPECT_EQ(catalogue->Conditions()[1].text, "T2011 [x]");
    EXPECT_EQ(catalogue->Conditions()[1].listText, "T2011 x");
    // Actions without values describe themselves with their list text's string.
    EXPECT_EQ(catalogue->Actions()[3].descriptionText, "T2023 [x]");
}

TEST(Catalogue, AnyMissingTextMeansNoCatalogue) {
    for (unsigned id : {unsigned(IDS_RULE_COND_SPAM), unsigned(IDS_RULE_ACT_NOTIFY_DESC),
                        unsigned(IDS_RULE_MATCH_MATCHES_HELP), unsigned(IDS_RULE_OR)}) {
        MissingText texts(id);
        EXPECT_EQ(RuleCatalogue::Build(texts), nullptr) << id;
    }
}

TEST(Catalogue, SharedCatalogueIsBuiltOnceAndKept) {
    DefaultRuleTexts texts;
    const RuleCatalogue* first = RuleCatalogue::Shared(texts);
    ASSERT_NE(first, nullptr);
    Translated other;
    EXPECT_EQ(RuleCatalogue::Shared(other), first);
    EXPECT_EQ(first->Conditions()[9].text, "For all messages");
}

TEST(Catalogue, StringIdentifiersAreUnique) {
    std::map<unsigned, int> seen;
#define VELOR_STRING(name, id, text) ++seen[id];
#include "velcore/rules/RuleStrings.def"
#undef VELOR_STRING
    for (const auto& [id, count] : seen) {
        EXPECT_EQ(count, 1) << id;
    }
}

}  // namespace
}  // namespace velor::rules
