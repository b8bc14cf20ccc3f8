#include "velhook/Registrar_win32.h"

#include <string>

#include "velhook/Module_win32.h"
#include "velhook/RegistryScript.h"
#include "velhook/ShellExecuteHook_win32.h"
#include "velhook/res/Resource.h"

namespace velor::velhook {
namespace {

constexpr char kWabPathKey[] = "Software\\Microsoft\\WAB\\DLLPath";
constexpr char kSharedDllsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr char kHooksKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks";

class WindowsRegistry : public RegistrySink {
public:
    long CreateKey(const std::string& path) override {
        std::string sub;
        HKEY root = Split(path, &sub);
        if (!root) return ERROR_INVALID_PARAMETER;
        HKEY key;
        long e = RegCreateKeyExA(root, sub.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        if (e == ERROR_SUCCESS) RegCloseKey(key);
        return e;
    }
    long SetValue(const std::string& path, const std::string& name, const ScriptValue& value) override {
        std::string sub;
        HKEY root = Split(path, &sub);
        HKEY key;
        if (!root) return ERROR_INVALID_PARAMETER;
        long e = RegOpenKeyExA(root, sub.c_str(), 0, KEY_SET_VALUE, &key);
        if (e != ERROR_SUCCESS) return e;
        const char* valueName = name.empty() ? nullptr : name.c_str();
        switch (value.type) {
            case ScriptValueType::kString:
                e = RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()),
                                   static_cast<DWORD>(value.text.size() + 1));
                break;
            case ScriptValueType::kNumber: {
                DWORD n = value.number;
                e = RegSetValueExA(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), sizeof n);
                break;
            }
            case ScriptValueType::kBinary:
                e = RegSetValueExA(key, valueName, 0, REG_BINARY, value.bytes.data(), static_cast<DWORD>(value.bytes.size()));
                break;
        }
        RegCloseKey(key);
        return e;
    }
    long DeleteValue(const std::string& path, const std::string& name) override {
        std::string sub;
        HKEY root = Split(path, &sub);
        HKEY key;
        if (!root) return ERROR_INVALID_PARAMETER;
        long e = RegOpenKeyExA(root, sub.c_str(), 0, KEY_SET_VALUE, &key);
        if (e == ERROR_FILE_NOT_FOUND) return 0;
        if (e != ERROR_SUCCESS) return e;
        e = RegDeleteValueA(key, name.c_str());
        RegCloseKey(key);
        return e == ERROR_FILE_NOT_FOUND ? 0 : e;
    }
    long DeleteTree(const std::string& path) override {
        std::string sub;
        HKEY root = Split(path, &sub);
        if (!root || sub.empty()) return ERROR_INVALID_PARAMETER;
        long e = RegDeleteTreeA(root, sub.c_str());
        if (e == ERROR_SUCCESS) e = RegDeleteKeyA(root, sub.c_str());
        return e == ERROR_FILE_NOT_FOUND ? 0 : e;
    }
    bool KeyExists(const std::string& path) override {
        std::string sub;
        HKEY root = Split(path, &sub);
        HKEY key;
        if (!root || RegOpenKeyExA(root, sub.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }

private:
    static HKEY Split(const std::string& path, std::string* sub) {
        std::size_t at = path.find('\\');
        std::string root = path.substr(0, at);
        *sub = at == std::string::npos ? std::string() : path.substr(at + 1);
        if (root == "HKCR") return HKEY_CLASSES_ROOT;
        if (root == "HKCU") return HKEY_CURRENT_USER;
        if (root == "HKLM") return HKEY_LOCAL_MACHINE;
        if (root == "HKU") return HKEY_USERS;
        return nullptr;
    }
};

HRESULT RunScript(bool registering) {
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(ModuleHandle(), path, MAX_PATH);
    if (n == 0) return HRESULT_FROM_WIN32(GetLastError());
    if (n >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    HRSRC found = FindResourceA(ModuleHandle(), MAKEINTRESOURCEA(IDR_REGISTRATION_SCRIPT), "REGISTRY");
    HGLOBAL loaded = found ? LoadResource(ModuleHandle(), found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes) return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
    std::string text(bytes, SizeofResource(ModuleHandle(), found));
    RegistryScript script;
    if (!ParseRegistryScript(text, {{"MODULE", path}}, &script, nullptr)) return E_UNEXPECTED;
    WindowsRegistry registry;
    return RunRegistryScript(script, registering, registry);
}

// Counts this product among the users of the address-book library, or stops counting it.
void CountAddressBookUse(bool registering) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWabPathKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    char library[262] = {};
    DWORD size = 261, type = 0;
    LONG e = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(library), &size);
    RegCloseKey(key);
    if (e != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || !library[0]) return;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS) return;
    DWORD count = 0;
    size = sizeof count;
    if (RegQueryValueExA(key, library, nullptr, &type, reinterpret_cast<BYTE*>(&count), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof count)
        count = 0;
    if (registering) ++count;
    else if (count) --count;
    if (count) RegSetValueExA(key, library, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
    else RegDeleteValueA(key, library);
    RegCloseKey(key);
}

void RemoveHooksEntry() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kHooksKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, kShellExecuteHookClsidText);
    RegCloseKey(key);
}

}  // namespace

HRESULT RegisterModule() {
    // A registration that did not go through does not count as a user of the address book:
    // nothing would ever take that count back.
    HRESULT hr = RunScript(true);
    if (hr == S_OK) CountAddressBookUse(true);
    return hr;
}

HRESULT UnregisterModule() {
    HRESULT hr = RunScript(false);
    if (hr == HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)) return hr;
    CountAddressBookUse(false);
    RemoveHooksEntry();
    return hr;
}

}  // namespace velor::velhook
