#include "velhook/Module_win32.h"

namespace velor::velhook {
namespace {

HMODULE g_module;
LONG g_locks;
// -1 not asked yet, then 0 or 1.
LONG g_isHost = -1;
LONG g_pinned;

}  // namespace

void SetModuleHandle(HMODULE module) {
    g_module = module;
}

HMODULE ModuleHandle() {
    if (!g_module) {
        // Linked into a program (the tests), the module is the one holding this code.
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&g_module), &g_module);
    }
    return g_module;
}

std::string ModulePath() {
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(ModuleHandle(), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    return std::string(path, n);
}

std::string FolderOf(const std::string& path) {
    const char* begin = path.c_str();
    const char* last = nullptr;
    for (const char* p = begin; *p; p = CharNextA(p))
        if (*p == '\\') last = p;
    return last ? std::string(begin, last + 1) : std::string();
}

bool IsHostProcess() {
    LONG known = g_isHost;
    if (known >= 0) return known != 0;
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    bool host = false;
    if (n > 0 && n < MAX_PATH) {
        std::string folder = FolderOf(path);
        host = lstrcmpiA(path + folder.size(), "msimn.exe") == 0;
    }
    g_isHost = host ? 1 : 0;
    return host;
}

void PinModule() {
    if (InterlockedCompareExchange(&g_pinned, 1, 0) != 0) return;
    std::string path = ModulePath();
    if (path.empty() || !LoadLibraryA(path.c_str())) g_pinned = 0;
}

bool IsModulePinned() {
    return g_pinned != 0;
}

std::string LoadModuleString(UINT id) {
    // A text that fills the buffer may have been cut: try again with a larger one.
    for (int size = 256; size <= 65536; size += 256) {
        std::string buffer(size, '\0');
        int got = LoadStringA(ModuleHandle(), id, buffer.data(), size);
        if (got <= 0) return {};
        if (got < size - 1) return buffer.substr(0, got);
    }
    return {};
}

int ShowMessage(HWND owner, const std::string& text, UINT style) {
    return MessageBoxA(owner, text.c_str(), "", style);
}

void LockModule() {
    InterlockedIncrement(&g_locks);
}

void UnlockModule() {
    InterlockedDecrement(&g_locks);
}

LONG ModuleLocks() {
    return g_locks;
}

}  // namespace velor::velhook
