#include "velhook/Accounts_win32.h"

#include <cstring>

#include "velhook/AccountValues.h"
#include "velhook/PasswordStore_win32.h"

namespace velor::velhook {
namespace {

constexpr char kIdentitiesKey[] = "Identities";
constexpr char kLastUserIdValue[] = "Last User ID";
constexpr char kAccountsSubkey[] = "Software\\Microsoft\\Internet Account Manager\\Accounts";
constexpr REGSAM kAccess = KEY_READ | KEY_WRITE;

class KeyValues : public AccountValueSource {
public:
    explicit KeyValues(HKEY key) : key_(key) {}
    AccountValue Get(const char* name) const override {
        AccountValue v;
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return v;
        // Texts longer than an account name are not taken anyway: read no more than that.
        if (size > 4096) size = 4096;
        v.data.resize(size);
        DWORD got = size;
        LONG e = RegQueryValueExA(key_, name, nullptr, &type, v.data.data(), &got);
        if (e == ERROR_MORE_DATA) {
            // Overlong: mark it as such without reading it.
            v.present = true;
            v.type = type;
            v.data.assign(kMaxAccountText + 1, 'x');
            return v;
        }
        if (e != ERROR_SUCCESS) return AccountValue{};
        v.data.resize(got);
        v.present = true;
        v.type = type;
        return v;
    }

private:
    HKEY key_;
};

RegistryKey Open(HKEY parent, const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path, 0, kAccess, &key) != ERROR_SUCCESS) return {};
    return RegistryKey(key);
}

// Calls visit(accountKey, values) for each account key in registry order until it returns true.
template <typename Visit>
void ForEachAccount(Visit visit) {
    RegistryKey accounts = OpenAccountsKey();
    if (!accounts) return;
    for (DWORD i = 0;; ++i) {
        char name[MAX_PATH + 1];
        DWORD length = MAX_PATH + 1;
        LONG e = RegEnumKeyExA(accounts.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (e == ERROR_NO_MORE_ITEMS) break;
        if (e != ERROR_SUCCESS) continue;
        RegistryKey account = Open(accounts.get(), name);
        if (!account) continue;
        if (visit(account)) break;
    }
}

}  // namespace

RegistryKey OpenAccountsKey() {
    RegistryKey identities = Open(HKEY_CURRENT_USER, kIdentitiesKey);
    if (identities) {
        std::string id;
        if (AccountText(KeyValues(identities.get()).Get(kLastUserIdValue), &id) && !id.empty()) {
            RegistryKey identity = Open(identities.get(), id.c_str());
            if (identity) {
                RegistryKey accounts = Open(identity.get(), kAccountsSubkey);
                if (accounts) return accounts;
            }
        }
    }
    return Open(HKEY_CURRENT_USER, kAccountsSubkey);
}

bool FindAccount(const char* name, DWORD* enabled, RegistryKey* key) {
    if (!name) return false;
    bool found = false;
    ForEachAccount([&](RegistryKey& account) {
        KeyValues values(account.get());
        std::string accountName, server;
        if (!AccountText(values.Get(kAccountNameValue), &accountName) || accountName != name ||
            !AccountText(values.Get(kImapServerValue), &server))
            return false;
        std::uint32_t flag = 0;
        if (enabled) *enabled = AccountDword(values.Get(kVelorExtValue), &flag) ? flag : 0;
        if (key) *key = std::move(account);
        found = true;
        return true;
    });
    return found;
}

void ListAccounts(std::vector<AccountEntry>* list, bool onlyEnabled) {
    list->clear();
    ForEachAccount([&](RegistryKey& account) {
        KeyValues values(account.get());
        AccountEntry entry;
        if (!AccountText(values.Get(kAccountNameValue), &entry.name) ||
            !AccountText(values.Get(kImapServerValue), &entry.server) ||
            !AccountText(values.Get(kImapUserValue), &entry.user))
            return false;
        std::uint32_t flag = 0;
        if (onlyEnabled && !(AccountDword(values.Get(kVelorExtValue), &flag) && flag)) return false;
        entry.key = std::move(account);
        list->push_back(std::move(entry));
        return false;
    });
}

HRESULT ReadAccountSettings(HKEY account, std::unique_ptr<AccountSettings>* settings) {
    if (!account || !settings) return E_INVALIDARG;
    KeyValues values(account);
    auto read = velhook::ReadAccountSettings(values, [account](std::string* password) {
        return static_cast<std::int32_t>(ReadStoredPassword(account, kImapPasswordValue, password));
    });
    if (!read) return E_OUTOFMEMORY;
    *settings = std::move(read);
    return S_OK;
}

std::string AccountNameOf(HKEY account) {
    std::string name;
    if (!account || !AccountText(KeyValues(account).Get(kAccountNameValue), &name)) return {};
    return name;
}

bool IsAccountEnabled(HKEY account) {
    std::uint32_t flag = 0;
    return account && AccountDword(KeyValues(account).Get(kVelorExtValue), &flag) && flag;
}

HRESULT SetAccountEnabled(HKEY account, bool enabled) {
    if (!account) return E_INVALIDARG;
    DWORD value = enabled ? 1 : 0;
    LONG e = RegSetValueExA(account, kVelorExtValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    return e == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(e);
}

}  // namespace velor::velhook
