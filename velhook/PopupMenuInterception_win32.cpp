#include "velhook/PopupMenuInterception_win32.h"

#include "velhook/Scrambled.h"

namespace velor::velhook {
namespace {

using TrackPopupFunction = BOOL(WINAPI*)(HMENU, UINT, int, int, int, HWND, const RECT*);

constexpr auto kPopupFunctionName = Scramble("TrackPopupMenu");
constexpr char kHostModule[] = "msoe.dll";
constexpr char kUser32[] = "user32.dll";

TrackPopupFunction g_previous;
bool g_installed;
bool g_contextMenuPending;
ContextMenuHandler g_handler;

BOOL WINAPI ReplacementTrackPopup(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect) {
    BOOL result = g_previous ? g_previous(menu, flags, x, y, reserved, owner, rect) : FALSE;
    if (!g_contextMenuPending) return result;
    g_contextMenuPending = false;
    if (!g_handler) return result;
    return g_handler(PopupMenuCall{menu, flags, x, y, owner, static_cast<int>(result)});
}

bool IsNtPlatform() {
    OSVERSIONINFOA v = {};
    v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersionExA(&v) && v.dwPlatformId == VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop
}

}  // namespace

bool ReplaceImport(HMODULE module, const char* library, const char* name, void* replacement, void** previous) {
    auto* base = reinterpret_cast<BYTE*>(module);
    if (!base || (!IsNtPlatform() && reinterpret_cast<UINT_PTR>(base) >= 0x80000000u)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress || !directory.Size) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress); d->Name; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), library) != 0) continue;
        // The name table; old linkers leave only the address table, which then holds the names.
        DWORD names = d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk;
        auto* lookup = reinterpret_cast<IMAGE_THUNK_DATA*>(base + names);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; lookup->u1.AddressOfData; ++lookup, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(lookup->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + lookup->u1.AddressOfData);
            const char* imported = reinterpret_cast<const char*>(byName->Name);
            if (lstrcmpiA(imported, name) != 0)
                continue;
            void** slot = reinterpret_cast<void**>(&slots->u1.Function);
            DWORD protection = 0;
            if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) return false;
            *previous = *slot;
            *slot = replacement;
            VirtualProtect(slot, sizeof *slot, protection, &protection);
            return true;
        }
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
}

bool InstallPopupMenuInterception() {
    if (g_installed) return true;
    HMODULE host = GetModuleHandleA(kHostModule);
    char name[17];
    if (!host || !kPopupFunctionName.Unscramble(name, sizeof name)) return false;
    void* previous = nullptr;
    if (!ReplaceImport(host, kUser32, name, reinterpret_cast<void*>(&ReplacementTrackPopup), &previous)) return false;
    g_previous = reinterpret_cast<TrackPopupFunction>(previous);
    g_installed = true;
    return true;
}

void SetContextMenuPending(bool pending) {
    g_contextMenuPending = pending;
}

void SetContextMenuHandler(ContextMenuHandler handler) {
    g_handler = handler;
}

}  // namespace velor::velhook
