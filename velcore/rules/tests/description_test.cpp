// The description of a rule: its markup with the value links, and the rich text and link table
// the description control is given.
#include <gtest/gtest.h>

#include "velcore/rules/DescriptionRtf.h"
#include "velcore/rules/RuleDescription.h"
#include "velcore/rules/tests/support/ParseHelpers.h"

namespace velor::rules {
namespace {

using testing::MustParse;

class Description : public ::testing::Test {
protected:
    Description() : catalogue_(RuleCatalogue::Build(source_)), texts_(DescriptionTexts::Load(source_)) {}

    std::string Markup(SieveCommand* rule, unsigned flags = kDescribeRich) {
        DescriptionBuilder builder(*catalogue_, texts_, [](const char* f) { return std::string("[") + f + "]"; },
                                   flags);
        std::string markup = builder.Rule(rule);
        valid_ = builder.Valid();
        targets_ = builder.Targets();
        return markup;
    }

    DefaultRuleTexts source_;
    std::unique_ptr<RuleCatalogue> catalogue_;
    DescriptionTexts texts_;
    bool valid_ = true;
    std::vector<LinkTarget> targets_;
};

TEST_F(Description, AddressConditionWithStop) {
    CommandListPtr rule = MustParse("if address :contains \"From\" [\"a\", \"b\"] { stop; }");
    EXPECT_EQ(Markup(rule.get()),
              "Apply this rule after the message arrives.<br>Where the From line <a href=#match_0>contains</a> "
              "<a href=#addr_1>'a' or 'b'</a>.<br>Stop processing more rules.");
    ASSERT_EQ(targets_.size(), 2u);
    EXPECT_EQ(targets_[0].test, rule->test);
    EXPECT_EQ(targets_[1].test, rule->test);
}

TEST_F(Description, CombinedConditionsAndSeveralActions) {
    CommandListPtr rule = MustParse(
        "#!0 R\n# if anyof (header :is \"Subject\" \"x\", size :under 20971520) {\n"
        "# fileinto \"INBOX/Sales\";\n# reject \"  Away\\nback soon\";\n# }");
    std::string markup = Markup(rule.get());
    EXPECT_EQ(markup,
              "This rule is currently turned off.<br>Where the Subject line <a href=#match_0>is</a> "
              "<a href=#word_1>'x'</a><br><nobr> &nbsp; </nobr><a href=#andor>or</a> Where the message size is "
              "<a href=#size_2>less</a> than <a href=#size_3>20 MB</a>.<br>Move it to "
              "<a href=#fileinto_4>[INBOX/Sales]</a>.<br><nobr> &nbsp; and </nobr>Reject message (return to "
              "sender). <a href=#reject_5>Reason:</a> Away...");
    EXPECT_EQ(targets_[4].command, rule->thenBlock);
    EXPECT_EQ(targets_[5].command, rule->thenBlock->next);
}

TEST_F(Description, MissingValuesAreRedInTheEditorOnly) {
    CommandListPtr rule = MustParse("if allof (address :is \"From\" \"\", size :over 0) { redirect \"\"; notify; }");
    // An address test whose key is the empty string still has a key: it is not missing.
    std::string shown = Markup(rule.get(), kDescribeRich);
    EXPECT_TRUE(valid_);
    EXPECT_NE(shown.find("<a href=#size_3>size</a>"), std::string::npos) << shown;
    std::string edited = Markup(rule.get(), kDescribeRich | kDescribeEditor);
    EXPECT_FALSE(valid_);
    EXPECT_NE(edited.find("<A HREF=#size_3>size</A>"), std::string::npos) << edited;
    EXPECT_NE(edited.find("<A HREF=#redirect_4>address</A>"), std::string::npos) << edited;
    EXPECT_NE(edited.find("<A HREF=#notifya_5>address</A>"), std::string::npos) << edited;
    // The reader gives a notify without :message the default text: that value is present.
    EXPECT_NE(edited.find("<a href=#notifym_6>Message text:</a> $from$: $subject$..."), std::string::npos) << edited;
}

TEST_F(Description, FormattedSizes) {
    EXPECT_EQ(FormatSize(10000, texts_), "10000 B");
    EXPECT_EQ(FormatSize(10001, texts_), "9 KB");
    EXPECT_EQ(FormatSize(20971520, texts_), "20 MB");
    EXPECT_EQ(FormatSize(1073741824u, texts_), "1024 MB");
    EXPECT_EQ(FormatSize(0xFFFFFFFFu, texts_), "4095 MB");
}

TEST_F(Description, ReplyTextFirstLine) {
    EXPECT_EQ(FirstLineOf("  Away\r\nuntil Monday"), "Away...");
    EXPECT_EQ(FirstLineOf("Away  "), "Away");
    EXPECT_EQ(FirstLineOf(""), "");
}

TEST_F(Description, RichTextAndLinkTable) {
    CommandListPtr rule = MustParse("if address :is \"From\" [\"<a href=#x>&\", \"b\\\\{}\"] { keep; }");
    std::string markup = Markup(rule.get());
    RichDescription rich = MarkupToRich(markup, 1252);
    // Values are shown literally; RTF's special characters in them are escaped.
    const std::string text = "Apply this rule after the message arrives.\rWhere the From line is "
                             "'<a href=#x>&' or 'b\\{}'.\rKeep in INBOX.";
    EXPECT_EQ(rich.text, text);
    ASSERT_EQ(rich.links.size(), 2u);
    EXPECT_EQ(rich.links[0].key, LinkKey::Match);
    EXPECT_EQ(rich.links[0].number, 0);
    EXPECT_EQ(text.substr(rich.links[0].first, rich.links[0].last - rich.links[0].first + 1), "is");
    EXPECT_EQ(rich.links[1].key, LinkKey::Address);
    EXPECT_EQ(text.substr(rich.links[1].first, rich.links[1].last - rich.links[1].first + 1),
              "'<a href=#x>&' or 'b\\{}'");
    EXPECT_EQ(rich.rtf.rfind("{\\rtf1\\ansi\\ansicpg1252 {\\colortbl; \\red0\\green0\\blue255;\\red255\\green0\\blue0;}"
                             "Apply this rule after the message arrives.\\par Where the From line ", 0),
              0u)
        << rich.rtf;
    EXPECT_NE(rich.rtf.find("{\\ul\\cf1 \\'27<a href=#x>&\\'27 or \\'27b\\\\\\{\\}\\'27}"), std::string::npos) << rich.rtf;
    EXPECT_EQ(rich.rtf.substr(rich.rtf.size() - 2), " }");
    EXPECT_EQ(LinkAt(rich.links, rich.links[1].last)->key, LinkKey::Address);
    EXPECT_EQ(LinkAt(rich.links, rich.links[1].last + 1), nullptr);
    EXPECT_EQ(LinkAt(rich.links, rich.links[0].first - 1), nullptr);
}

TEST_F(Description, MissingLinkIsRedAndNonAsciiIsEscaped) {
    RichDescription rich = MarkupToRich("M\xfcller <A HREF=#addr_7>address</A>", 1250);
    ASSERT_EQ(rich.links.size(), 1u);
    EXPECT_TRUE(rich.links[0].missing);
    EXPECT_EQ(rich.links[0].number, 7);
    EXPECT_EQ(rich.links[0].first, 7);
    EXPECT_EQ(rich.links[0].last, 13);
    EXPECT_NE(rich.rtf.find("\\ansicpg1250 "), std::string::npos);
    EXPECT_NE(rich.rtf.find("M\\'fcller {\\ul\\cf2 address}"), std::string::npos) << rich.rtf;
}

TEST_F(Description, CentredNotice) {
    EXPECT_EQ(CentredNoticeRtf("There is no item selected.", 1252),
              "{\\rtf1\\ansi\\ansicpg1252\\par\\qc {\\colortbl; }There is no item selected. \\par}");
}

}  // namespace
}  // namespace velor::rules
