// oetool and the password store: what the integration module reads must be in the registry with
// the names and types it expects, passwords only behind the store, and remove must take it all.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include <objbase.h>

#include "common/oe_ids.h"
#include "common/unique_key.h"
#include "pstore/pstore.h"
#include "tests/host_fixture.h"
#include "tool/oetool.h"

namespace oestand::testing {
namespace {

constexpr char kId[] = "{6A1B2C3D-0000-4000-8000-00000000AB02}";
constexpr char kIdentityAccounts[] =
    "Identities\\{6A1B2C3D-0000-4000-8000-00000000AB02}\\Software\\Microsoft\\Internet Account Manager\\Accounts";

struct Value {
  DWORD type = 0;
  std::vector<unsigned char> data;
  bool found = false;
  std::string text() const { return found ? std::string(data.begin(), data.end()).c_str() : "<missing>"; }
  DWORD dword() const { return found && type == REG_DWORD ? *reinterpret_cast<const DWORD*>(data.data()) : 0xFFFFFFFF; }
};

Value Read(HKEY root, const std::string& path, const char* name) {
  Value v;
  UniqueKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return v;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), name, nullptr, &v.type, nullptr, &size) != ERROR_SUCCESS) return v;
  v.data.resize(size + 1);
  v.found = RegQueryValueExA(key.get(), name, nullptr, &v.type, v.data.data(), &size) == ERROR_SUCCESS;
  v.data.resize(size);
  return v;
}

bool KeyExists(HKEY root, const std::string& path) {
  UniqueKey key;
  return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

class Store {
public:
  Store() : module_(LoadLibraryA((BinFolder() + PSTORE_LIBRARY).c_str())) {
    read_ = reinterpret_cast<PStoreReadPasswordFn>(reinterpret_cast<void*>(GetProcAddress(module_, PSTORE_READ)));
    write_ = reinterpret_cast<PStoreWritePasswordFn>(reinterpret_cast<void*>(GetProcAddress(module_, PSTORE_WRITE)));
  }
  ~Store() { FreeLibrary(module_); }
  HRESULT Read(const std::string& accountPath, const char* value, std::string* password, DWORD size = 256) {
    UniqueKey key;
    LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, accountPath.c_str(), 0, KEY_READ, key.put());
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    std::vector<char> buffer(size + 1);
    DWORD n = size;
    HRESULT hr = read_(key.get(), value, buffer.data(), &n);
    *password = SUCCEEDED(hr) ? buffer.data() : "size " + std::to_string(n);
    return hr;
  }
  PStoreWritePasswordFn write_ = nullptr;

private:
  HMODULE module_;
  PStoreReadPasswordFn read_ = nullptr;
};

const char kFull[] =
    "[outlook-express]\n"
    "install-root = %ProgramFiles%\\Outlook Express\n"
    "[identity]\n"
    "id = {6A1B2C3D-0000-4000-8000-00000000AB02}\n"
    "name = Registry Test\n"
    "[account]\nname = Velor\ntype = pop3\nserver = pop.example\nuser = pop\npassword = pop-secret\n"
    "[account]\nname = Velor\ntype = imap\nserver = imap.example\nuser = anna\npassword = pa ss\"w\xC3\xBC\n"
    "port = 1143\ntimeout = 45\nsecure = 1\nspa = 1\nvelor-ext = 1\n"
    "[account]\nname = Broken\ntype = imap\nserver = imap.example\nuser = x\npassword-blob = 03 04 05\n";

