// The writer's bytes: spacing, header lines, comment prefixes and quoting, in script and
// inline mode.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "velcore/rules/SieveWriter.h"
#include "velcore/rules/tests/support/ParseHelpers.h"
#include "velcore/rules/tests/support/TreeGenerator.h"

namespace velor::rules {
namespace {

using testing::MustParse;

constexpr const char* kWorkRule =
    "#!1 Work\n"
    "if anyof (address :all :contains [\"To\", \"Cc\"] \"sales\" , "
    "header :contains \"Subject\" \"report\" ) \n"
    " {\n"
    "  fileinto \"Work\";\n"
    "  stop;\n"
    "}\n";

std::string Rewritten(std::string_view script) {
    CommandListPtr rules = MustParse(script);
    return WriteScript(rules.get());
}

TEST(Writer, NamedRuleExactly) {
    EXPECT_EQ(Rewritten(kWorkRule), kWorkRule);
}

TEST(Writer, SwitchedOffUnnamedRuleIsCommentedOut) {
    CommandListPtr rules = MustParse(kWorkRule);
    ASSERT_NE(rules, nullptr);
    rules->enabled = 0;
    rules->name[0] = '\0';
    EXPECT_EQ(WriteScript(rules.get()),
              "#!0 \n"
              "# if anyof (address :all :contains [\"To\", \"Cc\"] \"sales\" , "
              "header :contains \"Subject\" \"report\" ) \n"
              "#  {\n"
              "#   fileinto \"Work\";\n"
              "#   stop;\n"
              "# }\n");
}

TEST(Writer, EnabledUnnamedRuleHasNoHeader) {
    EXPECT_EQ(Rewritten("keep;"), "keep;\n");
    EXPECT_EQ(Rewritten("#!0 \n# keep;"), "#!0 \n# keep;\n");
}

TEST(Writer, EveryCommandForm) {
    EXPECT_EQ(Rewritten("reject \"r\"; discard; fileinto \"f\"; stop; redirect \"a@b\";"),
              "reject \"r\";\ndiscard;\nfileinto \"f\";\nstop;\nredirect \"a@b\";\n");
    EXPECT_EQ(Rewritten("notify :method \"mail\" :options \"o\" :message \"m\";"),
              "#!1 o\nnotify :options \"o\" :message \"m\";\n")
        << "at the top its :options doubles as the rule name";
    EXPECT_EQ(Rewritten("#!0 \n# notify;"),
              "#!0 \n# notify :message \"$from$: $subject$\\r\\n$text$\";\n");
    CommandListPtr bare = MustParse("notify;");
    ASSERT_NE(bare, nullptr);
    bare->argument[0] = '\0';
    EXPECT_EQ(WriteScript(bare.get()), "notify;\n");
    EXPECT_EQ(Rewritten("vacation :subject \"s\" \"r\"; vacation \"r\";"),
              "#!1 s\nvacation :subject \"s\" \"r\";\nvacation \"r\";\n");
}

TEST(Writer, VacationDaysAndOctetComparatorSurvive) {
    EXPECT_EQ(Rewritten("vacation :days \"3\" \"r\";"), "vacation :days \"3\" \"r\";\n");
    EXPECT_EQ(Rewritten("vacation :days \"7\" \"r\";"), "vacation \"r\";\n");
    CommandListPtr fresh(NewCommand(CommandKind::Vacation));
    EXPECT_EQ(WriteScript(fresh.get()), "vacation \"\";\n") << "no days at all: the default";
    std::string script = Rewritten(
        "if anyof (header :comparator \"i;octet\" :is \"X\" \"y\", "
        "address :comparator \"i;ascii-casemap\" \"To\" \"z\") {keep;}");
    EXPECT_NE(script.find("header :is :comparator \"i;octet\" \"X\" \"y\" "), std::string::npos)
        << script;
    EXPECT_NE(script.find("address :all :is \"To\" \"z\" "), std::string::npos) << script;
}

TEST(Writer, EveryTestForm) {
    EXPECT_EQ(Rewritten("if allof (true, false, true) {keep;}"),
              "if allof (true , false , true ) \n {\n  keep;\n}\n");
    EXPECT_EQ(Rewritten("if not exists [\"A\", \"B\"] {keep;}"),
              "if not exists [\"A\", \"B\"] \n {\n  keep;\n}\n");
    EXPECT_EQ(Rewritten("if address :domain :matches \"From\" [\"*.x\"] {keep;}"),
              "if address :domain :matches \"From\" \"*.x\" \n {\n  keep;\n}\n");
    EXPECT_EQ(Rewritten("if size :over 100K {keep;}"),
              "if size :over 102400\n {\n  keep;\n}\n");
    EXPECT_EQ(Rewritten("if anyof (size :under 2G, spamtest) {keep;}"),
              "if anyof (size :under 2147483648, spamtest ) \n {\n  keep;\n}\n");
    EXPECT_EQ(Rewritten("if void {keep;}"), "if void \n {\n  keep;\n}\n");
}

TEST(Writer, StringListsOfNoneOneAndSeveral) {
    std::string out;
    WriteStringList(out, nullptr);
    EXPECT_EQ(out, "\"\" ");
    SieveStringList second{const_cast<char*>("b"), nullptr};
    SieveStringList first{const_cast<char*>("a"), &second};
    out.clear();
    WriteStringList(out, &second);
    EXPECT_EQ(out, "\"b\" ");
    out.clear();
    WriteStringList(out, &first);
    EXPECT_EQ(out, "[\"a\", \"b\"] ");
}

TEST(Writer, QuotingEscapesTheSixSpecialCharacters) {
    std::string out;
    WriteQuotedString(out, "a'b\"c\\d\re\nf\tg#{}");
    EXPECT_EQ(out, R"("a\'b\"c\\d\re\nf\tg#{}")");
}

TEST(Writer, ElsifAndElse) {
    EXPECT_EQ(Rewritten("if true {keep;} elsif false {stop;} else {discard;}"),
              "if true \n {\n  keep;\n}\n"
              "elsif false \n {\n  stop;\n}\n"
              "else {\n  discard;\n}\n");
    EXPECT_EQ(Rewritten("if true {if false {keep;} else {stop;}}"),
              "if true \n {\n  if false \n   {\n    keep;\n  }\n  else {\n    stop;\n  }\n}\n");
    // An else block of several commands is no elsif, even when it starts with an if.
    EXPECT_EQ(Rewritten("if true {keep;} else {if false {stop;} discard;}"),
              "if true \n {\n  keep;\n}\nelse {\n  if false \n   {\n    stop;\n  }\n"
              "  discard;\n}\n");
}

TEST(Writer, NamedOrSwitchedOffElsifGetsItsOwnHeader) {
    CommandListPtr rules = MustParse("#!0 R\n# if true {keep;} elsif false {stop;}");
    ASSERT_NE(rules, nullptr);
    SieveCommand* elsif = rules->elseBlock;
    SetText(elsif->name, "Inner");
    EXPECT_EQ(WriteScript(rules.get()),
              "#!0 R\n# if true \n#  {\n#   keep;\n# }\n"
              "#!0 Inner\n# elsif false \n#  {\n#   stop;\n# }\n");
}

TEST(Writer, EmptyBlocksWriteBracesOnly) {
    EXPECT_EQ(Rewritten("if true {}"), "if true \n {\n}\n");
    EXPECT_EQ(Rewritten("#!0 \n# if true {\n# }"), "#!0 \n# if true \n#  {\n# }\n");
}

TEST(Writer, InlineModeWritesOneLine) {
    CommandListPtr rules = MustParse("#!0 Off\n# if true {discard;}");
    ASSERT_NE(rules, nullptr);
    EXPECT_EQ(WriteRuleInline(rules.get()), "if true  {  discard;}");
    rules = MustParse("if header :is \"S\" \"x\" {keep;} elsif size :over 1 {stop;} else {}");
    EXPECT_EQ(WriteRuleInline(rules.get()),
              "if header :is \"S\" \"x\"  {  keep;}elsif size :over 1 {  stop;}else {}");
    std::string out;
    WriteCommand(out, rules->thenBlock, 1, false, false);
    EXPECT_EQ(out, "  keep;");
}

TEST(Writer, NestedCommandAloneTakesItsRulesState) {
    CommandListPtr rules = MustParse("#!0 R\n# if true {\n# keep;\n# }");
    ASSERT_NE(rules, nullptr);
    std::string out;
    WriteCommand(out, rules->thenBlock, 1, true, false);
    EXPECT_EQ(out, "#   keep;\n");
}

TEST(Writer, EmptyListWritesNothing) {
    EXPECT_EQ(WriteScript(nullptr), "");
}

// A rule switched off with its check box keeps nested commands that are still marked on; the
// whole rule must be commented out, or reading it back would lose the nested commands.
TEST(Writer, SwitchingOffARuleCommentsOutEverythingInIt) {
    CommandListPtr rules = MustParse("#!1 R\nif true { if false { keep; } } elsif true { stop; }\n");
    ASSERT_NE(rules, nullptr);
    rules->enabled = 0;
    std::string script = WriteScript(rules.get());
    EXPECT_EQ(script,
              "#!0 R\n# if true \n#  {\n#   if false \n#    {\n#     keep;\n#   }\n# }\n"
              "#!0 \n# elsif true \n#  {\n#   stop;\n# }\n");
    CommandListPtr back = MustParse(script);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->thenBlock->thenBlock->kind, CommandKind::Keep);
    EXPECT_EQ(back->elseBlock->thenBlock->kind, CommandKind::Stop);
}

// A header line inside a live rule can leave one nested command marked off; it must not
// comment out its own braces while the rest of the rule stays live.
TEST(Writer, NestedStateNeverSplitsARule) {
    CommandListPtr rules = MustParse("if true {\n#!0 \n# if false { keep; }\n}\n");
    ASSERT_NE(rules, nullptr);
    ASSERT_EQ(rules->thenBlock->enabled, 0);
    std::string script = WriteScript(rules.get());
    EXPECT_EQ(script, "if true \n {\n  if false \n   {\n    keep;\n  }\n}\n");
}

TEST(Writer, LineBreaksInANameDoNotEndTheHeader) {
    CommandListPtr rules = MustParse("keep;");
    ASSERT_NE(rules, nullptr);
    SetText(rules->name, "two\nlines\r");
    EXPECT_EQ(WriteScript(rules.get()), "#!1 two lines \nkeep;\n");
}

TEST(Writer, AllofWithoutChildrenReadsBack) {
    CommandListPtr rules = MustParse("if allof (void) {keep;}");
    ASSERT_NE(rules, nullptr);
    ASSERT_EQ(rules->test->children, nullptr);
    std::string script = WriteScript(rules.get());
    EXPECT_EQ(script, "if allof (void ) \n {\n  keep;\n}\n");
    EXPECT_TRUE(ReadScript(script).ok);
}

// Each rule of a list written alone, one after the other: what the whole list must give.
std::string RulesOneByOne(SieveCommand* rules) {
    std::string text;
    for (SieveCommand* rule = rules; rule != nullptr; rule = rule->next) {
        SieveCommand* next = rule->next;
        rule->next = nullptr;
        text += WriteScript(rule);
        rule->next = next;
    }
    return text;
}

// A rule whose test has more keys than the writer asks memory for ahead of time.
CommandListPtr RuleWithManyKeys(int count) {
    CommandListPtr rule = MustParse("if header :contains \"Subject\" \"first\" {keep;}");
    SieveStringList* last = rule->test->keys;
    for (int i = 0; i < count; ++i) {
        last->next = NewStringItem("key " + std::to_string(i));
        last = last->next;
    }
    return rule;
}

// The writer looks at the rules ahead of the one it writes and makes the text in a buffer it
// keeps for the next script. Neither may change what is written: a list of many rules of
// every shape, deep and wide, gives its rules' texts in turn, and a script written after a
// longer one carries nothing of it.
TEST(Writer, ManyRulesGiveEachRulesTextInTurn) {
    for (std::uint32_t seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(seed);
        CommandListPtr rules = testing::TreeGenerator(seed).Script(400);
        SieveCommand* last = rules.get();
        while (last->next != nullptr) {
            last = last->next;
        }
        last->next = RuleWithManyKeys(6000).release();
        const std::string whole = WriteScript(rules.get());
        EXPECT_EQ(whole, RulesOneByOne(rules.get()));
        EXPECT_EQ(WriteScript(nullptr), "");
        CommandListPtr keep = MustParse("keep;");
        EXPECT_EQ(WriteScript(keep.get()), "keep;\n");
        EXPECT_EQ(WriteScript(rules.get()), whole);
    }
}

TEST(Writer, ScriptsWrittenOnSeveralThreadsAtOnce) {
    constexpr int kThreads = 4;
    std::vector<CommandListPtr> scripts;
    std::vector<std::string> expected;
    for (int i = 0; i < kThreads; ++i) {
        scripts.push_back(testing::TreeGenerator(100 + static_cast<std::uint32_t>(i)).Script(60));
        expected.push_back(WriteScript(scripts.back().get()));
    }
    std::vector<int> wrong(kThreads, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < 200; ++round) {
                wrong[static_cast<std::size_t>(i)] += WriteScript(scripts[static_cast<std::size_t>(i)].get()) !=
                                                       expected[static_cast<std::size_t>(i)];
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong, std::vector<int>(kThreads, 0));
}

}  // namespace
}  // namespace velor::rules
