// CFG: the settings under HKEY_CURRENT_USER "Software\Velor\Contave": every value with its type,
// its default and the rules by which a stored value is taken or passed over.
#pragma once

#include <cstdint>
#include <string>

#include "contave/LIB/registry.h"

namespace contave {

inline constexpr char kSettingsKey[] = "Software\\Velor\\Contave";
inline constexpr char kVersionText[] = "1.0.12";
inline constexpr char kDefaultPrivateFolderDn[] = "fn=Contacts,fn=Personal,fn=ContactRoot";
inline constexpr char kDefaultPublicFolderDn[] = "fn=Contacts,fn=Public,fn=ContactRoot";

namespace setting {
inline constexpr char kVersion[] = "Version";
inline constexpr char kHost[] = "Host";
inline constexpr char kUser[] = "User";
inline constexpr char kPassword[] = "Status";
inline constexpr char kTimeLimit[] = "TLimit";
inline constexpr char kTwoWayPublic[] = "TwoWaySync";
inline constexpr char kTwoWayPrivate[] = "OneWaySync-Private";  // 1 means two-way
inline constexpr char kAutoConf[] = "AutoConf";
inline constexpr char kCollisionMethod[] = "CollMethod";
inline constexpr char kPrivateEnabled[] = "PrivEnabled";
inline constexpr char kPublicEnabled[] = "PublEnabled";
inline constexpr char kPrivateLocalFolder[] = "PrivLFolder";
inline constexpr char kPublicLocalFolder[] = "PublLFolder";
inline constexpr char kPrivateServerFolder[] = "PrivSFolder";
inline constexpr char kPublicServerFolder[] = "PublSFolder";
}  // namespace setting

// A string value is read into a buffer of this size; a longer one is not used.
inline constexpr std::size_t kSettingTextLimit = 512;

// The password is stored with every byte combined with this one by exclusive-or. A control
// character nobody types, so no character of a password turns into a NUL on the way.
inline constexpr std::uint8_t kPasswordKey = 0x1F;

// What the Synchronization page stores.
struct FolderValues {
  bool privateEnabled = false;
  bool publicEnabled = false;
  std::string privateLocalFolder;
  std::string publicLocalFolder;
  std::string privateServerFolder = kDefaultPrivateFolderDn;
  std::string publicServerFolder = kDefaultPublicFolderDn;
};

// What the Settings page stores.
struct AccountValues {
  std::string host;
  std::string user;
  std::string password;
  std::uint32_t timeLimit = 3;
  bool twoWayPublic = false;
  bool twoWayPrivate = true;
  bool autoConf = false;
  int collisionMethod = 0;  // 0 ask, 1 server preferred, 2 local preferred

  AccountValues() = default;
  AccountValues(const AccountValues&) = default;
  AccountValues& operator=(const AccountValues&) = default;
  ~AccountValues();
};

// Which of the account values a save writes: a value that came from the command line and that
// the user did not touch keeps the stored one.
struct AccountWrite {
  bool host = true;
  bool user = true;
  bool password = true;
};

class SettingsStore {
 public:
  explicit SettingsStore(Registry& registry) : registry_(registry) {}

  FolderValues ReadFolders();
  AccountValues ReadAccount();

  Status WriteFolders(const FolderValues& values);
  Status WriteAccount(const AccountValues& values, AccountWrite which = {});
  // The two values a change of folder selection resets, and nothing else.
  Status WriteQuestionPolicy(bool autoConf, int collisionMethod);

  // Writes the program's version when the stored one is missing or different; true when written.
  bool UpdateVersion();

  // The stored form of a password and back.
  static RegistryValue ScramblePassword(const std::string& password);
  static std::string UnscramblePassword(const RegistryValue& value);

 private:
  std::string ReadText(const char* name, const std::string& fallback);
  std::uint32_t ReadNumber(const char* name, std::uint32_t fallback);
  bool ReadFlag(const char* name, bool fallback) { return ReadNumber(name, fallback ? 1 : 0) != 0; }
  Status WriteText(const char* name, const std::string& text);
  Status WriteNumber(const char* name, std::uint32_t number);
  Status WriteFlag(const char* name, bool flag) { return WriteNumber(name, flag ? 1 : 0); }

  Registry& registry_;
};

}  // namespace contave