TEST(OeTool, InstallsWhatTheIntegrationModuleReadsAndRemovesIt) {
  ASSERT_TRUE(Seed("install", kFull));
  Value root = Read(HKEY_LOCAL_MACHINE, kOutlookExpressKey, kInstallRootValue);
  EXPECT_EQ(root.type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(root.text(), "%ProgramFiles%\\Outlook Express");
  Value app = Read(HKEY_LOCAL_MACHINE, kAppPathKey, nullptr);
  EXPECT_EQ(app.text(), "%ProgramFiles%\\Outlook Express\\msimn.exe");
  EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kClientsMailKey, nullptr).text(), "Outlook Express");
  EXPECT_EQ(Read(HKEY_CURRENT_USER, kIdentitiesKey, kLastUserIdValue).text(), kId);

  const std::string pop = std::string(kIdentityAccounts) + "\\00000001", imap = std::string(kIdentityAccounts) + "\\00000002";
  EXPECT_EQ(Read(HKEY_CURRENT_USER, pop, "Account Name").text(), "Velor");
  EXPECT_FALSE(Read(HKEY_CURRENT_USER, pop, "IMAP Server").found) << "a POP3 account has no IMAP server";
  EXPECT_EQ(Read(HKEY_CURRENT_USER, pop, "POP3 Server").text(), "pop.example");
  EXPECT_EQ(Read(HKEY_CURRENT_USER, imap, "Account Name").text(), "Velor");
  EXPECT_EQ(Read(HKEY_CURRENT_USER, imap, "IMAP Server").text(), "imap.example");
  EXPECT_EQ(Read(HKEY_CURRENT_USER, imap, "IMAP User Name").text(), "anna");
  EXPECT_EQ(Read(HKEY_CURRENT_USER, imap, "IMAP Port").dword(), 1143u);
  EXPECT_EQ(Read(HKEY_CURRENT_USER, imap, "IMAP Timeout").dword(), 45u);
  EXPECT_EQ(Read(HKEY_CURRENT_USER, imap, "IMAP Secure Connection").dword(), 1u);
  EXPECT_EQ(Read(HKEY_CURRENT_USER, imap, "IMAP Use Sicily").dword(), 1u);
  EXPECT_EQ(Read(HKEY_CURRENT_USER, imap, "Velor Ext").dword(), 1u);

  // The password value is only a reference: REG_BINARY, 1 and 2 first; the store resolves it.
  Value ref = Read(HKEY_CURRENT_USER, imap, "IMAP Password2");
  EXPECT_EQ(ref.type, static_cast<DWORD>(REG_BINARY));
  ASSERT_EQ(ref.data.size(), 18u);
  EXPECT_EQ(ref.data[0], 1);
  EXPECT_EQ(ref.data[1], 2);
  Store store;
  std::string password;
  EXPECT_EQ(store.Read(imap, "IMAP Password2", &password), S_OK);
  EXPECT_EQ(password, "pa ss\"w\xFC") << "the description's UTF-8 arrives in the ANSI code page";
  EXPECT_EQ(store.Read(pop, "POP3 Password2", &password), S_OK);
  EXPECT_EQ(password, "pop-secret");
  EXPECT_EQ(store.Read(imap, "IMAP Password2", &password, 4), HRESULT_FROM_WIN32(ERROR_MORE_DATA));
  EXPECT_EQ(password, "size 9") << "eight characters and the terminating zero";
  EXPECT_EQ(store.Read(imap, "POP3 Password2", &password), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  const std::string broken = std::string(kIdentityAccounts) + "\\00000003";
  EXPECT_EQ(store.Read(broken, "IMAP Password2", &password), HRESULT_FROM_WIN32(ERROR_INVALID_DATA));

  // The store keeps no password in plain text.
  std::string out, err;
  ASSERT_EQ(oetool::Run({"show"}, &out, &err), 0) << err;
  EXPECT_NE(out.find("identity {6A1B2C3D-0000-4000-8000-00000000AB02}"), std::string::npos) << out;
  EXPECT_NE(out.find("account 00000002 \"Velor\" imap imap.example:1143 user=anna password=(set) timeout=45 secure=1 spa=1"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("pa ss"), std::string::npos);

  ASSERT_TRUE(Seed("remove", kFull));
  EXPECT_FALSE(Read(HKEY_LOCAL_MACHINE, kOutlookExpressKey, kInstallRootValue).found);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAppPathKey));
  EXPECT_FALSE(Read(HKEY_LOCAL_MACHINE, kClientsMailKey, nullptr).found);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::string("Identities\\") + kId));
  EXPECT_FALSE(Read(HKEY_CURRENT_USER, kIdentitiesKey, kLastUserIdValue).found);
  // The store's item went with the account.
  GUID item;
  std::memcpy(&item, ref.data.data() + 2, sizeof item);
  wchar_t wide[40];
  StringFromGUID2(item, wide, 40);
  std::string itemKey = "Software\\Velor\\Stand-ins\\Protected Storage\\" + std::string(wide, wide + 38);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, itemKey)) << itemKey;
}

