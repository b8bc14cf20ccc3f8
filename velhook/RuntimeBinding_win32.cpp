#include "velhook/RuntimeBinding_win32.h"

#include <cstdio>
#include <new>

#include "velhook/Accounts_win32.h"
#include "velhook/HostWindows_win32.h"
#include "velhook/Module_win32.h"
#include "velhook/res/Resource.h"

namespace velor::velhook {
namespace {

constexpr UINT kErrorBox = MB_OK | MB_ICONERROR;  // 0x10
constexpr char kNoVersionShown[] = "no version information";

using InitFunction = HRESULT(WINAPI*)(DWORD, WORD);
using AboutFunction = HRESULT(WINAPI*)(DWORD, HWND);
using CreatePageFunction = HRESULT(WINAPI*)(const char*, AccountSettings*, HPROPSHEETPAGE*);
using GetAclFunction = HRESULT(WINAPI*)(HWND, AccountSettings*, FolderAclRequests*);
using GetAliasesFunction = HRESULT(WINAPI*)(AccountSettings*, FolderMappingCallback, void*);
using AddAliasFunction = HRESULT(WINAPI*)(AccountSettings*, char* const*, char* const*);
using RemoveAliasFunction = HRESULT(WINAPI*)(AccountSettings*, char* const*);
using AclToStringFunction = int(WINAPI*)(const AclList*, char*);
using FolderFunction = HRESULT(WINAPI*)(AccountSettings*, const char*);
using MailRulesFunction = HRESULT(WINAPI*)(HWND, AccountSettings*);

template <typename F>
F As(void* p) {
    return reinterpret_cast<F>(p);
}

std::string Format(UINT id, const char* a, const char* b, const char* c, unsigned code) {
    std::string format = LoadModuleString(id);
    std::vector<char> text(format.size() + 1024);
    if (id == IDS_RUNTIME_NOT_LOADED) std::snprintf(text.data(), text.size(), format.c_str(), a, code);
    else std::snprintf(text.data(), text.size(), format.c_str(), a, b, c, code);
    return text.data();
}

// The library's file version, formatted; empty when it has no version block.
std::string FileVersionText(const std::string& path) {
    DWORD ignored = 0, size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (!size) return {};
    std::vector<char> block(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof *fixed)
        return {};
    return RuntimeVersionText(HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                              HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
}

std::int32_t VELOR_CALLBACK CollectMapping(std::uint32_t kind, const SharedString* folder, const SharedString* alias,
                                           void* context) {
    auto* list = static_cast<std::vector<FolderMappingEntry>*>(context);
    try {
        list->push_back({kind, folder ? folder->str() : std::string(), alias ? alias->str() : std::string()});
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return 0;
}

RuntimeLibrary* g_runtime;

}  // namespace

std::string RuntimeVersionText(WORD major, WORD minor, WORD build, WORD revision) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02d.%04d.%d", major, minor, build, revision);
    return text;
}

HRESULT LastErrorStatus() {
    LONG error = static_cast<LONG>(GetLastError());
    return error > 0 ? static_cast<HRESULT>(0x80070000u | (static_cast<DWORD>(error) & 0xFFFF)) : error;
}

RuntimeLibrary::RuntimeLibrary(std::string path, LanguageSource language)
    : path_(std::move(path)), language_(language) {}

HRESULT RuntimeLibrary::Load() {
    HMODULE library = LoadLibraryA(path_.c_str());
    if (!library) {
        HRESULT code = LastErrorStatus();
        if (code >= 0) code = E_FAIL;
        ShowMessage(GetActiveWindow(), Format(IDS_RUNTIME_NOT_LOADED, kRuntimeFileName, nullptr, nullptr, code), kErrorBox);
        return code;
    }
    HRESULT status = E_FAIL;
    std::string found = FileVersionText(path_);
    auto init = As<InitFunction>(reinterpret_cast<void*>(GetProcAddress(library, "VlInit")));
    if (!found.empty() && init) status = init(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(library)), language_ ? language_() : 0);
    if (status == S_OK) {
        library_ = library;
        return S_OK;
    }
    // The code shown and returned is never a success: a library that failed is not bound.
    HRESULT shown = status == 1 ? 1 : LastErrorStatus();
    if (status != 1 && shown >= 0) shown = status < 0 ? status : E_FAIL;
    std::string required = RuntimeVersionText(kRequiredVersion[0], kRequiredVersion[1], kRequiredVersion[2], kRequiredVersion[3]);
    ShowMessage(GetActiveWindow(),
                Format(IDS_RUNTIME_WRONG_VERSION, kRuntimeFileName, found.empty() ? kNoVersionShown : found.c_str(),
                       required.c_str(), static_cast<unsigned>(shown)),
                kErrorBox);
    FreeLibrary(library);
    return status == 1 ? E_FAIL : shown;
}

HRESULT RuntimeLibrary::Bind(const char* name, void** slot) {
    if (*slot) return S_OK;
    if (!library_) {
        HRESULT hr = Load();
        if (hr != S_OK) return hr;
    }
    void* function = reinterpret_cast<void*>(GetProcAddress(library_, name));
    if (!function) {
        HRESULT code = LastErrorStatus();
        if (code >= 0) code = E_FAIL;
        ShowMessage(GetActiveWindow(), Format(IDS_RUNTIME_NOT_LOADED, kRuntimeFileName, nullptr, nullptr, code), kErrorBox);
        return code;
    }
    *slot = function;
    return S_OK;
}

void RuntimeLibrary::Free() {
    if (library_) FreeLibrary(library_);
    library_ = nullptr;
    slots_ = Slots{};
}

HRESULT RuntimeLibrary::About() {
    HRESULT hr = Bind("VlAbout", &slots_.about);
    if (hr != S_OK) return hr;
    As<AboutFunction>(slots_.about)(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(ModuleHandle())), GetActiveWindow());
    return S_OK;
}

