// Outlook Express's accounts as the extension sees them: the accounts key of the current
// identity (or the one without identities), the IMAP accounts of this server found by name or
// listed, their settings read into an AccountSettings record, and the per-account "Velor Ext".
// Nothing is cached: every call reads the registry again.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "shared/AccountSettings.h"

namespace velor::velhook {

// An open registry key with one owner.
class RegistryKey {
public:
    RegistryKey() = default;
    explicit RegistryKey(HKEY key) : key_(key) {}
    ~RegistryKey() { Reset(); }
    RegistryKey(RegistryKey&& other) noexcept : key_(other.Release()) {}
    RegistryKey& operator=(RegistryKey&& other) noexcept {
        if (this != &other) {
            Reset();
            key_ = other.Release();
        }
        return *this;
    }
    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }
    HKEY Release() {
        HKEY k = key_;
        key_ = nullptr;
        return k;
    }
    void Reset() {
        if (key_) RegCloseKey(key_);
        key_ = nullptr;
    }

private:
    HKEY key_ = nullptr;
};

// The accounts key of the current identity, else HKEY_CURRENT_USER's own; empty when neither
// opens. Opened for reading and writing.
RegistryKey OpenAccountsKey();

// The first account in registry order whose "Account Name" is exactly name and which has an
// "IMAP Server". *enabled receives its "Velor Ext" (0 when missing); *key, when asked for, the
// open account key, which the caller then owns.
bool FindAccount(const char* name, DWORD* enabled, RegistryKey* key);

struct AccountEntry {
    std::string name;
    std::string server;
    std::string user;
    RegistryKey key;
};

// Clears the list and fills it with the accounts that have a name, an IMAP server and an IMAP
// user name (and, when onlyEnabled, a non-zero "Velor Ext"), in registry order.
void ListAccounts(std::vector<AccountEntry>* list, bool onlyEnabled);

// A new record from the account's values: E_INVALIDARG without a key, E_OUTOFMEMORY when it
// cannot be made. The key stays open.
HRESULT ReadAccountSettings(HKEY account, std::unique_ptr<AccountSettings>* settings);

// The account's "Account Name" (empty when missing) and its "Velor Ext" (off when missing), read
// by the same rules as the account list.
std::string AccountNameOf(HKEY account);
bool IsAccountEnabled(HKEY account);

// Writes "Velor Ext" as a REG_DWORD of 0 or 1.
HRESULT SetAccountEnabled(HKEY account, bool enabled);

}  // namespace velor::velhook
