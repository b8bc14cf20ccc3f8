#include <gtest/gtest.h>

#include <cstring>

#include "contave/LIB/contact_attribute.h"
#include "contave/LIB/tests/test_support.h"

namespace contave {
namespace {

TEST(ContactAttribute, ValuesByIndexFirstAndCount) {
  ContactAttribute attribute("surname");
  EXPECT_EQ(attribute.First(), "");
  EXPECT_EQ(attribute.Value(0), nullptr);
  attribute.Append("one");
  attribute.Append("two");
  EXPECT_EQ(attribute.Count(), 2u);
  EXPECT_EQ(attribute.First(), "one");
  ASSERT_NE(attribute.Value(1), nullptr);
  EXPECT_EQ(*attribute.Value(1), "two");
  EXPECT_EQ(attribute.Value(2), nullptr);
  attribute.Clear();
  EXPECT_EQ(attribute.Count(), 0u);
}

TEST(ContactAttribute, SettingTheOnlyValueTwiceIsAnInternalFailure) {
  test::CatchInternalFailures catcher;
  ContactAttribute attribute(0x3001001Eu);
  attribute.SetOnly("first");
  EXPECT_EQ(attribute.Tag(), 0x3001001Eu);
  try {
    attribute.SetOnly("second");
    FAIL() << "no internal failure";
  } catch (const test::InternalFailureSeen& seen) {
    EXPECT_EQ(seen.moduleName, "STRCONT");
  }
  EXPECT_EQ(attribute.Count(), 1u);
}

TEST(ContactAttribute, DirectoryValuesAreConvertedBothWays) {
  const char* fromServer[] = {"J\xC3\xB6rg", "plain", nullptr};
  ContactAttribute attribute("givenName");
  attribute.TakeDirectoryValues(fromServer);
  ASSERT_EQ(attribute.Count(), 2u);
  EXPECT_EQ(attribute.First(), "J\xF6rg");

  DirectoryValues out = attribute.BuildDirectoryValues();
  ASSERT_EQ(out.Count(), 2u);
  EXPECT_STREQ(out.Values()[0], "J\xC3\xB6rg");
  EXPECT_STREQ(out.Values()[1], "plain");
  EXPECT_EQ(out.Values()[2], nullptr);
}

TEST(ContactAttribute, MultiValuesAreIndependentCopies) {
  char first[] = "a@example.org";
  const char* strings[] = {first, "b@example.org"};
  ContactAttribute attribute(0x3A56101Eu);
  attribute.TakeMultiValue({2, strings});
  first[0] = 'x';
  EXPECT_EQ(attribute.First(), "a@example.org");

  MvString8 built = attribute.BuildMultiValue();
  ASSERT_EQ(built.Count(), 2u);
  EXPECT_STREQ(built.Strings()[1], "b@example.org");
  built.Strings()[0][0] = 'z';
  EXPECT_EQ(attribute.First(), "a@example.org");

  ContactAttribute copy("email");
  copy.CopyValuesFrom(attribute);
  attribute.Clear();
  EXPECT_EQ(copy.Count(), 2u);
}

TEST(ContactAttribute, NullStringsAreInternalFailures) {
  test::CatchInternalFailures catcher;
  const char* strings[] = {"a", nullptr};
  ContactAttribute attribute("email");
  EXPECT_THROW(attribute.TakeMultiValue({2, strings}), test::InternalFailureSeen);
  EXPECT_THROW(attribute.TakeDirectoryValues(nullptr), test::InternalFailureSeen);
}

TEST(ContactAttribute, FindsByNameWithoutRegardToCaseAndKeepsTheMark) {
  AttributeList list;
  list.emplace_back("commonName");
  list.emplace_back("workPhone");
  list[1].SetMark(ChangeMark::kReplace);
  ContactAttribute* found = FindAttribute(list, "WORKPHONE");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->Name(), "workPhone");
  EXPECT_EQ(found->Mark(), ChangeMark::kReplace);
  EXPECT_EQ(FindAttribute(list, "workPhon"), nullptr);
}

}  // namespace
}  // namespace contave
