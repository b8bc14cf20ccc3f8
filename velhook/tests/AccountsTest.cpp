// Outlook Express's accounts read under Wine, as the stand-in's tool writes them: the identity's
// accounts key and the fallbacks, finding by exact name, listing, the settings with the password
// from the store, and "Velor Ext".
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/host_fixture.h"
#include "velhook/Accounts_win32.h"

namespace velor::velhook::testing {
namespace {

using oestand::testing::Seed;

constexpr char kIdentity[] = "[identity]\nid = {6A1B2C3D-0000-4000-8000-00000000AC18}\nname = Accounts Test\n";

std::string Accounts() {
    return "[account]\nname = Velor (anna)\ntype = pop3\nserver = pop.example\nuser = anna.pop\npassword = pop\n"
           "[account]\nname = Velor (anna)\ntype = imap\nserver = imap.example\nport = 993\nuser = anna\n"
           "password = s3cret\ntimeout = 75\nsecure = 1\nspa = 1\nvelor-ext = 1\n"
           "[account]\nname = Plain\ntype = imap\nserver = plain.example\nuser = plain\n"
           "[account]\nname = No User\ntype = imap\nserver = nouser.example\nvelor-ext = 1\n"
           "[account]\nname = Bad Reference\ntype = imap\nserver = bad.example\nuser = bad\npassword-blob = 03 04\n"
           "velor-ext = 0\n";
}

class AccountsTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const std::string& d : installed_) Seed("remove", d);
    }
    void Install(const std::string& description) {
        ASSERT_TRUE(Seed("install", description));
        installed_.push_back(description);
    }
    std::vector<std::string> installed_;
};

void ExpectAnnaImap(HKEY key) {
    std::unique_ptr<AccountSettings> s;
    ASSERT_EQ(ReadAccountSettings(key, &s), S_OK);
    EXPECT_EQ(s->host.str(), "imap.example");
    EXPECT_EQ(s->user.str(), "anna");
    EXPECT_EQ(s->password.str(), "s3cret");
    EXPECT_EQ(s->port, 993u);
    EXPECT_EQ(s->timeoutSeconds, 75u);
    EXPECT_EQ(s->useSsl, 1);
    EXPECT_EQ(s->useSpa, 1);
    EXPECT_EQ(s->rememberPassword, 0);
}

TEST_F(AccountsTest, IdentityAccountsAreFoundByExactNameAndRead) {
    Install(std::string(kIdentity) + Accounts());
    DWORD enabled = 7;
    RegistryKey key;
    ASSERT_TRUE(FindAccount("Velor (anna)", &enabled, &key)) << "the POP3 account of that name hides the IMAP one";
    EXPECT_EQ(enabled, 1u);
    ExpectAnnaImap(key.get());
    EXPECT_FALSE(FindAccount("velor (anna)", nullptr, nullptr)) << "names differing in case matched";
    EXPECT_FALSE(FindAccount("Velor", nullptr, nullptr));

    RegistryKey plain;
    ASSERT_TRUE(FindAccount("Plain", &enabled, &plain));
    EXPECT_EQ(enabled, 0u) << "no Velor Ext reads as 0";
    std::unique_ptr<AccountSettings> s;
    ASSERT_EQ(ReadAccountSettings(plain.get(), &s), S_OK);
    EXPECT_EQ(s->port, 143u);
    EXPECT_EQ(s->timeoutSeconds, 30u);
    EXPECT_EQ(s->useSsl, 0);
    EXPECT_TRUE(s->password.empty());

    RegistryKey bad;
    ASSERT_TRUE(FindAccount("Bad Reference", nullptr, &bad));
    ASSERT_EQ(ReadAccountSettings(bad.get(), &s), S_OK) << "a bad password reference is no failure";
    EXPECT_EQ(s->user.str(), "bad");
    EXPECT_TRUE(s->password.empty());

    EXPECT_EQ(ReadAccountSettings(nullptr, &s), E_INVALIDARG);
}

TEST_F(AccountsTest, ListingNeedsAUserNameAndEnabledWhenAsked) {
    Install(std::string(kIdentity) + Accounts());
    std::vector<AccountEntry> list(1);
    ListAccounts(&list, false);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].name, "Velor (anna)");
    EXPECT_EQ(list[0].server, "imap.example");
    EXPECT_EQ(list[0].user, "anna");
    EXPECT_EQ(list[1].name, "Plain");
    EXPECT_EQ(list[2].name, "Bad Reference");
    EXPECT_TRUE(list[2].key);
    ListAccounts(&list, true);
    ASSERT_EQ(list.size(), 1u) << "\"No User\" is enabled but has no user name";
    EXPECT_EQ(list[0].name, "Velor (anna)");
    EXPECT_TRUE(FindAccount("No User", nullptr, nullptr)) << "found by name all the same";

    // Switching the extension on for an account shows in the next listing.
    RegistryKey plain;
    ASSERT_TRUE(FindAccount("Plain", nullptr, &plain));
    ASSERT_EQ(SetAccountEnabled(plain.get(), true), S_OK);
    ListAccounts(&list, true);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].name, "Plain");
    DWORD enabled = 0;
    ASSERT_TRUE(FindAccount("Plain", &enabled, nullptr));
    EXPECT_EQ(enabled, 1u);
    ASSERT_EQ(SetAccountEnabled(plain.get(), false), S_OK);
    ASSERT_TRUE(FindAccount("Plain", &enabled, nullptr));
    EXPECT_EQ(enabled, 0u);
}

TEST_F(AccountsTest, WithoutIdentitiesTheUsersOwnAccountsKeyServes) {
    Install(Accounts());
    RegistryKey key;
    ASSERT_TRUE(FindAccount("Velor (anna)", nullptr, &key));
    ExpectAnnaImap(key.get());
}

TEST_F(AccountsTest, AnIdentityWithoutAccountsFallsBack) {
    Install(Accounts());
    // The identity exists and is the last user, but has no accounts below it.
    HKEY identities;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Identities\\{6A1B2C3D-0000-4000-8000-00000000AD18}", 0, nullptr, 0,
                              KEY_WRITE, nullptr, &identities, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(identities);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Identities", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &identities, nullptr),
              ERROR_SUCCESS);
    char saved[MAX_PATH] = {};
    DWORD size = sizeof saved, type = 0;
    bool hadLast = RegQueryValueExA(identities, "Last User ID", nullptr, &type, reinterpret_cast<BYTE*>(saved), &size) == ERROR_SUCCESS;
    const char id[] = "{6A1B2C3D-0000-4000-8000-00000000AD18}";
    RegSetValueExA(identities, "Last User ID", 0, REG_SZ, reinterpret_cast<const BYTE*>(id), sizeof id);
    RegistryKey key;
    bool found = FindAccount("Velor (anna)", nullptr, &key);
    if (found) ExpectAnnaImap(key.get());
    if (hadLast) RegSetValueExA(identities, "Last User ID", 0, type, reinterpret_cast<BYTE*>(saved), size);
    else RegDeleteValueA(identities, "Last User ID");
    RegDeleteKeyA(identities, id);
    RegCloseKey(identities);
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace velor::velhook::testing
