// The reader makes its commands without clearing their text buffers, and copies runs of plain
// characters at once. What the model promises must still hold for a tree it reads: any record
// or subtree can be freed on its own, in any order and on any thread, a record is a whole
// record (its buffers full-size, empty where nothing was read), and escapes and runs of plain
// characters meet the token limit at the same place.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "velcore/rules/ReaderMessages.h"
#include "velcore/rules/SieveReader.h"
#include "velcore/rules/SieveWriter.h"
#include "velcore/rules/tests/support/ParseHelpers.h"

namespace velor::rules {
namespace {

using testing::MustParse;

// Enough rules for several megabytes of records, each different so that a mix-up shows.
std::string ManyRules(int count, int skipEvery = 0) {
    std::string script;
    for (int i = 0; i < count; ++i) {
        if (skipEvery != 0 && i % skipEvery == 0) {
            continue;
        }
        script += "#!" + std::string(i % 3 == 0 ? "0" : "1") + " Rule " + std::to_string(i) + "\n";
        const std::string off = i % 3 == 0 ? "# " : "";
        script += off + "if header :contains \"Subject\" [\"w" + std::to_string(i) + "\", \"x\"] \n";
        script += off + " {\n";
        script += off + "  fileinto \"Folder/" + std::to_string(i) + "\";\n";
        script += off + "  stop;\n";
        script += off + "}\n";
    }
    return script;
}

TEST(ReaderRecords, ParsedRulesAreFreedOneByOneInAnyOrder) {
    const std::string script = ManyRules(300);
    CommandListPtr rules = MustParse(script);
    ASSERT_NE(rules, nullptr);
    ASSERT_EQ(WriteScript(rules.get()), script);

    // Detach and free every fifth rule, from the last to the first, as the window's Remove
    // does; then the tests of every rule left, as clearing "For all messages" does.
    std::vector<SieveCommand*> all;
    for (SieveCommand* rule = rules.get(); rule != nullptr; rule = rule->next) {
        all.push_back(rule);
    }
    for (std::size_t i = all.size(); i-- > 0;) {
        if (i % 5 != 0) {
            continue;
        }
        SieveCommand* rule = all[i];
        SieveCommand** link = i == 0 ? nullptr : &all[i - 1]->next;
        SieveCommand* after = rule->next;
        rule->next = nullptr;
        if (link != nullptr) {
            *link = after;
        } else {
            (void)rules.release();
            rules.reset(after);
        }
        FreeCommandList(rule);
    }
    EXPECT_EQ(WriteScript(rules.get()), ManyRules(300, 5));
    for (SieveCommand* rule = rules.get(); rule != nullptr; rule = rule->next) {
        FreeTestList(rule->test);
        rule->test = nullptr;
    }
    // What is left is whole: written, every rule now tests nothing.
    const std::string written = WriteScript(rules.get());
    EXPECT_EQ(written.find("header"), std::string::npos);
    EXPECT_NE(written.find("fileinto \"Folder/299\";"), std::string::npos);
}

TEST(ReaderRecords, TreesFreedOnAnotherThreadAndInterleaved) {
    // The first of two trees is freed on another thread while the second is still in use.
    CommandListPtr first = MustParse(ManyRules(120));
    CommandListPtr second = MustParse(ManyRules(40));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    std::thread freer([tree = first.release()] { FreeCommandList(tree); });
    const std::string expected = ManyRules(40);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(WriteScript(second.get()), expected);
    }
    freer.join();
    EXPECT_EQ(WriteScript(second.get()), expected);
}

TEST(ReaderRecords, ParsedRecordsAreWholeAndEmptyWhereNothingWasRead) {
    CommandListPtr rules = MustParse("keep;\nif true { discard; }\nvacation \"r\";\n");
    ASSERT_NE(rules, nullptr);
    for (SieveCommand* command : {rules.get(), rules->next, rules->next->thenBlock, rules->next->next}) {
        EXPECT_EQ(command->enabled, 1);
        EXPECT_EQ(command->editable, 1);
        EXPECT_STREQ(command->name, "");
        EXPECT_EQ(command->next == nullptr, command == rules->next->next || command == rules->next->thenBlock);
        EXPECT_EQ(command->elseBlock, nullptr);
    }
    EXPECT_STREQ(rules->days, "");
    EXPECT_STREQ(rules->argument, "");
    EXPECT_EQ(rules->test, nullptr);
    EXPECT_EQ(rules->parent, nullptr);
    EXPECT_EQ(rules->next->thenBlock->parent, rules->next);
    EXPECT_STREQ(rules->next->next->days, kDefaultVacationDays);

    // Every buffer is the full size the model gives it: filled to the last byte (the
    // sanitizer watches), written and read back.
    SieveCommand* keep = rules.get();
    keep->kind = CommandKind::Reject;
    SetText(keep->argument, std::string(kArgumentSize - 1, 'a'));
    SetText(keep->name, std::string(kRuleNameSize - 1, 'n'));
    SieveCommand* vacation = rules->next->next;
    SetText(vacation->days, std::string(kDaysSize - 1, '9'));
    const std::string written = WriteScript(rules.get());
    CommandListPtr again = MustParse(written);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(std::string(again->argument), std::string(kArgumentSize - 1, 'a'));
    EXPECT_EQ(std::string(again->name), std::string(kRuleNameSize - 1, 'n'));
    EXPECT_EQ(std::string(again->next->next->days), std::string(kDaysSize - 1, '9'));
}

TEST(ReaderRecords, EscapesAndPlainRunsMeetTheStringLimitAlike) {
    const std::size_t longest = kTokenTextSize - 1;
    struct Case {
        std::string body;  // between the quotes
        std::size_t length;  // 0: refused
    };
    const Case cases[] = {
        {std::string(longest - 1, 'a') + "\\n", longest},
        {std::string(longest, 'a') + "\\n", 0},
        {"\\\"" + std::string(longest - 1, 'a'), longest},
        {"\\\"" + std::string(longest, 'a'), 0},
        {std::string(1000, 'a') + "\\\\" + std::string(longest - 1001, 'b'), longest},
        {std::string(1000, 'a') + "\\\\" + std::string(longest - 1000, 'b'), 0},
        {std::string(longest, 'a') + "\\", 0},  // cut off inside the escape, and too long
    };
    for (const Case& c : cases) {
        const std::string script = "\"" + c.body + "\" keep;";
        SieveTokenizer tokenizer(script);
        const TokenRead read = tokenizer.Next();
        if (c.length == 0) {
            EXPECT_EQ(read, TokenRead::Bad) << c.body.size();
            EXPECT_STREQ(tokenizer.message, msg::kStringTooLong);
            EXPECT_EQ(tokenizer.Next(), TokenRead::Bad);
        } else {
            ASSERT_EQ(read, TokenRead::Token) << c.body.size();
            EXPECT_EQ(tokenizer.Text().size(), c.length);
            EXPECT_EQ(std::string(tokenizer.text), std::string(tokenizer.Text()));
        }
    }
    // A string that ends with the script: no message, just the end of reading.
    const std::string unterminated = "\"" + std::string(10, 'a');
    SieveTokenizer open(unterminated);
    EXPECT_EQ(open.Next(), TokenRead::Bad);
    EXPECT_STREQ(open.message, "");
}

}  // namespace
}  // namespace velor::rules
