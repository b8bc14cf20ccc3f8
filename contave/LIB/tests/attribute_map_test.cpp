#include <gtest/gtest.h>

#include <set>
#include <string>

#include "contave/LIB/attribute_map.h"
#include "contave/LIB/mapi_tags.h"
#include "contave/LIB/tests/test_support.h"

namespace contave {
namespace {

TEST(AttributeMap, HasThirtyOneRowsWithUniqueNamesAndTagsOfStringTypes) {
  ASSERT_EQ(AttributeMap::Count(), 31u);
  std::set<std::string> names;
  std::set<std::uint32_t> tags;
  int multiValued = 0;
  for (std::size_t i = 0; i < AttributeMap::Count(); ++i) {
    const AttributeRow& row = AttributeMap::Row(i);
    names.insert(row.name);
    tags.insert(row.tag);
    EXPECT_EQ(PropType(row.tag), row.multiValued ? kPtMvString8 : kPtString8) << row.name;
    multiValued += row.multiValued ? 1 : 0;
  }
  EXPECT_EQ(names.size(), 31u);
  EXPECT_EQ(tags.size(), 31u);
  EXPECT_EQ(multiValued, 1);
}

TEST(AttributeMap, KeepsTheTableOrder) {
  // The directory is asked for the attributes in row order, so the order is part of the contract.
  const char* expected[31] = {"commonName",  "surname",    "givenName",  "middleName",  "titleBefore", "nickName",
                              "workStreet",  "workLocality", "workState", "workZip",     "workCountry", "workPhone",
                              "workFax",     "workUrl",    "company",    "department",  "roomNumber",  "position",
                              "homeStreet",  "homeLocality", "homeState", "homeZip",     "homeCountry", "homePhone",
                              "homeFax",     "homeUrl",    "pager",      "mobile",      "defaultEmail", "email",
                              "comment"};
  for (std::size_t i = 0; i < 31; ++i) EXPECT_STREQ(AttributeMap::Row(i).name, expected[i]) << i;
  EXPECT_EQ(AttributeMap::Row(0).tag, 0x3001001Eu);
  EXPECT_EQ(AttributeMap::Row(13).tag, 0x3A51001Eu);
  EXPECT_EQ(AttributeMap::Row(27).tag, 0x3A1C001Eu);
  EXPECT_EQ(AttributeMap::Row(30).tag, 0x3004001Eu);
}

TEST(AttributeMap, FindsTheEmailRowsByRole) {
  const AttributeRow* list = AttributeMap::RowByRole(AttributeRole::kEmailList);
  ASSERT_NE(list, nullptr);
  EXPECT_STREQ(list->name, "email");
  EXPECT_EQ(list->tag, 0x3A56101Eu);
  EXPECT_TRUE(list->multiValued);
  const AttributeRow* single = AttributeMap::RowByRole(AttributeRole::kDefaultEmail);
  ASSERT_NE(single, nullptr);
  EXPECT_STREQ(single->name, "defaultEmail");
  EXPECT_EQ(single->tag, 0x3003001Eu);
  EXPECT_EQ(AttributeMap::RowByRole(static_cast<AttributeRole>(3)), nullptr);
}

TEST(AttributeMap, OrdinaryRoleAndIndexPastTheEndAreInternalFailures) {
  test::CatchInternalFailures catcher;
  try {
    AttributeMap::RowByRole(AttributeRole::kOrdinary);
    FAIL() << "no internal failure";
  } catch (const test::InternalFailureSeen& seen) {
    EXPECT_EQ(seen.moduleName, "CFG");
    EXPECT_GT(seen.line, 0);
  }
  EXPECT_THROW(AttributeMap::Row(31), test::InternalFailureSeen);
}

}  // namespace
}  // namespace contave
