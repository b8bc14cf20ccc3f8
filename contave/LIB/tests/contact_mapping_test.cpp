#include <gtest/gtest.h>

#include "contave/LIB/contact_mapping.h"
#include "contave/LIB/mapi_tags.h"
#include "contave/LIB/tests/test_support.h"

namespace contave {
namespace {

using Strings = std::vector<std::string>;

ContactAttribute Attribute(const char* name, Strings values) {
  ContactAttribute attribute(name);
  for (const std::string& value : values) attribute.Append(value);
  return attribute;
}

const ContactAttribute& Find(const AttributeList& list, const char* name) {
  const ContactAttribute* attribute = FindAttribute(list, name);
  if (attribute == nullptr) throw std::runtime_error(std::string("missing ") + name);
  return *attribute;
}

// Directory to address book -------------------------------------------------------------

TEST(DirectoryToAddressBook, DefaultFoundInTheListKeepsTheListsSpelling) {
  AttributeList server = {Attribute("defaultEmail", {"b@example.org"}),
                          Attribute("email", {"a@example.org", "B@EXAMPLE.ORG"})};
  test::MemoryPropertyBag local;
  ASSERT_EQ(WriteDirectoryToAddressBook(server, local), kOk);
  EXPECT_EQ(local.Strings(kPrContactEmailAddresses), (Strings{"a@example.org", "B@EXAMPLE.ORG"}));
  EXPECT_EQ(local.Long(kPrContactDefaultAddressIndex), 1);
  EXPECT_EQ(local.String(kPrEmailAddress), "B@EXAMPLE.ORG");
  EXPECT_EQ(local.String(kPrAddrType), "SMTP");
  EXPECT_EQ(local.Strings(kPrContactAddrTypes), (Strings{"SMTP", "SMTP"}));
  EXPECT_EQ(local.saves, 1);
  // The five e-mail properties go in one call, after one call per ordinary row.
  EXPECT_EQ(local.setSizes.back(), 5u);
}

TEST(DirectoryToAddressBook, DefaultMissingFromTheListIsAppended) {
  AttributeList server = {Attribute("defaultEmail", {"c@example.org"}), Attribute("email", {"a@example.org"})};
  test::MemoryPropertyBag local;
  ASSERT_EQ(WriteDirectoryToAddressBook(server, local), kOk);
  EXPECT_EQ(local.Strings(kPrContactEmailAddresses), (Strings{"a@example.org", "c@example.org"}));
  EXPECT_EQ(local.Long(kPrContactDefaultAddressIndex), 1);
  EXPECT_EQ(local.String(kPrEmailAddress), "c@example.org");
}

TEST(DirectoryToAddressBook, ListWithoutDefaultTakesTheFirst) {
  AttributeList server = {Attribute("email", {"x@example.org", "y@example.org"})};
  test::MemoryPropertyBag local;
  ASSERT_EQ(WriteDirectoryToAddressBook(server, local), kOk);
  EXPECT_EQ(local.Long(kPrContactDefaultAddressIndex), 0);
  EXPECT_EQ(local.String(kPrEmailAddress), "x@example.org");
}

TEST(DirectoryToAddressBook, NoAddressesRemovesAllFiveProperties) {
  test::MemoryPropertyBag local;
  local.properties[kPrEmailAddress] = {kPrEmailAddress, std::string("old@example.org")};
  local.properties[kPrAddrType] = {kPrAddrType, std::string("SMTP")};
  local.properties[kPrContactEmailAddresses] = {kPrContactEmailAddresses, Strings{"old@example.org"}};
  local.properties[kPrContactDefaultAddressIndex] = {kPrContactDefaultAddressIndex, std::int32_t{0}};
  local.properties[kPrContactAddrTypes] = {kPrContactAddrTypes, Strings{"SMTP"}};
  AttributeList server = {Attribute("commonName", {"Ann"}), Attribute("email", {})};
  ASSERT_EQ(WriteDirectoryToAddressBook(server, local), kOk);
  EXPECT_FALSE(local.Has(kPrEmailAddress));
  EXPECT_FALSE(local.Has(kPrAddrType));
  EXPECT_FALSE(local.Has(kPrContactEmailAddresses));
  EXPECT_FALSE(local.Has(kPrContactDefaultAddressIndex));
  EXPECT_FALSE(local.Has(kPrContactAddrTypes));
  EXPECT_EQ(local.saves, 1);
}

TEST(DirectoryToAddressBook, OrdinaryRowsAreSetOrDeleted) {
  test::MemoryPropertyBag local;
  local.properties[kPrComment] = {kPrComment, std::string("stale")};
  local.properties[0x3A08001E] = {0x3A08001E, std::string("old phone")};
  AttributeList server = {Attribute("commonName", {"Ann Lee", "ignored second"}), Attribute("workPhone", {}),
                          Attribute("SURNAME", {"Lee"})};
  ASSERT_EQ(WriteDirectoryToAddressBook(server, local), kOk);
  EXPECT_EQ(local.String(kPrDisplayName), "Ann Lee");
  EXPECT_EQ(local.String(0x3A11001E), "Lee");          // names compared without regard to case
  EXPECT_EQ(local.String(0x3A08001E), "");             // present without values: the empty string
  EXPECT_FALSE(local.Has(kPrComment));
  EXPECT_EQ(local.setCalls + local.deleteCalls, 29 + 1);  // one call per ordinary row, one for e-mail
}

// Address book to directory -------------------------------------------------------------

TEST(AddressBookToDirectory, SingleAddressBecomesListAndDefault) {
  test::MemoryPropertyBag local;
  local.properties[kPrEmailAddress] = {kPrEmailAddress, std::string("only@example.org")};
  AttributeList server;
  ASSERT_EQ(BuildDirectoryChanges(local, server), kOk);
  const ContactAttribute& email = Find(server, "email");
  EXPECT_EQ(email.Values(), Strings{"only@example.org"});
  EXPECT_EQ(email.Mark(), ChangeMark::kAdd);
  EXPECT_EQ(Find(server, "defaultEmail").Values(), Strings{"only@example.org"});
}

TEST(AddressBookToDirectory, DefaultIndexOutsideTheListMeansTheFirstAddress) {
  for (std::int32_t index : {5, 2, -1}) {
    test::MemoryPropertyBag local;
    local.properties[kPrContactEmailAddresses] = {kPrContactEmailAddresses, Strings{"a@example.org", "b@example.org"}};
    local.properties[kPrContactDefaultAddressIndex] = {kPrContactDefaultAddressIndex, index};
    local.properties[kPrEmailAddress] = {kPrEmailAddress, std::string("b@example.org")};
    AttributeList server = {Attribute("defaultEmail", {"old@example.org"})};
    ASSERT_EQ(BuildDirectoryChanges(local, server), kOk) << index;
    const ContactAttribute& defaultEmail = Find(server, "defaultEmail");
    EXPECT_EQ(defaultEmail.Values(), Strings{"a@example.org"}) << index;
    EXPECT_EQ(defaultEmail.Mark(), ChangeMark::kReplace);
  }
}

TEST(AddressBookToDirectory, DefaultIndexInsideTheListPicksItsAddress) {
  test::MemoryPropertyBag local;
  local.properties[kPrContactEmailAddresses] = {kPrContactEmailAddresses, Strings{"a@example.org", "b@example.org"}};
  local.properties[kPrContactDefaultAddressIndex] = {kPrContactDefaultAddressIndex, std::int32_t{1}};
  AttributeList server;
  ASSERT_EQ(BuildDirectoryChanges(local, server), kOk);
  EXPECT_EQ(Find(server, "defaultEmail").Values(), Strings{"b@example.org"});
  EXPECT_EQ(Find(server, "email").Values(), (Strings{"a@example.org", "b@example.org"}));
}

TEST(AddressBookToDirectory, MissingPropertiesLeaveServerAttributesMarkedForDeletion) {
  test::MemoryPropertyBag local;
  local.properties[kPrDisplayName] = {kPrDisplayName, std::string("Ann Lee")};
  AttributeList server = {Attribute("commonName", {"Ann"}), Attribute("comment", {"met at the fair"}),
                          Attribute("email", {"ann@example.org"}), Attribute("defaultEmail", {"ann@example.org"})};
  ASSERT_EQ(BuildDirectoryChanges(local, server), kOk);
  EXPECT_EQ(Find(server, "commonName").Mark(), ChangeMark::kReplace);
  EXPECT_EQ(Find(server, "commonName").Values(), Strings{"Ann Lee"});
  EXPECT_EQ(Find(server, "comment").Mark(), ChangeMark::kDelete);
  EXPECT_EQ(Find(server, "email").Mark(), ChangeMark::kDelete);
  EXPECT_EQ(Find(server, "defaultEmail").Mark(), ChangeMark::kDelete);
  EXPECT_EQ(server.size(), 4u);
}

TEST(AddressBookToDirectory, NewAttributesAreAddedInRowOrder) {
  test::MemoryPropertyBag local;
  local.properties[kPrComment] = {kPrComment, std::string("note")};
  local.properties[kPrDisplayName] = {kPrDisplayName, std::string("Bo")};
  AttributeList server;
  ASSERT_EQ(BuildDirectoryChanges(local, server), kOk);
  ASSERT_EQ(server.size(), 2u);
  EXPECT_EQ(server[0].Name(), "commonName");
  EXPECT_EQ(server[1].Name(), "comment");
  EXPECT_EQ(server[1].Mark(), ChangeMark::kAdd);
}

TEST(AddressBookToDirectory, ReadErrorsOtherThanNotFoundEndTheOperation) {
  const Status diskError = MakeStatus(0x80040116);
  for (std::uint32_t tag : {kPrComment, kPrContactEmailAddresses, kPrEmailAddress, kPrContactDefaultAddressIndex}) {
    test::MemoryPropertyBag local;
    local.properties[kPrContactEmailAddresses] = {kPrContactEmailAddresses, Strings{"a@example.org"}};
    local.failures[tag] = diskError;
    AttributeList server;
    EXPECT_EQ(BuildDirectoryChanges(local, server), diskError) << std::hex << tag;
  }
}

TEST(AddressBookToDirectory, ValueOfTheWrongTypeIsRefused) {
  test::MemoryPropertyBag local;
  local.properties[kPrComment] = {kPrComment, std::int32_t{7}};
  AttributeList server;
  EXPECT_EQ(BuildDirectoryChanges(local, server), kMapiInvalidType);
}

TEST(Mapping, RoundTripKeepsEveryValue) {
  AttributeList server = {Attribute("commonName", {"Ann Lee"}), Attribute("mobile", {"+1 555"}),
                          Attribute("email", {"a@example.org", "b@example.org"}),
                          Attribute("defaultEmail", {"B@example.org"})};
  test::MemoryPropertyBag local;
  ASSERT_EQ(WriteDirectoryToAddressBook(server, local), kOk);
  AttributeList back;
  ASSERT_EQ(BuildDirectoryChanges(local, back), kOk);
  EXPECT_EQ(Find(back, "commonName").Values(), Strings{"Ann Lee"});
  EXPECT_EQ(Find(back, "mobile").Values(), Strings{"+1 555"});
  EXPECT_EQ(Find(back, "email").Values(), (Strings{"a@example.org", "b@example.org"}));
  EXPECT_EQ(Find(back, "defaultEmail").Values(), Strings{"b@example.org"});
}

}  // namespace
}  // namespace contave