TEST(OeTool, OldOutlookExpressWithoutIdentityAndPlainInstallRoot) {
  const char description[] =
      "[outlook-express]\ninstall-root = C:\\Program Files\\Outlook Express\\\ninstall-root-type = sz\n"
      "mail-client = hkcu\n"
      "[account]\nkey = 00000007\nname = Old\ntype = imap\nserver = old.example\nuser = u\npassword = p\n";
  ASSERT_TRUE(Seed("install", description));
  Value root = Read(HKEY_LOCAL_MACHINE, kOutlookExpressKey, kInstallRootValue);
  EXPECT_EQ(root.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(root.text(), "C:\\Program Files\\Outlook Express\\");
  EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kAppPathKey, nullptr).text(), "C:\\Program Files\\Outlook Express\\msimn.exe");
  EXPECT_EQ(Read(HKEY_CURRENT_USER, kClientsMailKey, nullptr).text(), "Outlook Express");
  EXPECT_FALSE(Read(HKEY_LOCAL_MACHINE, kClientsMailKey, nullptr).found);
  const std::string key = std::string(kAccountsSubkey) + "\\00000007";
  EXPECT_EQ(Read(HKEY_CURRENT_USER, key, "Account Name").text(), "Old");
  EXPECT_FALSE(Read(HKEY_CURRENT_USER, key, "IMAP Port").found) << "values not described are not written";
  std::string out, err;
  EXPECT_EQ(oetool::Run({"password", "Old"}, &out, &err), 0) << err;
  EXPECT_EQ(out, "p\n");
  ASSERT_TRUE(Seed("remove", description));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key));
  EXPECT_FALSE(Read(HKEY_CURRENT_USER, kClientsMailKey, nullptr).found);
}

TEST(OeTool, AnotherPasswordReplacesTheStoreItem) {
  const std::string path = "Software\\Velor\\Stand-ins\\Test account";
  UniqueKey key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  Store store;
  ASSERT_EQ(store.write_(key.get(), "IMAP Password2", "first"), S_OK);
  Value first = Read(HKEY_CURRENT_USER, path, "IMAP Password2");
  ASSERT_EQ(store.write_(key.get(), "IMAP Password2", ""), S_OK);
  Value second = Read(HKEY_CURRENT_USER, path, "IMAP Password2");
  EXPECT_NE(first.data, second.data);
  std::string password = "unchanged";
  EXPECT_EQ(store.Read(path, "IMAP Password2", &password), S_OK);
  EXPECT_EQ(password, "");
  // The first item is gone: its reference no longer resolves.
  RegSetValueExA(key.get(), "Old", 0, REG_BINARY, first.data.data(), static_cast<DWORD>(first.data.size()));
  EXPECT_EQ(store.Read(path, "Old", &password), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  key.reset();
  RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
}

// The three builds of msimn.exe: the supported version with its language, an unlisted one, none.
TEST(Launcher, VersionBlocks) {
  struct Case {
    const char* folder;
    DWORD ms, ls;
  } cases[] = {{"outlook-express", MAKELONG(0, 6), MAKELONG(1106, 2800)},
               {"outlook-express-5.0", MAKELONG(0, 5), MAKELONG(0, 2920)}};
  for (const Case& c : cases) {
    std::string file = HostProgram(c.folder);
    DWORD handle = 0, size = GetFileVersionInfoSizeA(file.c_str(), &handle);
    ASSERT_GT(size, 0u) << file;
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(file.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT n = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &n));
    EXPECT_EQ(fixed->dwFileVersionMS, c.ms) << c.folder;
    EXPECT_EQ(fixed->dwFileVersionLS, c.ls) << c.folder;
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &n));
    ASSERT_GE(n, 4u);
    EXPECT_EQ(translation[0], 0x409);
  }
  DWORD handle = 0;
  EXPECT_EQ(GetFileVersionInfoSizeA(HostProgram("outlook-express-noversion").c_str(), &handle), 0u);
  EXPECT_NE(GetFileAttributesA(HostProgram("outlook-express-noversion").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(OeTool, ReportsBadDescriptionsAndUsage) {
  std::string out;
  EXPECT_FALSE(Seed("install", "[account]\nname = A\n", &out));
  EXPECT_NE(out.find("account 1 needs a name and a type"), std::string::npos) << out;
  std::string err;
  EXPECT_EQ(oetool::Run({"install"}, &out, &err), 2);
  EXPECT_EQ(oetool::Run({"install", "Z:\\nonexistent\\file.txt"}, &out, &err), 1);
}

}  // namespace
}  // namespace oestand::testing
