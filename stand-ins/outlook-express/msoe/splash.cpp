// The splash screen shown while the main window is made: a bordered pop-up with the program's
// name, of the class by which clients recognise it.
#include "common/oe_ids.h"
#include "msoe/host.h"

namespace oestand {
namespace {

constexpr int kWidth = 400, kHeight = 240;

void Paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT r;
  GetClientRect(window, &r);
  // A vertical gradient in bands, blue to light.
  for (int y = 0; y < r.bottom; y += 4) {
    int k = y * 120 / (r.bottom ? r.bottom : 1);
    HBRUSH band = CreateSolidBrush(RGB(20 + k, 70 + k, 160 + k / 2));
    RECT b = {0, y, r.right, y + 4};
    FillRect(dc, &b, band);
    DeleteObject(band);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  HFONT big = CreateFontA(36, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, ANTIALIASED_QUALITY,
                          0, "Arial");
  HGDIOBJ old = SelectObject(dc, big);
  RECT title = {24, 60, r.right - 24, 110};
  DrawTextA(dc, kMainTitle, -1, &title, DT_LEFT | DT_SINGLELINE);
  SelectObject(dc, old);
  DeleteObject(big);
  HFONT small = CreateFontA(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0,
                            ANTIALIASED_QUALITY, 0, "Arial");
  old = SelectObject(dc, small);
  RECT line = {26, 112, r.right - 24, 132};
  DrawTextA(dc, "Version 6 - stand-in for the Velor tests and demo", -1, &line, DT_LEFT | DT_SINGLELINE);
  RECT status = {26, r.bottom - 30, r.right - 24, r.bottom - 10};
  DrawTextA(dc, "Starting...", -1, &status, DT_LEFT | DT_SINGLELINE);
  SelectObject(dc, old);
  DeleteObject(small);
  EndPaint(window, &ps);
}

LRESULT CALLBACK SplashProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(window); return 0;
    case WM_NCHITTEST: return HTCAPTION;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool RegisterSplashClass(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = SplashProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_APPSTARTING);
  wc.lpszClassName = kSplashClass;
  return RegisterClassA(&wc) != 0;
}

HWND CreateSplash(HINSTANCE instance) {
  int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  HWND splash = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kSplashClass, kMainTitle, WS_POPUP | WS_BORDER,
                                x, y, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
  if (splash) {
    ShowWindow(splash, SW_SHOWNOACTIVATE);
    UpdateWindow(splash);
  }
  return splash;
}

}  // namespace oestand
