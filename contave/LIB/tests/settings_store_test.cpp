#include <gtest/gtest.h>

#include "contave/LIB/settings_store.h"

namespace contave {
namespace {

constexpr RegistryRoot kUser = RegistryRoot::kCurrentUser;

RegistryValue Raw(std::uint32_t type, std::vector<std::uint8_t> data) { return {type, std::move(data)}; }

class SettingsStoreTest : public ::testing::Test {
 protected:
  void Put(const char* name, const RegistryValue& value) { ASSERT_EQ(registry.Write(kUser, kSettingsKey, name, value), kOk); }
  const RegistryValue* Stored(const char* name) { return registry.Find(kUser, kSettingsKey, name); }
  MemoryRegistry registry;
  SettingsStore store{registry};
};

TEST_F(SettingsStoreTest, DefaultsWithoutAnyValue) {
  const FolderValues folders = store.ReadFolders();
  EXPECT_FALSE(folders.privateEnabled);
  EXPECT_FALSE(folders.publicEnabled);
  EXPECT_EQ(folders.privateLocalFolder, "");
  EXPECT_EQ(folders.privateServerFolder, "fn=Contacts,fn=Personal,fn=ContactRoot");
  EXPECT_EQ(folders.publicServerFolder, "fn=Contacts,fn=Public,fn=ContactRoot");
  const AccountValues account = store.ReadAccount();
  EXPECT_EQ(account.host, "");
  EXPECT_EQ(account.password, "");
  EXPECT_EQ(account.timeLimit, 3u);
  EXPECT_FALSE(account.twoWayPublic);
  EXPECT_TRUE(account.twoWayPrivate);
  EXPECT_FALSE(account.autoConf);
  EXPECT_EQ(account.collisionMethod, 0);
}

TEST_F(SettingsStoreTest, ValuesOfTheWrongTypeOrSizeGiveTheDefault) {
  Put(setting::kHost, RegistryValue::Number(7));                           // a number where text belongs
  Put(setting::kPrivateServerFolder, Raw(kRegExpandSz, {'x', 0}));         // only REG_SZ counts
  Put(setting::kTimeLimit, Raw(kRegDword, {9, 0}));                        // two bytes
  Put(setting::kTwoWayPrivate, Raw(kRegBinary, {0, 0, 0, 0}));             // binary, not a DWORD
  Put(setting::kPublicLocalFolder, RegistryValue::Text(std::string(511, 'a')));  // 512 with its NUL: fits
  Put(setting::kPrivateLocalFolder, RegistryValue::Text(std::string(512, 'b')));  // 513: too long
  const AccountValues account = store.ReadAccount();
  EXPECT_EQ(account.host, "");
  EXPECT_EQ(account.timeLimit, 3u);
  EXPECT_TRUE(account.twoWayPrivate);
  const FolderValues folders = store.ReadFolders();
  EXPECT_EQ(folders.privateServerFolder, kDefaultPrivateFolderDn);
  EXPECT_EQ(folders.publicLocalFolder, std::string(511, 'a'));
  EXPECT_EQ(folders.privateLocalFolder, "");
}

TEST_F(SettingsStoreTest, BooleansAndTheMethodAreNormalised) {
  Put(setting::kAutoConf, RegistryValue::Number(5));
  Put(setting::kPrivateEnabled, RegistryValue::Number(0x100));
  Put(setting::kCollisionMethod, RegistryValue::Number(7));
  Put(setting::kTimeLimit, RegistryValue::Number(45));
  AccountValues account = store.ReadAccount();
  EXPECT_TRUE(account.autoConf);
  EXPECT_EQ(account.collisionMethod, 0);  // "Ask user to decide"
  EXPECT_EQ(account.timeLimit, 45u);
  EXPECT_TRUE(store.ReadFolders().privateEnabled);

  Put(setting::kCollisionMethod, RegistryValue::Number(2));
  EXPECT_EQ(store.ReadAccount().collisionMethod, 2);
  account.collisionMethod = 9;  // never written as it is
  ASSERT_EQ(store.WriteAccount(account), kOk);
  EXPECT_EQ(Stored(setting::kAutoConf)->data, RegistryValue::Number(1).data);
  EXPECT_EQ(Stored(setting::kCollisionMethod)->data, RegistryValue::Number(0).data);
}

TEST_F(SettingsStoreTest, StringsAreWrittenWithTheirTerminator) {
  FolderValues folders;
  folders.privateLocalFolder = "Main Identity's Contacts";
  ASSERT_EQ(store.WriteFolders(folders), kOk);
  const RegistryValue* stored = Stored(setting::kPrivateLocalFolder);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->type, kRegSz);
  EXPECT_EQ(stored->data.size(), folders.privateLocalFolder.size() + 1);
  EXPECT_EQ(stored->data.back(), 0);
  // A value stored without one is still read whole.
  Put(setting::kUser, Raw(kRegSz, {'a', 'n', 'n', 'a'}));
  EXPECT_EQ(store.ReadAccount().user, "anna");
}

TEST_F(SettingsStoreTest, PasswordIsScrambledAndSurvivesEveryByte) {
  AccountValues account;
  account.password = "pa\"ss word";
  ASSERT_EQ(store.WriteAccount(account), kOk);
  const RegistryValue* stored = Stored(setting::kPassword);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->type, kRegSz);
  EXPECT_EQ(std::string(stored->data.begin(), stored->data.end()).find("pa\"ss"), std::string::npos);
  EXPECT_EQ(store.ReadAccount().password, "pa\"ss word");

