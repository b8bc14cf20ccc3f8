// The script editor's text: braces on lines of their own, CR LF for the control, and values
// untouched, so that OK without a change gives back the same rules.
#include <gtest/gtest.h>

#include "velcore/rules/FetchedScript.h"
#include "velcore/rules/ScriptDisplay.h"
#include "velcore/rules/SieveWriter.h"
#include "velcore/rules/tests/support/ParseHelpers.h"

namespace velor::rules {
namespace {

using testing::MustParse;

TEST(ScriptDisplay, InlineRuleShowsBracesOnTheirOwnLines) {
    EXPECT_EQ(PrepareScriptForDisplay("if true  {  discard;}"), "if true  \r\n{\r\n  discard;\r\n}\r\n");
    EXPECT_EQ(PrepareScriptForDisplay(""), "");
    EXPECT_EQ(PrepareScriptForDisplay("keep;\r\n\r\n\n\nstop;"), "keep;\r\nstop;");
}

TEST(ScriptDisplay, BracesInValuesCommentsAndTextBlocksStay) {
    const std::string script =
        "if header :contains \"Subject\" \"{SPAM} \\\" }\" {fileinto \"a\";} # { not here\n"
        "/* { nor } here */ if true {vacation text:\nline {\n\n.\n;}\n";
    const std::string shown = PrepareScriptForDisplay(script);
    EXPECT_EQ(shown,
              "if header :contains \"Subject\" \"{SPAM} \\\" }\" \r\n{\r\nfileinto \"a\";\r\n}\r\n # { not here\r\n"
              "/* { nor } here */ if true \r\n{\r\nvacation text:\r\nline {\r\n\r\n.\r\n;\r\n}\r\n");
    CommandListPtr before = MustParse(script);
    CommandListPtr after = MustParse(ScriptFromDisplay(shown));
    ASSERT_NE(after, nullptr);
    EXPECT_STREQ(after->test->keys->text, "{SPAM} \" }");
    EXPECT_TRUE(SameRule(before.get(), after.get()));
    EXPECT_TRUE(SameRule(before->next, after->next));
}

// Every written rule of a script, shown and read back unchanged, is the same rule.
TEST(ScriptDisplay, RoundTripOfWrittenRules) {
    CommandListPtr rules = MustParse(
        "#!1 Work\nif anyof (address :all :contains [\"To\", \"Cc\"] \"sales\", header :contains \"Subject\" "
        "\"re{port}\") { fileinto \"Work\"; stop; }\n"
        "#!0 Off\nif size :over 100K { reject \"line\\r\\nbreak {x}\"; }\n"
        "if true { if false { keep; } else { discard; } }\n");
    for (SieveCommand* rule = rules.get(); rule != nullptr; rule = rule->next) {
        std::string shown = PrepareScriptForDisplay(WriteRuleInline(rule));
        CommandListPtr back = MustParse(ScriptFromDisplay(shown));
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->next, nullptr);
        back->enabled = rule->enabled;
        SetText(back->name, rule->name);
        EXPECT_TRUE(SameRule(rule, back.get())) << shown;
    }
    std::string whole = WriteScript(rules.get());
    CommandListPtr back = MustParse(ScriptFromDisplay(PrepareScriptForDisplay(whole)));
    EXPECT_EQ(WriteScript(back.get()), whole);
}

TEST(ScriptDisplay, ErrorLinesCountDisplayedLines) {
    std::string shown = PrepareScriptForDisplay("if true {keep;\nbad bad;}");
    ParseOutcome outcome = ReadScript(ScriptFromDisplay(shown));
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.line, 4);
}

}  // namespace
}  // namespace velor::rules
