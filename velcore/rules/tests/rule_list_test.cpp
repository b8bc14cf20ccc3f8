// The rules window's list operations: copy naming, moving and removing in list and vector
// together, and switching a rule with its branches.
#include <gtest/gtest.h>

#include <set>

#include "velcore/rules/RuleList.h"
#include "velcore/rules/SieveWriter.h"
#include "velcore/rules/SizeValue.h"
#include "velcore/rules/TextCompare.h"
#include "velcore/rules/tests/support/ParseHelpers.h"

namespace velor::rules {
namespace {

using testing::MustParse;

std::string Names(const SieveCommand* list) {
    std::string names;
    for (; list != nullptr; list = list->next) names += std::string(list->name) + ";";
    return names;
}

TEST(RuleListOps, CopyNamesCountUpTo127) {
    std::set<std::string> taken;
    auto isTaken = [&taken](const std::string& name) {
        for (const std::string& t : taken)
            if (EqualsIgnoringCase(t, name)) return true;
        return false;
    };
    EXPECT_EQ(CopyName("Spam", "Copy of %s", "Copy (%d) of %s", isTaken), "Copy of Spam");
    taken.insert("copy of spam");
    EXPECT_EQ(CopyName("Spam", "Copy of %s", "Copy (%d) of %s", isTaken), "Copy (2) of Spam");
    for (int n = 2; n <= 126; ++n) taken.insert("Copy (" + std::to_string(n) + ") of Spam");
    EXPECT_EQ(CopyName("Spam", "Copy of %s", "Copy (%d) of %s", isTaken), "Copy (127) of Spam");
    taken.insert("Copy (127) of Spam");
    EXPECT_EQ(CopyName("Spam", "Copy of %s", "Copy (%d) of %s", isTaken), std::nullopt);
    // The name is cut to what the rule keeps.
    std::string longName(127, 'x');
    std::optional<std::string> cut = CopyName(longName, "Copy of %s", "Copy (%d) of %s", isTaken);
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->size(), 127u);
    EXPECT_EQ(cut->rfind("Copy of xxx", 0), 0u);
}

TEST(RuleListOps, ListAndVectorChangeTogether) {
    CommandListPtr owner = MustParse("#!1 A\nkeep;\n#!1 B\nstop;\n#!1 C\ndiscard;\n");
    SieveCommand* head = owner.release();
    RuleList list(&head);
    ASSERT_EQ(list.Size(), 3u);
    list.SwapWithNext(0);
    EXPECT_EQ(Names(head), "B;A;C;");
    list.SwapWithNext(1);
    EXPECT_EQ(Names(head), "B;C;A;");
    SieveCommand* copy = CopyCommand(list.At(0), true);
    SetText(copy->name, "D");
    list.InsertAfter(0, copy);
    EXPECT_EQ(Names(head), "B;D;C;A;");
    EXPECT_EQ(list.FindByName("d"), std::optional<std::size_t>(1));
    EXPECT_EQ(list.FindByName("d", 2), std::nullopt);
    SieveCommand* other = NewCommand(CommandKind::Keep);
    SetText(other->name, "E");
    list.Replace(2, other);
    EXPECT_EQ(Names(head), "B;D;E;A;");
    list.Remove(0);
    list.Remove(2);
    EXPECT_EQ(Names(head), "D;E;");
    list.Append(NewCommand(CommandKind::Stop));
    EXPECT_EQ(list.Size(), 3u);
    EXPECT_EQ(list.At(2), head->next->next);
    FreeCommandList(head);
}

// A notify or vacation rule's name field is its address or subject, never a rule name.
TEST(RuleListOps, NotifyAndVacationHaveNoRuleName) {
    CommandListPtr rules = MustParse("notify :options \"a@b\";\nvacation :subject \"Away\" \"x\";\n#!1 Spam\nkeep;\n");
    EXPECT_FALSE(HasRuleName(rules.get()));
    EXPECT_FALSE(HasRuleName(rules->next));
    EXPECT_TRUE(HasRuleName(rules->next->next));
    SieveCommand* head = rules.get();
    RuleList list(&head);
    EXPECT_EQ(list.FindByName("a@b"), std::nullopt);
    EXPECT_EQ(list.FindByName("SPAM"), std::optional<std::size_t>(2));
}

// Switched off and on again, a rule with an elsif is written as it was read: the branch goes
// with its rule both ways.
TEST(RuleListOps, SwitchingARuleSwitchesItsBranches) {
    const char* script = "#!1 R\nif true \n {\n  keep;\n}\nelsif false \n {\n  stop;\n}\nelse {\n  discard;\n}\n";
    CommandListPtr rules = MustParse(script);
    SetRuleEnabled(rules.get(), false);
    std::string off = WriteScript(rules.get());
    EXPECT_EQ(off, "#!0 R\n# if true \n#  {\n#   keep;\n# }\n#!0 \n# elsif false \n#  {\n#   stop;\n# }\n"
                   "# else {\n#   discard;\n# }\n");
    CommandListPtr back = MustParse(off);
    SetRuleEnabled(back.get(), true);
    EXPECT_EQ(WriteScript(back.get()), script);
}

TEST(SizeValues, OpenedWithTheLargestUnitThatKeepsDigits) {
    EXPECT_EQ(SizeForDialog(20971520).number, 20u);
    EXPECT_EQ(SizeForDialog(20971520).unit, SizeUnit::Megabytes);
    EXPECT_EQ(SizeForDialog(10000).unit, SizeUnit::Bytes);
    EXPECT_EQ(SizeForDialog(15000).number, 14u);
    EXPECT_EQ(SizeForDialog(15000).unit, SizeUnit::Kilobytes);
}

TEST(SizeValues, ReadBackRefusesNonDigitsAndOverflow) {
    std::uint32_t bytes = 7;
    EXPECT_EQ(BytesFromEntry("15", SizeUnit::Kilobytes, bytes), SizeRead::Ok);
    EXPECT_EQ(bytes, 15360u);
    EXPECT_EQ(BytesFromEntry("0", SizeUnit::Bytes, bytes), SizeRead::Ok);
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(BytesFromEntry("1x", SizeUnit::Bytes, bytes), SizeRead::NotDigits);
    EXPECT_EQ(BytesFromEntry("-1", SizeUnit::Bytes, bytes), SizeRead::NotDigits);
    EXPECT_EQ(BytesFromEntry("4095", SizeUnit::Megabytes, bytes), SizeRead::Ok);
    EXPECT_EQ(BytesFromEntry("4096", SizeUnit::Megabytes, bytes), SizeRead::TooLarge);
    EXPECT_EQ(BytesFromEntry("999999", SizeUnit::Megabytes, bytes), SizeRead::TooLarge);
}

TEST(SizeValues, UnchangedEntryKeepsTheOriginalBytes) {
    std::uint32_t bytes = 0;
    EXPECT_EQ(SizeOnOk(15000, "14", SizeUnit::Kilobytes, bytes), SizeRead::Ok);
    EXPECT_EQ(bytes, 15000u);
    EXPECT_EQ(SizeOnOk(15000, "014", SizeUnit::Kilobytes, bytes), SizeRead::Ok);
    EXPECT_EQ(bytes, 15000u);
    EXPECT_EQ(SizeOnOk(15000, "15", SizeUnit::Kilobytes, bytes), SizeRead::Ok);
    EXPECT_EQ(bytes, 15360u);
    EXPECT_EQ(SizeOnOk(15000, "14", SizeUnit::Bytes, bytes), SizeRead::Ok);
    EXPECT_EQ(bytes, 14u);
}

}  // namespace
}  // namespace velor::rules