  // No printable character turns into a NUL, so the stored text is as long as the password.
  for (int c = 0x20; c < 0x100; ++c) {
    if (c == 0x7F) continue;
    const RegistryValue one = SettingsStore::ScramblePassword(std::string(1, static_cast<char>(c)));
    EXPECT_NE(one.data[0], 0) << "character " << c;
  }
  // Even the key byte itself, which does, comes back: the value is read by its length.
  account.password = std::string("a") + static_cast<char>(kPasswordKey) + "b";
  ASSERT_EQ(store.WriteAccount(account), kOk);
  EXPECT_EQ(store.ReadAccount().password, account.password);
}

TEST_F(SettingsStoreTest, CommandLineValuesKeepTheStoredOnes) {
  AccountValues stored;
  stored.host = "stored.example.com";
  stored.password = "stored";
  ASSERT_EQ(store.WriteAccount(stored), kOk);
  AccountValues shown = stored;
  shown.host = "launcher.example.com";
  shown.password = "from the launcher";
  shown.twoWayPublic = true;
  ASSERT_EQ(store.WriteAccount(shown, AccountWrite{false, true, false}), kOk);
  const AccountValues read = store.ReadAccount();
  EXPECT_EQ(read.host, "stored.example.com");
  EXPECT_EQ(read.password, "stored");
  EXPECT_TRUE(read.twoWayPublic);
}

TEST_F(SettingsStoreTest, QuestionPolicyWritesOnlyItsTwoValues) {
  ASSERT_EQ(store.WriteQuestionPolicy(false, 0), kOk);
  EXPECT_EQ(registry.writeCount, 2u);
  EXPECT_EQ(Stored(setting::kPassword), nullptr);
  EXPECT_EQ(Stored(setting::kHost), nullptr);
  EXPECT_NE(Stored(setting::kAutoConf), nullptr);
  EXPECT_NE(Stored(setting::kCollisionMethod), nullptr);
}

TEST_F(SettingsStoreTest, VersionIsWrittenWhenMissingOrDifferent) {
  EXPECT_TRUE(store.UpdateVersion());
  EXPECT_EQ(Stored(setting::kVersion)->data, RegistryValue::Text("1.0.12").data);
  EXPECT_FALSE(store.UpdateVersion());
  Put(setting::kVersion, RegistryValue::Text("1.0.11"));
  EXPECT_TRUE(store.UpdateVersion());
  EXPECT_FALSE(store.UpdateVersion());
}

TEST_F(SettingsStoreTest, AFailedWriteIsReportedAfterTheRestIsTried) {
  registry.failWrites = SystemStatus(kErrorAccessDenied);
  EXPECT_EQ(store.WriteFolders(FolderValues{}), SystemStatus(kErrorAccessDenied));
  EXPECT_FALSE(store.UpdateVersion());
}

}  // namespace
}  // namespace contave
