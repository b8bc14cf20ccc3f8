#include "velhook/ShellExecuteHook_win32.h"

#include <new>
#include <optional>
#include <string>
#include <vector>

#include "velhook/CbtHook_win32.h"
#include "velhook/LaunchRules.h"
#include "velhook/Module_win32.h"
#include "velhook/SharedState_win32.h"
#include "velhook/VersionWarning_win32.h"

namespace velor::velhook {
namespace {

constexpr char kInstanceMutex[] = "OutlookExpress_InstanceMutex_101897";
constexpr char kOutlookExpressKey[] = "Software\\Microsoft\\Outlook Express";
constexpr char kInstallRootValue[] = "InstallRoot";
constexpr char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msimn.exe";
constexpr char kClientsMailKey[] = "Software\\Clients\\Mail";
constexpr char kMailClientName[] = "Outlook Express";
constexpr char kMailItem[] = "::{2559A1F5-21D7-11D4-BDAF-00C04F60B9F0}";
constexpr DWORD kMutexAllAccess = 0x1F0001;
constexpr INT_PTR kHandledInstance = 33;

class Key {
public:
    Key(HKEY root, const char* path, REGSAM access = KEY_READ) {
        if (RegOpenKeyExA(root, path, 0, access, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    explicit operator bool() const { return key_ != nullptr; }
    HKEY get() const { return key_; }

    std::optional<DWORD> Dword(const char* name) const {
        DWORD value = 0, size = sizeof value, type = 0;
        if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
            type != REG_DWORD || size != sizeof value)
            return std::nullopt;
        return value;
    }
    // A string value of at most MAX_PATH - 1 characters; REG_EXPAND_SZ is expanded when asked.
    std::optional<std::string> Path(const char* name, bool expand) const {
        char buffer[MAX_PATH + 1] = {};
        DWORD size = MAX_PATH, type = 0;
        if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
            return std::nullopt;
        buffer[MAX_PATH] = '\0';
        if (type == REG_SZ) return std::string(buffer);
        if (type != REG_EXPAND_SZ) return std::nullopt;
        if (!expand) return std::string(buffer);
        char expanded[MAX_PATH] = {};
        DWORD n = ExpandEnvironmentStringsA(buffer, expanded, MAX_PATH);
        if (n == 0 || n > MAX_PATH) return std::nullopt;
        return std::string(expanded);
    }

private:
    HKEY key_ = nullptr;
};

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (p_) p_->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T** out() { return &p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

SettingsKey ReadSettingsKey(HKEY root) {
    Key key(root, kSettingsKey);
    SettingsKey s;
    if (!key) return s;
    s.opened = true;
    if (auto v = key.Dword(kEnabledValue)) s.enabled = *v;
    if (auto v = key.Dword(kLanguageValue)) s.language = *v;
    return s;
}

bool IsNt(DWORD* major) {
    OSVERSIONINFOA v = {};
    v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&v)) return false;
#pragma GCC diagnostic pop
    *major = v.dwMajorVersion;
    return v.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool OutlookExpressRunning() {
    DWORD major = 0;
    std::string name = std::string(IsNt(&major) && major > 4 ? "Local\\" : "") + kInstanceMutex;
    HANDLE mutex = OpenMutexA(kMutexAllAccess, FALSE, name.c_str());
    if (!mutex) return false;
    CloseHandle(mutex);
    return true;
}

bool SameText(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// The Start menu's e-mail item, with Outlook Express as the default mail program.
bool IsMailItemForOutlookExpress(LPCITEMIDLIST item) {
    if (!item) return false;
    HMODULE shell = GetModuleHandleA("shell32.dll");
    using BindToParent = HRESULT(WINAPI*)(LPCITEMIDLIST, REFIID, void**, LPCITEMIDLIST*);
    auto bind = shell ? reinterpret_cast<BindToParent>(reinterpret_cast<void*>(GetProcAddress(shell, "SHBindToParent")))
                      : nullptr;
    if (!bind) return false;
    ComPtr<IShellFolder> parent;
    LPCITEMIDLIST last = nullptr;
    if (FAILED(bind(item, IID_IShellFolder, reinterpret_cast<void**>(parent.out()), &last)) || !parent || !last)
        return false;
    // The item's parent is the desktop when the item is the list's only element.
    if (last != item) return false;
    STRRET name = {};
    if (FAILED(parent->GetDisplayNameOf(last, SHGDN_FORPARSING, &name))) return false;
    char text[MAX_PATH] = {};
    bool converted = false;
    switch (name.uType) {
        case STRRET_WSTR:
            converted = WideCharToMultiByte(CP_ACP, 0, name.pOleStr, -1, text, sizeof text, nullptr, nullptr) > 0;
            CoTaskMemFree(name.pOleStr);
            break;
        case STRRET_CSTR:
            lstrcpynA(text, name.cStr, sizeof text);
            converted = true;
            break;
        case STRRET_OFFSET:
            lstrcpynA(text, reinterpret_cast<const char*>(last) + name.uOffset, sizeof text);
            converted = true;
            break;
    }
    if (!converted || lstrcmpiA(text, kMailItem) != 0) return false;
    Key user(HKEY_CURRENT_USER, kClientsMailKey);
    Key machine(HKEY_LOCAL_MACHINE, kClientsMailKey);
    const Key& clients = user ? user : machine;
    if (!clients) return false;
    auto client = clients.Path(nullptr, false);
    return client && SameText(*client, kMailClientName);
}

bool IsRequestForOutlookExpress(const SHELLEXECUTEINFOA& info, const std::string& program) {
    std::string file = info.lpFile ? info.lpFile : "";
    if (!file.empty() && SameText(file, program)) return true;
    if (IsShortProgramName(file)) {
        Key appPath(HKEY_LOCAL_MACHINE, kAppPathKey);
        if (appPath) {
            auto registered = appPath.Path(nullptr, true);
            if (registered && SameText(*registered, program)) return true;
        }
    }
    if (file.empty() && (info.fMask & SEE_MASK_IDLIST)) return IsMailItemForOutlookExpress(static_cast<LPCITEMIDLIST>(info.lpIDList));
    return false;
}

struct ProgramVersion {
    FileVersion version;
    std::optional<std::uint16_t> translation;
};

std::optional<ProgramVersion> ReadProgramVersion(const std::string& program) {
    DWORD ignored = 0, size = GetFileVersionInfoSizeA(program.c_str(), &ignored);
    if (!size) return std::nullopt;
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(program.c_str(), 0, size, block.data())) return std::nullopt;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof *fixed)
        return std::nullopt;
    ProgramVersion v;
    v.version = {fixed->dwFileVersionMS, fixed->dwFileVersionLS};
    WORD* translation = nullptr;
    if (VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) &&
        translation && length >= 4)
        v.translation = translation[0];
    return v;
}

bool AcceptedBefore(const FileVersion& version) {
    Key key(HKEY_CURRENT_USER, kSettingsKey);
    if (!key) return false;
    auto accepted = key.Path(kAcceptedVersionValue, false);
    return accepted && *accepted == VersionText(version);
}

void WriteUserSetting(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

// Asks about an unlisted version; true when the user goes on with it.
bool UserAcceptsVersion(HWND owner, const FileVersion& version) {
    if (AcceptedBefore(version)) return true;
    VersionWarningChoice choice = ShowVersionWarning(owner, version);
    if (choice.accepted) {
        if (choice.dontShowAgain) {
            std::string text = VersionText(version);
            WriteUserSetting(kAcceptedVersionValue, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
        }
        return true;
    }
    // Cancel disables the extension, as the warning says, until Setup or the account's check box
    // switches it on again.
    DWORD off = 0;
    WriteUserSetting(kEnabledValue, REG_DWORD, &off, sizeof off);
    return false;
}

}  // namespace

CVelhookShellExecuteHook::CVelhookShellExecuteHook() {
    LockModule();
}

CVelhookShellExecuteHook::~CVelhookShellExecuteHook() {
    UnlockModule();
}

STDMETHODIMP CVelhookShellExecuteHook::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IShellExecuteHookA) {
        *out = static_cast<IShellExecuteHookA*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CVelhookShellExecuteHook::AddRef() {
    return InterlockedIncrement(&references_);
}

STDMETHODIMP_(ULONG) CVelhookShellExecuteHook::Release() {
    LONG n = InterlockedDecrement(&references_);
    if (n == 0) delete this;
    return n;
}

STDMETHODIMP CVelhookShellExecuteHook::Execute(LPSHELLEXECUTEINFOA info) {
    if (!info) return S_FALSE;
    SharedState& shared = Shared();
    LaunchSettings settings = CombineSettings(ReadSettingsKey(HKEY_CURRENT_USER), ReadSettingsKey(HKEY_LOCAL_MACHINE));
    if (!settings.enabled || (GetKeyState(VK_CONTROL) & 0x8000)) {
        shared.active = 0;
        return S_FALSE;
    }
    if (OutlookExpressRunning()) return S_FALSE;
    if (info->lpVerb && lstrcmpiA(info->lpVerb, "open") != 0) return S_FALSE;

    Key oe(HKEY_LOCAL_MACHINE, kOutlookExpressKey);
    if (!oe) return S_FALSE;
    auto root = oe.Path(kInstallRootValue, true);
    if (!root) return S_FALSE;
    std::string program = ProgramPath(*root);
    if (program.empty() || !IsRequestForOutlookExpress(*info, program)) return S_FALSE;

    bool supported = false;
    if (auto found = ReadProgramVersion(program)) {
        bool cancelled = false;
        if (IsSupportedVersion(found->version)) supported = true;
        else if (UserAcceptsVersion(info->hwnd, found->version)) supported = true;
        else cancelled = true;
        if (!cancelled) shared.bannerBitmapId = BannerForVersion(found->version);
        shared.languageId = ChooseLanguage(settings.language, found->translation);
        if (supported) {
            shared.active = 1;
            InstallHookIfAbsent(CbtProc);
        } else {
            // The user chose to switch the extension off: an earlier launch's hook stays inert.
            shared.active = 0;
        }
    }

    std::string commandLine = ProgramCommandLine(program, info->lpParameters);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, info->lpDirectory,
                        &startup, &process))
        return S_FALSE;
    CloseHandle(process.hThread);
    DWORD major = 0;
    if (supported && IsNt(&major) && major < 5) {
        // Windows NT 4 keeps the hook only while this Outlook Express runs.
        WaitForSingleObject(process.hProcess, INFINITE);
        RemoveOwnHook();
    }
    CloseHandle(process.hProcess);
    info->hInstApp = reinterpret_cast<HINSTANCE>(kHandledInstance);
    return S_OK;
}

namespace {

class Factory : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is static: its references keep the module loaded instead of the object alive.
    STDMETHODIMP_(ULONG) AddRef() override {
        LockModule();
        return 2;
    }
    STDMETHODIMP_(ULONG) Release() override {
        UnlockModule();
        return 1;
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* hook = new (std::nothrow) CVelhookShellExecuteHook;
        if (!hook) return E_OUTOFMEMORY;
        HRESULT hr = hook->QueryInterface(iid, out);
        hook->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) LockModule();
        else UnlockModule();
        return S_OK;
    }
};

Factory g_factory;

}  // namespace

IClassFactory* ShellExecuteHookFactory() {
    return &g_factory;
}

}  // namespace velor::velhook
