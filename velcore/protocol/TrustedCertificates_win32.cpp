#include "velcore/protocol/TrustedCertificates_win32.h"

#include <windows.h>

#include <vector>

namespace velor {
namespace {

class Key {
public:
    explicit Key(HKEY key) : key_(key) {}
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_;
};

// A fingerprint is short; anything much longer was not written by Velcore and matches nothing.
constexpr DWORD kLongestValue = 512;

}  // namespace

std::optional<std::string> RegistryTrustedCertificates::Find(const std::string& name) const {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kTrustedCertificatesKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return std::nullopt;
    Key key(opened);
    DWORD type = 0;
    std::vector<char> data(kLongestValue + 1, '\0');
    DWORD size = kLongestValue;
    LONG read = RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    if (read == ERROR_MORE_DATA) return std::string();
    if (read != ERROR_SUCCESS) return std::nullopt;
    // Any other type still counts as a stored answer: a different certificate is then reported
    // as changed, never as new.
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::string();
    return std::string(data.data(), strnlen(data.data(), size));
}

bool RegistryTrustedCertificates::Remember(const std::string& name, const std::string& fingerprint) {
    HKEY created = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kTrustedCertificatesKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &created, nullptr) != ERROR_SUCCESS)
        return false;
    Key key(created);
    return RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(fingerprint.c_str()),
                          static_cast<DWORD>(fingerprint.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace velor
