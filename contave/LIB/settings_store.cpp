#include "contave/LIB/settings_store.h"

#include <cstring>

#include "contave/LIB/command_line.h"

namespace contave {
namespace {

constexpr RegistryRoot kRoot = RegistryRoot::kCurrentUser;

// The first of several failures, so a save goes on writing what it can and still reports.
void Keep(Status& first, Status status) {
  if (!Failed(first) && Failed(status)) first = status;
}

}  // namespace

AccountValues::~AccountValues() { Wipe(password); }

std::string SettingsStore::ReadText(const char* name, const std::string& fallback) {
  RegistryValue value;
  if (Failed(registry_.Read(kRoot, kSettingsKey, name, kSettingTextLimit, value)) || value.type != kRegSz)
    return fallback;
  // Up to the first NUL: a value stored without its terminator is taken whole.
  const auto* bytes = reinterpret_cast<const char*>(value.data.data());
  return std::string(bytes, strnlen(bytes, value.data.size()));
}

std::uint32_t SettingsStore::ReadNumber(const char* name, std::uint32_t fallback) {
  RegistryValue value;
  if (Failed(registry_.Read(kRoot, kSettingsKey, name, kSettingTextLimit, value)) || value.type != kRegDword ||
      value.data.size() != 4)
    return fallback;
  return static_cast<std::uint32_t>(value.data[0]) | static_cast<std::uint32_t>(value.data[1]) << 8 |
         static_cast<std::uint32_t>(value.data[2]) << 16 | static_cast<std::uint32_t>(value.data[3]) << 24;
}

Status SettingsStore::WriteText(const char* name, const std::string& text) {
  return registry_.Write(kRoot, kSettingsKey, name, RegistryValue::Text(text));
}

Status SettingsStore::WriteNumber(const char* name, std::uint32_t number) {
  return registry_.Write(kRoot, kSettingsKey, name, RegistryValue::Number(number));
}

FolderValues SettingsStore::ReadFolders() {
  FolderValues values;
  values.privateEnabled = ReadFlag(setting::kPrivateEnabled, false);
  values.publicEnabled = ReadFlag(setting::kPublicEnabled, false);
  values.privateLocalFolder = ReadText(setting::kPrivateLocalFolder, "");
  values.publicLocalFolder = ReadText(setting::kPublicLocalFolder, "");
  values.privateServerFolder = ReadText(setting::kPrivateServerFolder, kDefaultPrivateFolderDn);
  values.publicServerFolder = ReadText(setting::kPublicServerFolder, kDefaultPublicFolderDn);
  return values;
}

AccountValues SettingsStore::ReadAccount() {
  AccountValues values;
  values.host = ReadText(setting::kHost, "");
  values.user = ReadText(setting::kUser, "");
  RegistryValue stored;
  if (!Failed(registry_.Read(kRoot, kSettingsKey, setting::kPassword, kSettingTextLimit, stored)) &&
      stored.type == kRegSz)
    values.password = UnscramblePassword(stored);
  for (std::uint8_t& byte : stored.data) byte = 0;
  values.timeLimit = ReadNumber(setting::kTimeLimit, 3);
  values.twoWayPublic = ReadFlag(setting::kTwoWayPublic, false);
  values.twoWayPrivate = ReadFlag(setting::kTwoWayPrivate, true);
  values.autoConf = ReadFlag(setting::kAutoConf, false);
  const std::uint32_t method = ReadNumber(setting::kCollisionMethod, 0);
  values.collisionMethod = method <= 2 ? static_cast<int>(method) : 0;
  return values;
}

Status SettingsStore::WriteFolders(const FolderValues& values) {
  Status result = kOk;
  Keep(result, WriteFlag(setting::kPrivateEnabled, values.privateEnabled));
  Keep(result, WriteFlag(setting::kPublicEnabled, values.publicEnabled));
  Keep(result, WriteText(setting::kPrivateLocalFolder, values.privateLocalFolder));
  Keep(result, WriteText(setting::kPublicLocalFolder, values.publicLocalFolder));
  Keep(result, WriteText(setting::kPublicServerFolder, values.publicServerFolder));
  Keep(result, WriteText(setting::kPrivateServerFolder, values.privateServerFolder));
  return result;
}

Status SettingsStore::WriteAccount(const AccountValues& values, AccountWrite which) {
  Status result = kOk;
  if (which.host) Keep(result, WriteText(setting::kHost, values.host));
  if (which.user) Keep(result, WriteText(setting::kUser, values.user));
  if (which.password) {
    RegistryValue scrambled = ScramblePassword(values.password);
    Keep(result, registry_.Write(kRoot, kSettingsKey, setting::kPassword, scrambled));
    for (std::uint8_t& byte : scrambled.data) byte = 0;
  }
  Keep(result, WriteNumber(setting::kTimeLimit, values.timeLimit));
  Keep(result, WriteFlag(setting::kTwoWayPublic, values.twoWayPublic));
  Keep(result, WriteFlag(setting::kTwoWayPrivate, values.twoWayPrivate));
  Keep(result, WriteQuestionPolicy(values.autoConf, values.collisionMethod));
  return result;
}

Status SettingsStore::WriteQuestionPolicy(bool autoConf, int collisionMethod) {
  Status result = kOk;
  Keep(result, WriteFlag(setting::kAutoConf, autoConf));
  Keep(result, WriteNumber(setting::kCollisionMethod,
                           collisionMethod >= 0 && collisionMethod <= 2 ? static_cast<std::uint32_t>(collisionMethod) : 0));
  return result;
}

bool SettingsStore::UpdateVersion() {
  if (ReadText(setting::kVersion, "") == kVersionText) return false;
  return !Failed(WriteText(setting::kVersion, kVersionText));
}

RegistryValue SettingsStore::ScramblePassword(const std::string& password) {
  RegistryValue value;
  value.type = kRegSz;
  value.data.reserve(password.size() + 1);
  for (char c : password) value.data.push_back(static_cast<std::uint8_t>(c) ^ kPasswordKey);
  value.data.push_back(0);
  return value;
}

std::string SettingsStore::UnscramblePassword(const RegistryValue& value) {
  // By the length the registry returned, less the terminator written with it: a scrambled byte
  // may be NUL, and stopping there would cut the password short.
  std::size_t length = value.data.size();
  if (length > 0 && value.data[length - 1] == 0) --length;
  std::string password(length, '\0');
  for (std::size_t i = 0; i < length; ++i) password[i] = static_cast<char>(value.data[i] ^ kPasswordKey);
  return password;
}

}  // namespace contave
