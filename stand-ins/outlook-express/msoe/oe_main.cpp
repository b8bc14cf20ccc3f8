// msoe.dll's entry from msimn.exe: one instance per session (the instance mutex), the splash
// screen, the main window and the message loop.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "common/oe_ids.h"
#include "msoe/host.h"

namespace oestand {

Host& TheHost() {
  static Host host;
  return host;
}

namespace {

bool IsNt5OrLater() {
  OSVERSIONINFOA v = {sizeof v};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&v);
#pragma GCC diagnostic pop
  return v.dwPlatformId == VER_PLATFORM_WIN32_NT && v.dwMajorVersion >= 5;
}

std::string MutexName() {
  return std::string(IsNt5OrLater() ? "Local\\" : "") + kInstanceMutex;
}

// How long the splash stays at least: the stand-in's own setting, for a demo that wants it seen
// or tests that want it short.
DWORD SplashMilliseconds() {
  char buffer[32];
  if (GetEnvironmentVariableA("OESTAND_SPLASH_MS", buffer, sizeof buffer)) return strtoul(buffer, nullptr, 10);
  return 600;
}

void Pump(DWORD milliseconds) {
  DWORD end = GetTickCount() + milliseconds;
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    DWORD now = GetTickCount();
    if (static_cast<LONG>(end - now) <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
  }
}

}  // namespace

}  // namespace oestand

// Called by msimn.exe; returns the process exit code.
extern "C" __declspec(dllexport) int WINAPI OEStart(HINSTANCE exe, LPSTR commandLine, int show) {
  using namespace oestand;
  Host& host = TheHost();
  // The mutex is held for the life of the process; a second start hands over to the first.
  HANDLE mutex = CreateMutexA(nullptr, FALSE, MutexName().c_str());
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    HWND running = FindWindowA(kBrowserClass, nullptr);
    if (running) {
      ShowWindow(running, IsIconic(running) ? SW_RESTORE : SW_SHOW);
      SetForegroundWindow(running);
    }
    CloseHandle(mutex);
    return 0;
  }
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                              ICC_TAB_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  if (!RegisterSplashClass(host.instance) || !RegisterBrowserClass(host.instance) ||
      !RegisterFolderPaneClass(host.instance))
    return 1;

  DWORD started = GetTickCount();
  host.splash = CreateSplash(host.instance);
  Pump(0);
  host.images = CreateFolderImages();
  HWND main = CreateWindowExA(WS_EX_WINDOWEDGE, kBrowserClass, kMainTitle,
                              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, 960, 640,
                              nullptr, nullptr, host.instance, nullptr);
  if (!main) return 1;
  StartAgentIfAsked();
  DWORD shown = GetTickCount() - started, least = SplashMilliseconds();
  if (shown < least) Pump(least - shown);
  ShowWindow(main, show == SW_SHOWDEFAULT || show == 0 ? SW_SHOWNORMAL : show);
  UpdateWindow(main);
  if (host.splash) {
    DestroyWindow(host.splash);
    host.splash = nullptr;
  }
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (host.images) ImageList_Destroy(host.images);
  CloseHandle(mutex);
  return static_cast<int>(msg.wParam);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    oestand::TheHost().instance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}
