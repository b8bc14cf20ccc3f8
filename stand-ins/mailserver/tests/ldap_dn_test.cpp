// DN reading, writing and comparison: the directory finds entries by folded keys, so the
// parser's handling of escapes, spaces and letter case decides what a client can reach.
#include <gtest/gtest.h>

#include "ldap/dn.h"

namespace velor::mailserver::ldap {
namespace {

TEST(LdapDn, ParsesEscapesQuotesAndBothSeparators) {
  const auto dn = parseDn(R"(cn=1A , fn=Smith\, John\2C Jr.;fn = "a,b" ,fn=ContactRoot)");
  ASSERT_TRUE(dn);
  ASSERT_EQ(dn->size(), 4u);
  EXPECT_EQ((*dn)[0].type, "cn");
  EXPECT_EQ((*dn)[0].value, "1A");
  EXPECT_EQ((*dn)[1].value, "Smith, John, Jr.");
  EXPECT_EQ((*dn)[2].value, "a,b");
  EXPECT_EQ((*dn)[3].value, "ContactRoot");
  EXPECT_EQ(parseDn(R"(fn=trailing\ )")->front().value, "trailing ");
  EXPECT_TRUE(parseDn("")->empty());
  EXPECT_FALSE(parseDn("cn=a+sn=b,fn=x"));
  EXPECT_FALSE(parseDn("fn=x,,fn=y"));
  EXPECT_FALSE(parseDn("=x"));
  EXPECT_FALSE(parseDn("fn=x\\"));
}

TEST(LdapDn, FormatsWhatParsesBack) {
  const Dn dn{{"fn", " Sales, \"East\" #1 "}, {"fn", "#public"}, {"fn", "Übersicht"}};
  const std::string text = formatDn(dn);
  EXPECT_EQ(text, R"(fn=\ Sales\, \"East\" #1\ ,fn=\#public,fn=Übersicht)");
  const auto back = parseDn(text);
  ASSERT_TRUE(back);
  for (std::size_t i = 0; i < dn.size(); ++i) EXPECT_EQ((*back)[i].value, dn[i].value);
}

TEST(LdapDn, KeysIgnoreCaseInTypesAndValuesAcrossScripts) {
  EXPECT_EQ(rdnKey("FN", "ContactRoot"), rdnKey("fn", "contactroot"));
  EXPECT_EQ(rdnKey("fn", "ÜBERSICHT Čísla"), rdnKey("fn", "übersicht  čísla "));
  EXPECT_EQ(rdnKey("fn", "ΑΘΗΝΑ Москва"), rdnKey("fn", "αθηνα москва"));
  EXPECT_EQ(rdnKey("fn", "ŸŁŽ"), rdnKey("fn", "ÿłž"));
  EXPECT_NE(rdnKey("fn", "Contacts"), rdnKey("cn", "Contacts"));
  EXPECT_NE(rdnKey("fn", "Ů"), rdnKey("fn", "U"));
}

}  // namespace
}  // namespace velor::mailserver::ldap
