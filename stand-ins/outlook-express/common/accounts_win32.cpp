#include "common/accounts_win32.h"

#include "common/oe_ids.h"
#include "pstore/pstore.h"

namespace oestand {
namespace {

std::string PasswordOf(HKEY account, const char* value) {
  // Loaded per call, as a client that needs a password once in a while would.
  HMODULE store = LoadLibraryA(PSTORE_LIBRARY);
  if (!store) return {};
  std::string password;
  auto read = reinterpret_cast<PStoreReadPasswordFn>(GetProcAddress(store, PSTORE_READ));
  char buffer[512];
  DWORD size = sizeof buffer;
  if (read && read(account, value, buffer, &size) == S_OK) password = buffer;
  FreeLibrary(store);
  return password;
}

}  // namespace

bool ReadString(HKEY key, const char* name, std::string* value) {
  char buffer[1024];
  DWORD size = sizeof buffer - 1, type = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
    return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  buffer[size < sizeof buffer ? size : sizeof buffer - 1] = '\0';
  *value = buffer;
  return true;
}

bool ReadDword(HKEY key, const char* name, DWORD* value) {
  DWORD v = 0, size = sizeof v, type = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return false;
  *value = v;
  return true;
}

UniqueKey OpenAccountsKey(REGSAM access, std::string* identityId) {
  UniqueKey identities, identity, accounts;
  std::string id;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kIdentitiesKey, 0, KEY_READ, identities.put()) == ERROR_SUCCESS &&
      ReadString(identities.get(), kLastUserIdValue, &id) &&
      RegOpenKeyExA(identities.get(), id.c_str(), 0, KEY_READ, identity.put()) == ERROR_SUCCESS &&
      RegOpenKeyExA(identity.get(), kAccountsSubkey, 0, access, accounts.put()) == ERROR_SUCCESS) {
    if (identityId) *identityId = id;
    return accounts;
  }
  if (identityId) identityId->clear();
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kAccountsSubkey, 0, access, accounts.put()) != ERROR_SUCCESS)
    accounts.reset();
  return accounts;
}

std::vector<Account> ReadAccounts() {
  std::vector<Account> list;
  UniqueKey accounts = OpenAccountsKey(KEY_READ);
  if (!accounts) return list;
  for (DWORD i = 0;; ++i) {
    char name[261];
    DWORD n = sizeof name;
    if (RegEnumKeyExA(accounts.get(), i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    UniqueKey key;
    if (RegOpenKeyExA(accounts.get(), name, 0, KEY_READ, key.put()) != ERROR_SUCCESS) continue;
    Account a;
    a.key = name;
    if (!ReadString(key.get(), "Account Name", &a.name)) continue;
    if (ReadString(key.get(), "IMAP Server", &a.server)) {
      a.imap = true;
      ReadString(key.get(), "IMAP User Name", &a.user);
      ReadDword(key.get(), "IMAP Port", &a.port);
      ReadDword(key.get(), "IMAP Timeout", &a.timeout);
      ReadDword(key.get(), "IMAP Secure Connection", &a.secure);
      ReadDword(key.get(), "IMAP Use Sicily", &a.spa);
      a.password = PasswordOf(key.get(), "IMAP Password2");
    } else if (ReadString(key.get(), "POP3 Server", &a.server)) {
      a.pop3 = true;
      a.port = 110;
      ReadString(key.get(), "POP3 User Name", &a.user);
      ReadDword(key.get(), "POP3 Port", &a.port);
      ReadDword(key.get(), "POP3 Timeout", &a.timeout);
      ReadDword(key.get(), "POP3 Secure Connection", &a.secure);
      ReadDword(key.get(), "POP3 Use Sicily", &a.spa);
      a.password = PasswordOf(key.get(), "POP3 Password2");
    }
    ReadString(key.get(), "SMTP Server", &a.smtpServer);
    ReadString(key.get(), "SMTP Email Address", &a.email);
    ReadString(key.get(), "SMTP Display Name", &a.displayName);
    list.push_back(a);
  }
  return list;
}

std::string Utf8ToAnsi(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  int m = WideCharToMultiByte(CP_ACP, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string ansi(m, '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), n, ansi.data(), m, nullptr, nullptr);
  return ansi;
}

std::string AnsiToUtf8(const std::string& ansi) {
  if (ansi.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
  int m = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string utf8(m, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, utf8.data(), m, nullptr, nullptr);
  return utf8;
}

}  // namespace oestand
