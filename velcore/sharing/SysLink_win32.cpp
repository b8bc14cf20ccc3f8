#include "velcore/sharing/SysLink_win32.h"

#include <cstdio>
#include <new>
#include <vector>

namespace velor {
namespace {

struct LinkFonts {
    HFONT font = nullptr;       // the one the dialog gave
    HFONT underlined = nullptr;  // made from it, owned here
};

LinkFonts* fontsOf(HWND link) { return reinterpret_cast<LinkFonts*>(GetWindowLongPtrA(link, 0)); }

void notifyParent(HWND link) {
    SendMessageA(GetParent(link), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(link), BN_CLICKED), reinterpret_cast<LPARAM>(link));
}

void setFont(HWND link, HFONT font) {
    LinkFonts* fonts = fontsOf(link);
    if (!fonts) return;
    if (fonts->underlined) DeleteObject(fonts->underlined);
    fonts->font = font;
    LOGFONTA description{};
    if (!GetObjectA(font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT), sizeof description, &description))
        return;
    description.lfUnderline = TRUE;
    fonts->underlined = CreateFontIndirectA(&description);
}

void paint(HWND link) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(link, &ps);
    RECT area;
    GetClientRect(link, &area);
    // The background the parent paints its static texts with.
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(GetParent(link), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link)));
    FillRect(dc, &area, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
    int length = GetWindowTextLengthA(link);
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    GetWindowTextA(link, text.data(), length + 1);
    LinkFonts* fonts = fontsOf(link);
    HGDIOBJ old = SelectObject(dc, fonts && fonts->underlined ? fonts->underlined : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(link) ? LinkColour() : GetSysColor(COLOR_GRAYTEXT));
    RECT drawn = area;
    DrawTextA(dc, text.data(), length, &drawn, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    DrawTextA(dc, text.data(), length, &area, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
    if (GetFocus() == link) DrawFocusRect(dc, &drawn);
    SelectObject(dc, old);
    EndPaint(link, &ps);
}

LRESULT CALLBACK procedure(HWND link, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE:
            SetWindowLongPtrA(link, 0, reinterpret_cast<LONG_PTR>(new (std::nothrow) LinkFonts));
            break;
        case WM_NCDESTROY:
            if (LinkFonts* fonts = fontsOf(link)) {
                if (fonts->underlined) DeleteObject(fonts->underlined);
                delete fonts;
                SetWindowLongPtrA(link, 0, 0);
            }
            break;
        case WM_SETFONT:
            setFont(link, reinterpret_cast<HFONT>(wParam));
            if (LOWORD(lParam)) InvalidateRect(link, nullptr, TRUE);
            return 0;
        case WM_GETFONT: return fontsOf(link) ? reinterpret_cast<LRESULT>(fontsOf(link)->font) : 0;
        case WM_PAINT: paint(link); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_SETCURSOR: SetCursor(LoadCursor(nullptr, IDC_HAND)); return TRUE;
        case WM_LBUTTONDOWN: SetFocus(link); return 0;
        case WM_LBUTTONUP: notifyParent(link); return 0;
        case WM_GETDLGCODE: return DLGC_BUTTON;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN || wParam == VK_SPACE) notifyParent(link);
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE: InvalidateRect(link, nullptr, TRUE); return 0;
        default: break;
    }
    return DefWindowProcA(link, message, wParam, lParam);
}

}  // namespace

SysLinkClass::SysLinkClass(HINSTANCE module) : module_(module) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(module, kSysLinkClass, &existing)) return;
    WNDCLASSEXA link{};
    link.cbSize = sizeof link;
    link.style = CS_HREDRAW | CS_VREDRAW;  // local to the module: no CS_GLOBALCLASS
    link.lpfnWndProc = procedure;
    link.cbWndExtra = sizeof(LinkFonts*);
    link.hInstance = module;
    link.hCursor = LoadCursor(nullptr, IDC_HAND);
    link.lpszClassName = kSysLinkClass;
    registered_ = RegisterClassExA(&link) != 0;
}

SysLinkClass::~SysLinkClass() {
    if (registered_) UnregisterClassA(kSysLinkClass, module_);
}

COLORREF LinkColour() {
    char value[64] = {};
    DWORD size = sizeof value - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Settings", "Anchor Color",
                     RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return RGB(0, 0, 255);
    unsigned red = 0, green = 0, blue = 0;
    char rest = 0;
    if (std::sscanf(value, "%u,%u,%u%c", &red, &green, &blue, &rest) != 3 || red > 255 || green > 255 || blue > 255)
        return RGB(0, 0, 255);
    return RGB(red, green, blue);
}

}  // namespace velor
