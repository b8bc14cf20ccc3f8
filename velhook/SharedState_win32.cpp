#include "velhook/SharedState_win32.h"

#include "velhook/LaunchRules.h"
#include "velhook/Module_win32.h"

namespace velor::velhook {
namespace {

// Initialised, so the compiler keeps it in its own section rather than in the zeroed data.
__attribute__((section(".velshr"), shared)) SharedState g_shared = {0, 0, 0, 0, 0, nullptr, 0};

bool ProcessAlive(DWORD id) {
    if (id == GetCurrentProcessId()) return true;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process) return false;
    bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return alive;
}

}  // namespace

SharedState& Shared() {
    return g_shared;
}

LONGLONG ReadHookPair() {
    return InterlockedCompareExchange64(&g_shared.cbtHook, 0, 0);
}

HHOOK LiveHook() {
    LONGLONG pair = ReadHookPair();
    HHOOK hook = HookHandleOf(pair);
    return hook && ProcessAlive(HookOwnerOf(pair)) ? hook : nullptr;
}

bool InstallHookIfAbsent(HOOKPROC procedure) {
    LONGLONG seen = ReadHookPair();
    if (HookHandleOf(seen) && ProcessAlive(HookOwnerOf(seen))) return true;
    HHOOK mine = SetWindowsHookExA(WH_CBT, procedure, ModuleHandle(), 0);
    if (!mine) return false;
    LONGLONG pair = HookPair(mine, GetCurrentProcessId());
    if (InterlockedCompareExchange64(&g_shared.cbtHook, pair, seen) == seen) return true;
    // Another launch published its hook first: one is enough.
    UnhookWindowsHookEx(mine);
    return LiveHook() != nullptr;
}

bool RemoveOwnHook() {
    LONGLONG pair = ReadHookPair();
    if (!HookHandleOf(pair) || HookOwnerOf(pair) != GetCurrentProcessId()) return false;
    if (!UnhookWindowsHookEx(HookHandleOf(pair))) return false;
    InterlockedCompareExchange64(&g_shared.cbtHook, 0, pair);
    return true;
}

DWORD SharedBanner() {
    return ValidBanner(g_shared.bannerBitmapId);
}

WORD SharedLanguage() {
    WORD language = g_shared.languageId;
    return IsPlausibleLanguage(language) ? language : 0;
}

HWND SharedMainWindowOfThisProcess() {
    HWND window = g_shared.mainWindow;
    DWORD owner = 0;
    if (!window || !IsWindow(window) || !GetWindowThreadProcessId(window, &owner) || owner != GetCurrentProcessId())
        return nullptr;
    return window;
}

}  // namespace velor::velhook
