#include "tool/oetool.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "common/accounts_win32.h"
#include "common/oe_ids.h"
#include "common/unique_key.h"
#include "core/description.h"
#include "pstore/pstore.h"

namespace oetool {
namespace {

using oestand::Description;
using oestand::UniqueKey;

constexpr char kUsage[] =
    "usage: oetool install FILE | remove FILE | show | password ACCOUNT-NAME\n";

class Store {
public:
  Store() : module_(LoadLibraryA(PSTORE_LIBRARY)) {}
  ~Store() {
    if (module_) FreeLibrary(module_);
  }
  template <typename F>
  F Get(const char* name) const {
    return module_ ? reinterpret_cast<F>(GetProcAddress(module_, name)) : nullptr;
  }

private:
  HMODULE module_;
};

std::string ErrorText(LONG rc) {
  char text[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, rc, 0, text, sizeof text, nullptr);
  std::string s = text;
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s.empty() ? "error " + std::to_string(rc) : s;
}

class Writer {
public:
  explicit Writer(std::string* err) : err_(err) {}

  HKEY Create(HKEY root, const std::string& path) {
    keys_.emplace_back();
    LONG rc = RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, keys_.back().put(), nullptr);
    if (rc != ERROR_SUCCESS) Fail(path + ": " + ErrorText(rc));
    return keys_.back().get();
  }
  void String(HKEY key, const char* name, const std::string& value, DWORD type = REG_SZ) {
    if (!key) return;
    LONG rc = RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1));
    if (rc != ERROR_SUCCESS) Fail(std::string(name ? name : "(default)") + ": " + ErrorText(rc));
  }
  void Dword(HKEY key, const char* name, DWORD value) {
    if (!key) return;
    LONG rc = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    if (rc != ERROR_SUCCESS) Fail(std::string(name) + ": " + ErrorText(rc));
  }
  void Binary(HKEY key, const char* name, const std::vector<unsigned char>& value) {
    if (!key) return;
    LONG rc = RegSetValueExA(key, name, 0, REG_BINARY, value.data(), static_cast<DWORD>(value.size()));
    if (rc != ERROR_SUCCESS) Fail(std::string(name) + ": " + ErrorText(rc));
  }
  void Fail(const std::string& what) {
    ok_ = false;
    *err_ += "oetool: " + what + "\n";
  }
  bool ok() const { return ok_; }

private:
  std::string* err_;
  std::vector<UniqueKey> keys_;
  bool ok_ = true;
};

std::string DefaultInstallRoot() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string p = path;
  return p.substr(0, p.find_last_of('\\')) + "\\outlook-express";
}

std::string AccountsPath(const Description& d) {
  return d.identityId ? std::string(oestand::kIdentitiesKey) + "\\" + *d.identityId + "\\" + oestand::kAccountsSubkey
                      : std::string(oestand::kAccountsSubkey);
}

bool Load(const std::string& file, Description* d, std::string* err) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    *err = "oetool: cannot read " + file + "\n";
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  std::string error;
  auto lookup = [](const std::string& name) -> std::optional<std::string> {
    char value[1024];
    DWORD n = GetEnvironmentVariableA(name.c_str(), value, sizeof value);
    if (!n || n >= sizeof value) return std::nullopt;
    return std::string(value, n);
  };
  // Description files are UTF-8; the registry of an ANSI program holds its code page.
  if (!oestand::ParseDescription(oestand::Utf8ToAnsi(text.str()), lookup, d, &error)) {
    *err = "oetool: " + file + ": " + error + "\n";
    return false;
  }
  return true;
}

