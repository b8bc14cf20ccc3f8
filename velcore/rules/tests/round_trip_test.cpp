// Scripts as the writer produces them read back into the same tree and are written again to
// the same bytes; each rule also survives the trip through inline mode.
#include <gtest/gtest.h>

#include "velcore/rules/SieveWriter.h"
#include "velcore/rules/tests/support/ParseHelpers.h"
#include "velcore/rules/tests/support/TreeCompare.h"

namespace velor::rules {
namespace {

using testing::CompareOptions;
using testing::DescribeDifference;
using testing::MustParse;
using testing::ParentLinksConsistent;

// Every condition and action kind of the editor, every other test, enabled and switched off,
// named and unnamed, with nested if/elsif/else.
const char* const kCorpus[] = {
    "#!1 Recipients\n"
    "if address :all :contains [\"To\", \"Cc\"] \"sales@example.com\" \n"
    " {\n  fileinto \"INBOX/Sales\";\n}\n",

    "#!0 From boss\n"
    "# if not address :localpart :is \"From\" [\"boss\", \"chief\"] \n"
    "#  {\n#   redirect \"me@example.com\";\n#   keep;\n# }\n",

    "if allof (address :domain :matches \"To\" \"*.org\" , address :all :is \"Cc\" \"x\" , "
    "address :all :contains \"Sender\" \"list\" ) \n"
    " {\n  discard;\n  stop;\n}\n",

    "#!1 Subject & attachment\n"
    "if anyof (header :contains \"Subject\" [\"urgent\", \"asap\"] , "
    "header :is :comparator \"i;octet\" \"Content-Type\" \"multipart/mixed\" ) \n"
    " {\n  reject \"Line one\\r\\nLine \\'two\\' \\\"quoted\\\" \\\\ back\\tslash\";\n}\n",

    "#!0 Big or spam\n"
    "# if anyof (size :over 1048576, not size :under 2147483648, spamtest ) \n"
    "#  {\n#   notify :options \"alerts@example.com\" :message \"$from$: $subject$\\r\\n$text$\";\n"
    "#   stop;\n# }\n",

    "#!1 Everything\n"
    "if true \n"
    " {\n  vacation :days \"3\" :subject \"Away\" \"I am away.\\nBack on Monday.\";\n}\n",

    "if exists [\"X-Spam-Flag\", \"X-Virus\"] \n"
    " {\n  if false \n   {\n    keep;\n  }\n  else {\n    discard;\n  }\n}\n"
    "elsif not true \n {\n  stop;\n}\n"
    "#!1 Named elsif\n"
    "elsif spamtest \n {\n}\n"
    "else {\n  fileinto \"Junk\";\n}\n",

    "#!0 \n"
    "# if void \n#  {\n#   vacation \"\";\n# }\n"
    "#!0 Off branch\n"
    "# elsif header :matches \"Subject\" \"*\" \n#  {\n#   notify :message \"Look\";\n# }\n",

    "keep;\n"
    "#!1 Top-level action\n"
    "discard;\n"
    "#!0 \n"
    "# stop;\n"
    "#!1 alerts\n"
    "notify :options \"alerts\" :message \"m\";\n"
    "fileinto \"caf\xE9\";\n",
};

TEST(RoundTrip, ScriptModeKeepsTreeAndBytes) {
    for (const char* script : kCorpus) {
        SCOPED_TRACE(script);
        CommandListPtr first = MustParse(script);
        ASSERT_NE(first, nullptr);
        EXPECT_TRUE(ParentLinksConsistent(first.get()));
        std::string written = WriteScript(first.get());
        EXPECT_EQ(written, script);
        CommandListPtr second = MustParse(written);
        EXPECT_EQ(DescribeDifference(first.get(), second.get()), "");
    }
}

TEST(RoundTrip, WholeCorpusAsOneScript) {
    std::string all;
    for (const char* script : kCorpus) {
        all += script;
    }
    CommandListPtr rules = MustParse(all);
    EXPECT_EQ(WriteScript(rules.get()), all);
}

TEST(RoundTrip, InlineModeKeepsEachRuleButItsStateAndName) {
    for (const char* script : kCorpus) {
        CommandListPtr rules = MustParse(script);
        for (const SieveCommand* rule = rules.get(); rule != nullptr; rule = rule->next) {
            std::string line = WriteRuleInline(rule);
            SCOPED_TRACE(line);
            EXPECT_EQ(line.find('\n'), std::string::npos);
            EXPECT_EQ(line.find("# "), std::string::npos);
            CommandListPtr alone(CopyCommand(rule, true));
            CommandListPtr back = MustParse(line);
            ASSERT_NE(back, nullptr);
            EXPECT_EQ(back->next, nullptr);
            EXPECT_EQ(back->enabled, 1);
            CompareOptions options;
            options.ignoreStateAndRuleNames = true;
            EXPECT_EQ(DescribeDifference(alone.get(), back.get(), options), "");
        }
    }
}

TEST(RoundTrip, HandWrittenScriptsSettleAfterOneWrite) {
    const char* handWritten[] = {
        "if address :is :all [\"to\"] \"x\" { fileinto \"A\"; } # trailing comment\n",
        "/* header */\nif header :comparator \"i;octet\" :contains \"Subject\" \"a\"\n{keep;}",
        "vacation :subject \"S\" :days \"7\" text:\nfirst\nsecond\n.\n;",
        "if size :over 1k {stop;} else { if true {} }",
    };
    for (const char* script : handWritten) {
        SCOPED_TRACE(script);
        CommandListPtr first = MustParse(script);
        std::string written = WriteScript(first.get());
        CommandListPtr second = MustParse(written);
        EXPECT_EQ(DescribeDifference(first.get(), second.get()), "");
        EXPECT_EQ(WriteScript(second.get()), written);
    }
}

}  // namespace
}  // namespace velor::rules
