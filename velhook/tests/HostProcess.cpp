#include "HostProcess.h"

#include <tlhelp32.h>

namespace velor::velhook::testing {

namespace {
constexpr char kBrowserClass[] = "Outlook Express Browser Class";
}

HWND WaitForHostMainWindow(int timeoutMs) {
    for (DWORD end = GetTickCount() + timeoutMs;; Sleep(100)) {
        if (HWND w = FindWindowA(kBrowserClass, nullptr)) return w;
        if (static_cast<LONG>(end - GetTickCount()) <= 0) return nullptr;
    }
}

bool CloseHosts(int timeoutMs) {
    for (DWORD end = GetTickCount() + timeoutMs;;) {
        HWND w = FindWindowA(kBrowserClass, nullptr);
        if (!w) return true;
        DWORD id = 0;
        GetWindowThreadProcessId(w, &id);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id);
        PostMessageA(w, WM_CLOSE, 0, 0);
        LONG left = static_cast<LONG>(end - GetTickCount());
        if (process) {
            if (WaitForSingleObject(process, left > 0 ? left : 0) != WAIT_OBJECT_0) {
                TerminateProcess(process, 1);
                WaitForSingleObject(process, 5000);
            }
            CloseHandle(process);
        }
        if (left <= 0) return FindWindowA(kBrowserClass, nullptr) == nullptr;
    }
}

RemoteModule FindRemoteModule(DWORD process, const char* fileName) {
    RemoteModule found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    MODULEENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szModule, fileName) == 0) {
            found.base = entry.modBaseAddr;
            found.size = entry.modBaseSize;
            break;
        }
    }
    CloseHandle(snapshot);
    return found;
}

void* ReadRemoteImport(HANDLE process, const RemoteModule& module, const std::string& modulePath, const char* library,
                       const char* function) {
    HMODULE local = LoadLibraryExA(modulePath.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!local || !module.base) return nullptr;
    auto* base = reinterpret_cast<BYTE*>(local);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    DWORD slotOffset = 0;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); dir.VirtualAddress && d->Name && !slotOffset; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), library) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
        for (DWORD i = 0; names[i].u1.AddressOfData; ++i) {
            if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), function) == 0) {
                slotOffset = d->FirstThunk + i * sizeof(IMAGE_THUNK_DATA);
                break;
            }
        }
    }
    FreeLibrary(local);
    if (!slotOffset) return nullptr;
    void* value = nullptr;
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, module.base + slotOffset, &value, sizeof value, &got) || got != sizeof value)
        return nullptr;
    return value;
}

}  // namespace velor::velhook::testing