int Install(const Description& d, std::string* out, std::string* err) {
  Writer w(err);
  std::string root = d.installRoot ? *d.installRoot : DefaultInstallRoot();
  DWORD type = d.installRootType == "sz" ? REG_SZ : REG_EXPAND_SZ;
  std::string program = root + (!root.empty() && root.back() == '\\' ? "" : "\\") + "msimn.exe";
  w.String(w.Create(HKEY_LOCAL_MACHINE, oestand::kOutlookExpressKey), oestand::kInstallRootValue, root, type);
  if (d.appPath) {
    HKEY app = w.Create(HKEY_LOCAL_MACHINE, oestand::kAppPathKey);
    w.String(app, nullptr, program, type);
    w.String(app, "Path", root, type);
  }
  if (d.mailClient != "none") {
    HKEY oe = w.Create(HKEY_LOCAL_MACHINE, std::string(oestand::kClientsMailOeKey) + "\\shell\\open\\command");
    w.String(oe, nullptr, "\"" + program + "\" /mailurl:%1", REG_EXPAND_SZ);
    w.String(w.Create(HKEY_LOCAL_MACHINE, oestand::kClientsMailOeKey), nullptr, oestand::kMailClientName);
    if (d.mailClient == "hklm" || d.mailClient == "both")
      w.String(w.Create(HKEY_LOCAL_MACHINE, oestand::kClientsMailKey), nullptr, oestand::kMailClientName);
    if (d.mailClient == "hkcu" || d.mailClient == "both")
      w.String(w.Create(HKEY_CURRENT_USER, oestand::kClientsMailKey), nullptr, oestand::kMailClientName);
  }
  if (d.identityId) {
    HKEY ids = w.Create(HKEY_CURRENT_USER, oestand::kIdentitiesKey);
    w.String(ids, oestand::kLastUserIdValue, *d.identityId);
    w.String(ids, "Default User ID", *d.identityId);
    w.String(ids, "Last Username", d.identityName);
    HKEY id = w.Create(HKEY_CURRENT_USER, std::string(oestand::kIdentitiesKey) + "\\" + *d.identityId);
    w.String(id, "Username", d.identityName);
    w.String(id, "User ID", *d.identityId);
  }
  std::string accountsPath = AccountsPath(d);
  HKEY manager = w.Create(HKEY_CURRENT_USER, accountsPath.substr(0, accountsPath.rfind('\\')));
  if (!d.accounts.empty()) w.String(manager, "Default Mail Account", d.accounts.front().key);
  Store store;
  auto writePassword = store.Get<PStoreWritePasswordFn>(PSTORE_WRITE);
  for (const oestand::AccountDescription& a : d.accounts) {
    HKEY key = w.Create(HKEY_CURRENT_USER, accountsPath + "\\" + a.key);
    if (!key) continue;
    const std::string kind = a.type == "imap" ? "IMAP" : "POP3";
    auto name = [&](const char* what) { return kind + " " + what; };
    w.String(key, "Account Name", a.name);
    w.Dword(key, "Connection Type", 3);
    w.String(key, name("Server").c_str(), a.server);
    if (!a.user.empty()) w.String(key, name("User Name").c_str(), a.user);
    if (a.port) w.Dword(key, name("Port").c_str(), *a.port);
    if (a.timeout) w.Dword(key, name("Timeout").c_str(), *a.timeout);
    if (a.secure) w.Dword(key, name("Secure Connection").c_str(), *a.secure);
    if (a.spa) w.Dword(key, name("Use Sicily").c_str(), *a.spa);
    if (a.velorExt) w.Dword(key, "Velor Ext", *a.velorExt);
    if (!a.smtpServer.empty()) w.String(key, "SMTP Server", a.smtpServer);
    if (!a.email.empty()) w.String(key, "SMTP Email Address", a.email);
    if (!a.displayName.empty()) w.String(key, "SMTP Display Name", a.displayName);
    if (a.passwordBlob) {
      std::vector<unsigned char> bytes;
      oestand::ParseHex(*a.passwordBlob, &bytes);
      w.Binary(key, name("Password2").c_str(), bytes);
    } else if (a.password) {
      HRESULT hr = writePassword ? writePassword(key, name("Password2").c_str(), a.password->c_str()) : E_NOINTERFACE;
      if (FAILED(hr)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
        w.Fail("the password of '" + a.name + "' could not be stored (" PSTORE_LIBRARY " " + code + ")");
      }
    }
  }
  if (w.ok()) *out += "installed " + std::to_string(d.accounts.size()) + " account(s); msimn.exe in " + root + "\n";
  return w.ok() ? 0 : 1;
}

void DeleteIfEmpty(HKEY root, const std::string& path) {
  UniqueKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
  DWORD subkeys = 0, values = 0;
  if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr) == ERROR_SUCCESS &&
      subkeys == 0 && values == 0) {
    key.reset();
    RegDeleteKeyA(root, path.c_str());
  }
}

void DeleteValueIf(HKEY root, const char* path, const char* value, const std::string& equals) {
  UniqueKey key;
  std::string current;
  if (RegOpenKeyExA(root, path, 0, KEY_READ | KEY_WRITE, key.put()) == ERROR_SUCCESS &&
      oestand::ReadString(key.get(), value, &current) && current == equals)
    RegDeleteValueA(key.get(), value);
}

