#include "velhook/CbtHook_win32.h"

#include <cstring>
#include <new>

#include "velhook/HostWindows_win32.h"
#include "velhook/Module_win32.h"
#include "velhook/SharedState_win32.h"

namespace velor::velhook {
namespace {

constexpr char kSplashClass[] = "CIESplashScreen";
constexpr char kMainWindowClass[] = "Outlook Express Browser Class";
constexpr DWORD kSplashHoldMs = 2000;

}  // namespace

void OnHostWindowCreated(HWND window) {
    char className[100] = {};
    if (!GetClassNameA(window, className, sizeof className)) return;
    SharedState& shared = Shared();
    if (std::strcmp(className, kSplashClass) == 0) {
        if (!shared.active) return;
        // Pinned before any subclass exists, so no procedure of ours can outlive the module.
        PinModule();
        auto* splash = new (std::nothrow) SplashSubclass;
        if (splash && !splash->Attach(window)) delete splash;
        // Holds the splash back, so the banner under it is seen.
        Sleep(kSplashHoldMs);
        return;
    }
    if (std::strcmp(className, kMainWindowClass) != 0) return;
    OutputDebugStringA("Velhook: CVelhookShellExecuteHook::CBTProc(): Found OE main window.\n");
    if (!shared.active) return;
    HWND stored = shared.mainWindow;
    if (stored && !IsWindow(stored)) InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&shared.mainWindow), nullptr, stored);
    if (SendMessageA(window, MainWindowMarkerMessage(), 1, 0) != 0) return;
    PinModule();
    auto* main = new (std::nothrow) MainWindowSubclass;
    if (main && !main->Attach(window)) delete main;
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    // Everywhere but in Outlook Express the hook only passes the call on.
    if (code == HCBT_CREATEWND && IsHostProcess()) OnHostWindowCreated(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(HookHandleOf(ReadHookPair()), code, wParam, lParam);
}

}  // namespace velor::velhook
