#include "core/description.h"

#include <gtest/gtest.h>

namespace oestand {
namespace {

std::optional<std::string> Env(const std::string& name) {
  if (name == "PORT") return std::string("1143");
  return std::nullopt;
}

TEST(Description, ReadsProgramIdentityAndAccounts) {
  Description d;
  std::string error;
  ASSERT_TRUE(ParseDescription("# comment\n[outlook-express]\ninstall-root = C:\\OE\\\ninstall-root-type = sz\n"
                               "app-path = no\nmail-client = both\n"
                               "[identity]\nid = {1}\nname = Work\n"
                               "[account]\nname = A\ntype = imap\nserver = h\nport = ${PORT}\nuser = u\n"
                               "password = p w\nvelor-ext = 1\n"
                               "[account]\nkey = 00000009\nname = A\ntype = pop3\nserver = pop\n"
                               "password-blob = 03 04\n",
                               Env, &d, &error))
      << error;
  EXPECT_EQ(*d.installRoot, "C:\\OE\\");
  EXPECT_EQ(d.installRootType, "sz");
  EXPECT_FALSE(d.appPath);
  EXPECT_EQ(d.mailClient, "both");
  EXPECT_EQ(*d.identityId, "{1}");
  EXPECT_EQ(d.identityName, "Work");
  ASSERT_EQ(d.accounts.size(), 2u);
  EXPECT_EQ(d.accounts[0].key, "00000001");
  EXPECT_EQ(*d.accounts[0].port, 1143u);
  EXPECT_EQ(*d.accounts[0].password, "p w");
  EXPECT_EQ(*d.accounts[0].velorExt, 1u);
  EXPECT_FALSE(d.accounts[0].timeout.has_value()) << "values not given stay unset, so they are not written";
  EXPECT_EQ(d.accounts[1].key, "00000009");
  EXPECT_EQ(*d.accounts[1].passwordBlob, "03 04");
  EXPECT_FALSE(d.accounts[1].password.has_value());
}

TEST(Description, WithoutIdentityTheAccountsGoToTheOldKey) {
  Description d;
  std::string error;
  ASSERT_TRUE(ParseDescription("[account]\nname = A\ntype = imap\n", Env, &d, &error)) << error;
  EXPECT_FALSE(d.identityId.has_value());
  EXPECT_FALSE(d.installRoot.has_value());
  EXPECT_EQ(d.installRootType, "expand");
}

TEST(Description, UnknownVariablesExpandToNothing) {
  Description d;
  std::string error;
  ASSERT_TRUE(ParseDescription("[account]\nname = x${NOPE}y\ntype = imap\n", Env, &d, &error)) << error;
  EXPECT_EQ(d.accounts[0].name, "xy");
}

TEST(Description, ErrorsSayWhatAndWhere) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"[accounts]\n", "line 1: unknown section 'accounts'"},
      {"[account]\nname = A\ntype = imap\nprot = 1\n", "line 4: unknown key 'prot'"},
      {"[account]\nport = 12x\n", "line 2: 'port' needs a number, not '12x'"},
      {"[account]\nport = -1\n", "line 2: 'port' needs a number, not '-1'"},
      {"[account]\ntype = smtp\n", "line 2: type is imap or pop3"},
      {"[account]\npassword-blob = 0g\n", "line 2: password-blob needs hexadecimal bytes"},
      {"[account]\npassword-blob = 012\n", "line 2: password-blob needs hexadecimal bytes"},
      {"name = A\n", "line 1: key outside a section"},
      {"[account\n", "line 1: unclosed section header"},
      {"[account]\nname\n", "line 2: expected key = value"},
      {"[account]\nname = ${X\n", "line 2: unclosed ${ in value"},
      {"[outlook-express]\ninstall-root-type = dword\n", "line 2: install-root-type is expand or sz"},
      {"[account]\nname = A\n", "account 1 needs a name and a type"},
      {"[account]\nname = A\ntype = imap\nkey = K\n[account]\nname = B\ntype = imap\nkey = K\n",
       "two accounts with the key 'K'"},
  };
  for (const Case& c : cases) {
    Description d;
    std::string error;
    EXPECT_FALSE(ParseDescription(c.text, Env, &d, &error)) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
}

TEST(Description, HexBytes) {
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(ParseHex("01 02 fF", &bytes));
  EXPECT_EQ(bytes, (std::vector<unsigned char>{1, 2, 255}));
  ASSERT_TRUE(ParseHex("", &bytes));
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(ParseHex("1", &bytes));
}

}  // namespace
}  // namespace oestand
