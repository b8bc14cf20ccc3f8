// Storing rules the user did not change as the server's own bytes.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "velcore/rules/FetchedScript.h"
#include "velcore/rules/RuleList.h"
#include "velcore/rules/tests/support/ParseHelpers.h"

namespace velor::rules {
namespace {

using testing::MustParse;

// A stand-in for the code page: UTF-8 letters outside Latin-1 become "?", as they do in 1252.
std::string ToAnsi(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else {
            std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
            unsigned code = length == 2 ? ((c & 0x1Fu) << 6) | (utf8[i + 1] & 0x3Fu) : 0x10000;
            out += code < 0x100 ? static_cast<char>(code) : '?';
            i += length;
        }
    }
    return out;
}

std::string ToUtf8(std::string_view ansi) {
    std::string out;
    for (char ch : ansi) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) out += ch;
        else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

const char* kCyrillicGreek =
    "#!1 Почта от Ивана\n"
    "if address :contains \"From\" \"иван\" \n {\n  fileinto \"INBOX/&BBgEMgQwBD0-\";\n}\n\n"
    "# rules of Ольга\n"
    "#!1 Ελληνικά\n"
    "if header :contains \"Subject\" \"Καλημέρα\" { keep; }   # hand-written\n"
    "#!0 Off\n# if true \n#  {\n#   stop;\n# }\n"
    "/* the end */";

TEST(FetchedScriptStore, UnchangedRulesKeepTheirBytes) {
    CommandListPtr rules = MustParse(ToAnsi(kCyrillicGreek));
    FetchedScript fetched;
    fetched.Keep(kCyrillicGreek, rules.get(), ToAnsi);
    ASSERT_EQ(fetched.KeptRules(), 3u);
    // Switched off and on again: nothing to write anew.
    SetRuleEnabled(rules->next, false);
    SetRuleEnabled(rules->next, true);
    EXPECT_EQ(fetched.Compose(rules.get(), ToUtf8), kCyrillicGreek);
}

TEST(FetchedScriptStore, ChangedRulesAreWrittenAndOrderFollowsTheList) {
    CommandListPtr rules = MustParse(ToAnsi(kCyrillicGreek));
    FetchedScript fetched;
    fetched.Keep(kCyrillicGreek, rules.get(), ToAnsi);
    SieveCommand* head = rules.release();
    RuleList list(&head);
    list.SwapWithNext(0);
    SetRuleEnabled(list.At(2), true);
    std::string composed = fetched.Compose(head, ToUtf8);
    // The comment after a rule goes with it; the end comment went with the rule written anew.
    EXPECT_EQ(composed,
              "#!1 Ελληνικά\n"
              "if header :contains \"Subject\" \"Καλημέρα\" { keep; }   # hand-written\n"
              "#!1 Почта от Ивана\n"
              "if address :contains \"From\" \"иван\" \n {\n  fileinto \"INBOX/&BBgEMgQwBD0-\";\n}\n\n"
              "# rules of Ольга\n"
              "#!1 Off\nif true \n {\n  stop;\n}\n");
    FreeCommandList(head);
}

TEST(FetchedScriptStore, RulesSharingALineAreCutBetweenThem) {
    const char* script = "keep; stop;";
    CommandListPtr rules = MustParse(script);
    FetchedScript fetched;
    fetched.Keep(script, rules.get(), ToAnsi);
    EXPECT_EQ(fetched.KeptRules(), 2u);
    EXPECT_EQ(fetched.Compose(rules.get(), ToUtf8), script);
    SieveCommand* head = rules.release();
    RuleList(&head).SwapWithNext(0);
    EXPECT_EQ(fetched.Compose(head, ToUtf8), " stop;\nkeep;");
    FreeCommandList(head);
}

// A switched-off rule without a header line of its own is off only because of the rule before
// it; moved after a rule that is on, its "# " lines would read as comments and the rule would be
// lost. Such a script is written anew.
TEST(FetchedScriptStore, PiecesThatHangOnTheirPlaceAreNotKept) {
    const char* script = "#!0 A\n# keep;\n# stop;\n";
    CommandListPtr rules = MustParse(script);
    ASSERT_NE(rules->next, nullptr);
    FetchedScript fetched;
    fetched.Keep(script, rules.get(), ToAnsi);
    EXPECT_EQ(fetched.KeptRules(), 0u);
    SieveCommand* head = rules.release();
    RuleList(&head).SwapWithNext(0);
    std::string composed = fetched.Compose(head, ToUtf8);
    EXPECT_EQ(composed, "#!0 \n# stop;\n#!0 A\n# keep;\n");
    FreeCommandList(head);
}

TEST(FetchedScriptStore, EveryCorpusScriptComesBackByteForByte) {
    for (const char* name : {"commands", "first_line", "nested", "switched_off", "tests", "work_rule"}) {
        #ifdef _WIN32
        const std::string corpus = std::string("Z:") + VELOR_RULES_CORPUS;
#else
        const std::string corpus = VELOR_RULES_CORPUS;
#endif
        std::ifstream file(corpus + "/" + name + ".sieve", std::ios::binary);
        ASSERT_TRUE(file) << name;
        std::stringstream content;
        content << file.rdbuf();
        const std::string script = content.str();
        ParseOutcome outcome = ReadScript(script);
        if (!outcome.ok) continue;  // a fuzzing seed may be meant to fail
        FetchedScript fetched;
        fetched.Keep(script, outcome.commands.get(), ToAnsi);
        for (SieveCommand* rule = outcome.commands.get(); rule != nullptr; rule = rule->next) {
            bool on = rule->enabled != 0;
            SetRuleEnabled(rule, !on);
            SetRuleEnabled(rule, on);
        }
        EXPECT_EQ(fetched.Compose(outcome.commands.get(), ToUtf8), script) << name;
    }
}

}  // namespace
}  // namespace velor::rules