HRESULT RuntimeLibrary::CreatePageSecurity(const char* folder, AccountSettings* settings, HPROPSHEETPAGE* page) {
    HRESULT hr = Bind("VlCreatePageSecurity", &slots_.createPageSecurity);
    return hr != S_OK ? hr : As<CreatePageFunction>(slots_.createPageSecurity)(folder, settings, page);
}

HRESULT RuntimeLibrary::GetAcl(HWND owner, AccountSettings* settings, FolderAclRequests* requests) {
    HRESULT hr = Bind("VlGetACL", &slots_.getAcl);
    return hr != S_OK ? hr : As<GetAclFunction>(slots_.getAcl)(owner, settings, requests);
}

HRESULT RuntimeLibrary::GetAliases(AccountSettings* settings, std::vector<FolderMappingEntry>* list) {
    HRESULT hr = Bind("VlGetAliases", &slots_.getAliases);
    if (hr != S_OK) return hr;
    list->clear();
    return As<GetAliasesFunction>(slots_.getAliases)(settings, CollectMapping, list);
}

HRESULT RuntimeLibrary::AddAlias(AccountSettings* settings, char* const* folder, char* const* alias) {
    HRESULT hr = Bind("VlAddAlias", &slots_.addAlias);
    return hr != S_OK ? hr : As<AddAliasFunction>(slots_.addAlias)(settings, folder, alias);
}

HRESULT RuntimeLibrary::RemoveAlias(AccountSettings* settings, char* const* alias) {
    HRESULT hr = Bind("VlRemoveAlias", &slots_.removeAlias);
    return hr != S_OK ? hr : As<RemoveAliasFunction>(slots_.removeAlias)(settings, alias);
}

HRESULT RuntimeLibrary::AclToString(const AclList* acl, std::string* text) {
    HRESULT hr = Bind("VlAclToString", &slots_.aclToString);
    if (hr != S_OK) return hr;
    auto render = As<AclToStringFunction>(slots_.aclToString);
    int size = render(acl, nullptr);
    if (size <= 0) {
        text->clear();
        return S_OK;
    }
    std::vector<char> buffer(static_cast<std::size_t>(size) + 1, '\0');
    render(acl, buffer.data());
    *text = buffer.data();
    return S_OK;
}

HRESULT RuntimeLibrary::SetAllRead(AccountSettings* settings, const char* folder) {
    HRESULT hr = Bind("VlSetAllRead", &slots_.setAllRead);
    return hr != S_OK ? hr : As<FolderFunction>(slots_.setAllRead)(settings, folder);
}

HRESULT RuntimeLibrary::SetAllUnread(AccountSettings* settings, const char* folder) {
    HRESULT hr = Bind("VlSetAllUnread", &slots_.setAllUnread);
    return hr != S_OK ? hr : As<FolderFunction>(slots_.setAllUnread)(settings, folder);
}

HRESULT RuntimeLibrary::Expunge(AccountSettings* settings, const char* folder) {
    HRESULT hr = Bind("VlExpunge", &slots_.expunge);
    return hr != S_OK ? hr : As<FolderFunction>(slots_.expunge)(settings, folder);
}

HRESULT RuntimeLibrary::MailRules(HWND owner, const char* accountName) {
    RegistryKey key;
    if (!FindAccount(accountName, nullptr, &key)) return S_FALSE;
    HRESULT hr = Bind("VlMailRules", &slots_.mailRules);
    if (hr != S_OK) return hr;
    std::unique_ptr<AccountSettings> settings;
    hr = ReadAccountSettings(key.get(), &settings);
    key.Reset();
    if (hr != S_OK) return S_FALSE;
    return As<MailRulesFunction>(slots_.mailRules)(owner, settings.get());
}

RuntimeLibrary& Runtime() {
    // Made once and never destroyed by the runtime's exit code: the module's detach decides
    // whether the library is freed.
    if (!g_runtime) g_runtime = new RuntimeLibrary(FolderOf(ModulePath()) + kRuntimeFileName, ProcessLanguage);
    return *g_runtime;
}

void FreeRuntime() {
    if (g_runtime) g_runtime->Free();
}

}  // namespace velor::velhook
