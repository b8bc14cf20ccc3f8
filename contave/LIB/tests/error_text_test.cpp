#include <gtest/gtest.h>

#include "contave/LIB/error_text.h"

namespace contave {
namespace {

TEST(ErrorText, OwnCodes) {
  EXPECT_EQ(ErrorText(kCveLdapInit), "Can't initialize LDAP library");
  EXPECT_EQ(ErrorText(kCveStatusCorrupted), "Status file corrupted");
  EXPECT_EQ(ErrorText(kCveInconsistentStatus), "Inconsistent synchronization status");
}

TEST(ErrorText, AddressBookCodesIncludingTheirWarnings) {
  EXPECT_EQ(ErrorText(MakeStatus(0x8004010F)), "MAPI: Object not found");
  EXPECT_EQ(ErrorText(MakeStatus(0x00040380)), "MAPI: Errors returned");
  EXPECT_EQ(ErrorText(MakeStatus(0x8004060B)), "MAPI: Folder cycle");
  EXPECT_EQ(ErrorText(MakeStatus(0x80040604)), "MAPI: Collision");
}

TEST(ErrorText, SystemErrorGetsTheSystemsTextNotAnAddressBookText) {
  const Status accessDenied = MakeStatus(0x80070005);
  const std::optional<std::string> text = ErrorText(accessDenied);
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(text, SystemErrorText(accessDenied));
  EXPECT_NE(text->rfind("MAPI:", 0), 0u);
  EXPECT_NE(text->find("denied"), std::string::npos) << *text;
}

TEST(ErrorText, DirectoryCodesGetTheLibrarysText) {
  EXPECT_EQ(ErrorText(MakeStatus(0x80720031)), "Invalid credentials");
  EXPECT_EQ(ErrorText(MakeStatus(0x8072FFFF)), "Can't contact LDAP server");
  EXPECT_EQ(ErrorText(MakeStatus(0x80720055)), "Timed out");
  EXPECT_EQ(ErrorText(LdapStatus(85)), LdapErrorText(85));
  ASSERT_TRUE(ErrorText(LdapStatus(85)).has_value());
}

TEST(ErrorText, CodesWithoutTextShowAsHexadecimal) {
  // Facility 0x71 but not one of ours, and facility 4 but not in the table: both go to the system.
  EXPECT_EQ(ErrorText(MakeStatus(0x80710009)), SystemErrorText(MakeStatus(0x80710009)));
  EXPECT_EQ(ErrorText(MakeStatus(0x80040999)), SystemErrorText(MakeStatus(0x80040999)));
  EXPECT_EQ(ErrorTextOrCode(MakeStatus(0xA0FF1234)), "0xa0ff1234");
}

TEST(StatusCodes, SystemErrorsAreWrappedAndNonPositiveNumbersPassed) {
  EXPECT_EQ(StatusBits(SystemStatus(5)), 0x80070005u);
  EXPECT_EQ(StatusBits(SystemStatus(0x12345)), 0x80072345u);
  EXPECT_EQ(SystemStatus(0), 0);
  EXPECT_EQ(SystemStatus(kCveCanceled), kCveCanceled);
  EXPECT_EQ(StatusBits(LdapStatus(49)), 0x80720031u);
}

}  // namespace
}  // namespace contave
