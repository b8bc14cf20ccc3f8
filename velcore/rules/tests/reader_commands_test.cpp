// Every command and test form the reader knows, and what it stores for each.
#include <gtest/gtest.h>

#include "velcore/rules/tests/support/ParseHelpers.h"

namespace velor::rules {
namespace {

using testing::MustParse;

std::vector<std::string> Texts(const SieveStringList* list) {
    std::vector<std::string> texts;
    for (; list != nullptr; list = list->next) {
        texts.push_back(list->text);
    }
    return texts;
}

TEST(ReaderCommands, SimpleActions) {
    CommandListPtr rules = MustParse(
        "KEEP; discard; Stop; reject \"why\"; fileinto \"INBOX/Work\"; redirect \"a@b.c\";");
    ASSERT_NE(rules, nullptr);
    const CommandKind kinds[] = {CommandKind::Keep, CommandKind::Discard, CommandKind::Stop,
                                 CommandKind::Reject, CommandKind::Fileinto, CommandKind::Redirect};
    const char* arguments[] = {"", "", "", "why", "INBOX/Work", "a@b.c"};
    const SieveCommand* command = rules.get();
    for (int i = 0; i < 6; ++i, command = command->next) {
        ASSERT_NE(command, nullptr);
        EXPECT_EQ(command->kind, kinds[i]);
        EXPECT_STREQ(command->argument, arguments[i]);
        EXPECT_EQ(command->enabled, 1);
        EXPECT_EQ(command->editable, 1);
        EXPECT_EQ(command->parent, nullptr);
    }
    EXPECT_EQ(command, nullptr);
}

TEST(ReaderCommands, NotifyOptionsAndDefaultMessage) {
    CommandListPtr rules = MustParse(
        "notify :method \"mail\" :options \"alerts\" :message \"hi\";\n"
        "notify;\n"
        "notify :options 5K;\n"
        "notify :message \"last\"");
    ASSERT_NE(rules, nullptr);
    EXPECT_STREQ(rules->name, "alerts");
    EXPECT_STREQ(rules->argument, "hi");
    EXPECT_STREQ(rules->next->name, "");
    EXPECT_STREQ(rules->next->argument, kDefaultNotifyMessage);
    EXPECT_STREQ(rules->next->next->name, "5120") << "any token serves as a value";
    EXPECT_STREQ(rules->next->next->next->argument, "last") << "the end of the text ends it";
}

TEST(ReaderCommands, VacationDaysSubjectAndReply) {
    CommandListPtr rules = MustParse(
        "vacation :days \"3\" :subject \"Away\" \"Back soon\";\n"
        "vacation \"Only text\";\n"
        "vacation;\n");
    ASSERT_NE(rules, nullptr);
    EXPECT_STREQ(rules->days, "3");
    EXPECT_STREQ(rules->name, "Away");
    EXPECT_STREQ(rules->argument, "Back soon");
    EXPECT_STREQ(rules->next->days, "7");
    EXPECT_STREQ(rules->next->argument, "Only text");
    EXPECT_STREQ(rules->next->next->argument, "");
}

TEST(ReaderCommands, OptionValuesAreCutToTheirFields) {
    std::string longText(400, 's');
    CommandListPtr rules = MustParse("notify :options \"" + longText + "\"; vacation :subject \"" +
                                     longText + "\" :days \"" + longText + "\" \"r\";");
    ASSERT_NE(rules, nullptr);
    EXPECT_EQ(std::string(rules->name), longText.substr(0, kRuleNameSize - 1));
    EXPECT_EQ(std::string(rules->next->name).size(), kRuleNameSize - 1);
    EXPECT_EQ(std::string(rules->next->days).size(), kDaysSize - 1);
}

TEST(ReaderCommands, IfElsifElseNesting) {
    CommandListPtr rules = MustParse(
        "if true { if false { keep; } } elsif spamtest { discard; } else { stop; }");
    ASSERT_NE(rules, nullptr);
    const SieveCommand* outer = rules.get();
    EXPECT_EQ(outer->kind, CommandKind::If);
    const SieveCommand* inner = outer->thenBlock;
    EXPECT_EQ(inner->kind, CommandKind::If);
    EXPECT_EQ(inner->parent, outer);
    EXPECT_EQ(inner->thenBlock->parent, inner);
    const SieveCommand* elsif = outer->elseBlock;
    ASSERT_NE(elsif, nullptr);
    EXPECT_EQ(elsif->kind, CommandKind::If);
    EXPECT_EQ(elsif->next, nullptr) << "an elsif is the sole member of the else block";
    EXPECT_EQ(elsif->parent, outer);
    EXPECT_EQ(elsif->test->kind, TestKind::Spamtest);
    EXPECT_EQ(elsif->thenBlock->kind, CommandKind::Discard);
    EXPECT_EQ(elsif->elseBlock->kind, CommandKind::Stop);
    EXPECT_EQ(elsif->elseBlock->parent, elsif);
}

TEST(ReaderCommands, EmptyBlockHoldsOneCommandOfKindNone) {
    CommandListPtr rules = MustParse("if true {} else { }");
    ASSERT_NE(rules, nullptr);
    ASSERT_NE(rules->thenBlock, nullptr);
    EXPECT_EQ(rules->thenBlock->kind, CommandKind::None);
    EXPECT_EQ(rules->thenBlock->next, nullptr);
    EXPECT_EQ(rules->thenBlock->parent, rules.get());
    EXPECT_EQ(rules->elseBlock->kind, CommandKind::None);
}

TEST(ReaderCommands, EmptyTextIsAnEmptyList) {
    for (const char* empty : {"", "  \n\t\n", "/* only a comment */", "#!1 Name\n"}) {
        ParseOutcome outcome = ReadScript(empty);
        EXPECT_TRUE(outcome.ok) << empty;
        EXPECT_EQ(outcome.commands, nullptr) << empty;
    }
}

TEST(ReaderTests, NotVoidTrueFalseSpamtest) {
    CommandListPtr rules = MustParse(
        "if not not true {keep;} if not false {keep;} if void {keep;} if not void {keep;}"
        "if SpamTest {keep;}");
    ASSERT_NE(rules, nullptr);
    EXPECT_EQ(rules->test->kind, TestKind::True);
    EXPECT_EQ(rules->test->negated, 0);
    EXPECT_EQ(rules->next->test->kind, TestKind::False);
    EXPECT_EQ(rules->next->test->negated, 1);
    EXPECT_EQ(rules->next->next->test, nullptr);
    EXPECT_EQ(rules->next->next->next->test, nullptr);
    EXPECT_EQ(rules->next->next->next->next->test->kind, TestKind::Spamtest);
}

TEST(ReaderTests, SizeLimitsAndDirections) {
    CommandListPtr rules = MustParse(
        "if size :over 100K {keep;} if size :UNDER 10 {keep;} if size :over 2G {keep;}");
    ASSERT_NE(rules, nullptr);
    EXPECT_EQ(rules->test->sizeUnder, 0);
    EXPECT_EQ(rules->test->sizeLimit, 102400);
    EXPECT_EQ(rules->next->test->sizeUnder, 1);
    EXPECT_EQ(rules->next->test->sizeLimit, 10);
    EXPECT_EQ(static_cast<std::uint32_t>(rules->next->next->test->sizeLimit), 2u << 30);
}

TEST(ReaderTests, AddressAndHeaderTags) {
    CommandListPtr rules = MustParse(
        "if address :localpart :matches :comparator \"i;octet\" [\"From\", \"Sender\"] \"a*\" {keep;}\n"
        "if address \"To\" \"x\" {keep;}\n"
        "if header :contains :comparator \"i;ascii-casemap\" \"Subject\" [\"a\", \"b\", \"c\"] {keep;}\n"
        "if address :is :domain \"Cc\" \"d\" {keep;}\n");
    ASSERT_NE(rules, nullptr);
    const SieveTest* test = rules->test;
    EXPECT_EQ(test->kind, TestKind::Address);
    EXPECT_EQ(test->addressPart, AddressPart::Localpart);
    EXPECT_EQ(test->matchType, MatchType::Matches);
    EXPECT_EQ(test->octetComparator, 1);
    EXPECT_EQ(Texts(test->headers), (std::vector<std::string>{"From", "Sender"}));
    EXPECT_EQ(Texts(test->keys), (std::vector<std::string>{"a*"}));
    test = rules->next->test;
    EXPECT_EQ(test->addressPart, AddressPart::All);
    EXPECT_EQ(test->matchType, MatchType::Is);
    EXPECT_EQ(test->octetComparator, 0);
    test = rules->next->next->test;
    EXPECT_EQ(test->kind, TestKind::Header);
    EXPECT_EQ(test->matchType, MatchType::Contains);
    EXPECT_EQ(test->octetComparator, 0);
    EXPECT_EQ(Texts(test->keys), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(rules->next->next->next->test->addressPart, AddressPart::Domain);
}

TEST(ReaderTests, ExistsAllofAnyof) {
    CommandListPtr rules = MustParse(
        "if allof (exists [\"X-A\", \"X-B\"], anyof (true, false)) {keep;}\n"
        "if anyof true {keep;}\n"
        "if allof (void, true) {keep;}\n");
    ASSERT_NE(rules, nullptr);
    const SieveTest* test = rules->test;
    EXPECT_EQ(test->kind, TestKind::Allof);
    EXPECT_EQ(test->children->kind, TestKind::Exists);
    EXPECT_EQ(Texts(test->children->headers), (std::vector<std::string>{"X-A", "X-B"}));
    EXPECT_EQ(test->children->next->kind, TestKind::Anyof);
    EXPECT_EQ(test->children->next->children->next->kind, TestKind::False);
    EXPECT_EQ(rules->next->test->children->kind, TestKind::True) << "a single test as list";
    EXPECT_EQ(rules->next->test->children->next, nullptr);
    EXPECT_EQ(rules->next->next->test->children->kind, TestKind::True) << "void adds nothing";
    EXPECT_EQ(rules->next->next->test->children->next, nullptr);
}

}  // namespace
}  // namespace velor::rules