int Remove(const Description& d, std::string* out) {
  std::string accountsPath = AccountsPath(d);
  Store store;
  auto deletePassword = store.Get<PStoreDeletePasswordFn>(PSTORE_DELETE);
  for (const oestand::AccountDescription& a : d.accounts) {
    UniqueKey key;
    std::string path = accountsPath + "\\" + a.key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | KEY_WRITE, key.put()) == ERROR_SUCCESS &&
        deletePassword) {
      deletePassword(key.get(), "IMAP Password2");
      deletePassword(key.get(), "POP3 Password2");
    }
    key.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
  }
  std::string manager = accountsPath.substr(0, accountsPath.rfind('\\'));
  if (!d.accounts.empty())
    DeleteValueIf(HKEY_CURRENT_USER, manager.c_str(), "Default Mail Account", d.accounts.front().key);
  DeleteIfEmpty(HKEY_CURRENT_USER, accountsPath);
  DeleteIfEmpty(HKEY_CURRENT_USER, manager);
  if (d.identityId) {
    RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(oestand::kIdentitiesKey) + "\\" + *d.identityId).c_str());
    DeleteValueIf(HKEY_CURRENT_USER, oestand::kIdentitiesKey, oestand::kLastUserIdValue, *d.identityId);
    DeleteValueIf(HKEY_CURRENT_USER, oestand::kIdentitiesKey, "Default User ID", *d.identityId);
    DeleteValueIf(HKEY_CURRENT_USER, oestand::kIdentitiesKey, "Last Username", d.identityName);
    DeleteIfEmpty(HKEY_CURRENT_USER, oestand::kIdentitiesKey);
  }
  {
    UniqueKey oe;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, oestand::kOutlookExpressKey, 0, KEY_READ | KEY_WRITE, oe.put()) == ERROR_SUCCESS)
      RegDeleteValueA(oe.get(), oestand::kInstallRootValue);
  }
  DeleteIfEmpty(HKEY_LOCAL_MACHINE, oestand::kOutlookExpressKey);
  if (d.appPath) RegDeleteTreeA(HKEY_LOCAL_MACHINE, oestand::kAppPathKey);
  if (d.mailClient != "none") {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, oestand::kClientsMailOeKey);
    DeleteValueIf(HKEY_LOCAL_MACHINE, oestand::kClientsMailKey, nullptr, oestand::kMailClientName);
    DeleteValueIf(HKEY_CURRENT_USER, oestand::kClientsMailKey, nullptr, oestand::kMailClientName);
    DeleteIfEmpty(HKEY_LOCAL_MACHINE, oestand::kClientsMailKey);
    DeleteIfEmpty(HKEY_CURRENT_USER, oestand::kClientsMailKey);
  }
  *out += "removed " + std::to_string(d.accounts.size()) + " account(s)\n";
  return 0;
}

int Show(std::string* out) {
  UniqueKey oe;
  std::string root = "(none)";
  DWORD type = 0;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, oestand::kOutlookExpressKey, 0, KEY_READ, oe.put()) == ERROR_SUCCESS) {
    char value[MAX_PATH] = {};
    DWORD size = sizeof value - 1;
    if (RegQueryValueExA(oe.get(), oestand::kInstallRootValue, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
        ERROR_SUCCESS)
      root = std::string(value) + (type == REG_EXPAND_SZ ? " (REG_EXPAND_SZ)" : type == REG_SZ ? " (REG_SZ)" : " (other)");
  }
  *out += "InstallRoot " + root + "\n";
  std::string identity;
  UniqueKey accounts = oestand::OpenAccountsKey(KEY_READ, &identity);
  *out += "identity " + (identity.empty() ? std::string("(none)") : identity) + "\n";
  for (const oestand::Account& a : oestand::ReadAccounts()) {
    *out += "account " + a.key + " \"" + a.name + "\" " + (a.imap ? "imap" : a.pop3 ? "pop3" : "other") + " " + a.server +
            ":" + std::to_string(a.port) + " user=" + a.user + " password=" + (a.password.empty() ? "(none)" : "(set)") +
            " timeout=" + std::to_string(a.timeout) + " secure=" + std::to_string(a.secure) +
            " spa=" + std::to_string(a.spa) + "\n";
  }
  return 0;
}

int Password(const std::string& accountName, std::string* out, std::string* err) {
  for (const oestand::Account& a : oestand::ReadAccounts()) {
    if (a.name == accountName && (a.imap || a.pop3)) {
      *out += a.password + "\n";
      return 0;
    }
  }
  *err += "oetool: no account named '" + accountName + "'\n";
  return 1;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::string* out, std::string* err) {
  if (args.empty()) {
    *err += kUsage;
    return 2;
  }
  const std::string& command = args[0];
  if ((command == "install" || command == "remove") && args.size() == 2) {
    Description d;
    if (!Load(args[1], &d, err)) return 1;
    return command == "install" ? Install(d, out, err) : Remove(d, out);
  }
  if (command == "show" && args.size() == 1) return Show(out);
  if (command == "password" && args.size() == 2) return Password(args[1], out, err);
  *err += kUsage;
  return 2;
}

}  // namespace oetool
