#include "velhook/LinkControl_win32.h"

#include <commctrl.h>

#include <cstring>
#include <new>
#include <string>

#include "velhook/LinkText.h"
#include "velhook/Module_win32.h"
#include "velhook/Subclass_win32.h"

namespace velor::velhook {
namespace {

constexpr char kAnchorColorsKey[] = "Software\\Microsoft\\Internet Explorer\\Settings";
constexpr char kAnchorColorValue[] = "Anchor Color";
constexpr char kVisitedColorValue[] = "Anchor Color Visited";
constexpr COLORREF kDefaultLinkColor = RGB(0, 0, 255);
constexpr COLORREF kDefaultVisitedColor = RGB(128, 0, 128);

// The pointing hand, drawn here because the systems the module supports do not all have one:
// 'X' black, 'o' white, anything else transparent. The hot spot is the tip of the finger.
constexpr int kHandSize = 32;
constexpr int kHandHotX = 5, kHandHotY = 0;
constexpr const char* kHandPicture[] = {
    "     XX",
    "    XooX",
    "    XooX",
    "    XooX",
    "    XooX",
    "    XooXXX",
    "    XooXooXXX",
    "    XooXooXooXX",
    "    XooXooXooXoX",
    " XX XooXooXooXooX",
    "XooXXoooooooooooX",
    "XoooXoooooooooooX",
    " XooXoooooooooooX",
    "  XooooooooooooooX",
    "  XoooooooooooooX",
    "   XooooooooooooX",
    "   XoooooooooooX",
    "    XooooooooooX",
    "    XoooooooooX",
    "     XooooooooX",
    "     XXXXXXXXXX",
};

HCURSOR HandCursor() {
    static HCURSOR hand = [] {
        BYTE andMask[kHandSize * kHandSize / 8];
        BYTE xorMask[kHandSize * kHandSize / 8] = {};
        for (BYTE& b : andMask) b = 0xFF;
        int row = 0;
        for (const char* line : kHandPicture) {
            for (int x = 0; line[x] && x < kHandSize; ++x) {
                const int byte = row * kHandSize / 8 + x / 8;
                const BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
                if (line[x] == 'X' || line[x] == 'o') andMask[byte] &= static_cast<BYTE>(~bit);
                if (line[x] == 'o') xorMask[byte] |= bit;
            }
            ++row;
        }
        HCURSOR made = CreateCursor(ModuleHandle(), kHandHotX, kHandHotY, kHandSize, kHandSize, andMask, xorMask);
        return made ? made : LoadCursor(nullptr, IDC_ARROW);
    }();
    return hand;
}

// A colour value of Internet Explorer's settings; a missing, overlong or malformed one leaves
// the fallback.
COLORREF AnchorColorOr(HKEY key, const char* name, COLORREF fallback) {
    char text[kAnchorColorSize] = {};
    DWORD type = 0, size = sizeof text;
    if (!key || RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return fallback;
    AnchorColor color;
    if (!ParseAnchorColor(std::string(text, strnlen(text, sizeof text)), &color)) return fallback;
    return RGB(color.red, color.green, color.blue);
}

AnchorColor AsAnchorColor(COLORREF color) {
    return {GetRValue(color), GetGValue(color), GetBValue(color)};
}

class LinkWindow : public Subclass {
public:
    explicit LinkWindow(bool ownClass) : ownClass_(ownClass) { ReadColors(); }
    ~LinkWindow() override { DropUnderlinedFont(); }
    // A static of a dialog template had its font before it became a link.
    void AdoptFont(HFONT font) {
        font_ = font;
        DropUnderlinedFont();
    }

protected:
    bool Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnFinalMessage(HWND) override { delete this; }

private:
    void ReadColors();
    HFONT UnderlinedFont();
    void DropUnderlinedFont();
    UINT DrawFlags() const;
    RECT TextRect();
    bool OverText(POINT point);
    void Paint(HDC dc);
    void Click();

    bool ownClass_;
    bool visited_ = false;
    COLORREF linkColor_ = kDefaultLinkColor;
    COLORREF visitedColor_ = kDefaultVisitedColor;
    HFONT font_ = nullptr;        // set through WM_SETFONT; a window of our class keeps it here
    HFONT underlined_ = nullptr;  // ours: the font above (or the system's) with the underline
};

void LinkWindow::ReadColors() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kAnchorColorsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) key = nullptr;
    linkColor_ = AnchorColorOr(key, kAnchorColorValue, kDefaultLinkColor);
    visitedColor_ = AnchorColorOr(key, kVisitedColorValue, kDefaultVisitedColor);
    if (key) RegCloseKey(key);
    // A system with a hot-light colour shows unvisited links in it, as its own links are, unless
    // the colour cannot be read on the window colour.
    if (GetSysColorBrush(COLOR_HOTLIGHT)) {
        const COLORREF hotLight = GetSysColor(COLOR_HOTLIGHT), background = GetSysColor(COLOR_WINDOW);
        if (ReadableOn(AsAnchorColor(hotLight), AsAnchorColor(background))) linkColor_ = hotLight;
    }
}

HFONT LinkWindow::UnderlinedFont() {
    if (underlined_) return underlined_;
    HFONT base = font_ ? font_ : reinterpret_cast<HFONT>(GetStockObject(ownClass_ ? DEFAULT_GUI_FONT : SYSTEM_FONT));
    LOGFONTA description{};
    if (!GetObjectA(base, sizeof description, &description)) return base;
    description.lfUnderline = TRUE;
    underlined_ = CreateFontIndirectA(&description);
    return underlined_ ? underlined_ : base;
}

void LinkWindow::DropUnderlinedFont() {
    if (underlined_) DeleteObject(underlined_);
    underlined_ = nullptr;
}

UINT LinkWindow::DrawFlags() const {
    const LONG style = GetWindowLongA(window(), GWL_STYLE);
    UINT flags = DT_NOCLIP;
    switch (style & SS_TYPEMASK) {
        case SS_CENTER: flags |= DT_CENTER | DT_WORDBREAK; break;
        case SS_RIGHT: flags |= DT_RIGHT | DT_WORDBREAK; break;
        case SS_LEFTNOWORDWRAP: flags |= DT_LEFT | DT_SINGLELINE; break;
        default: flags |= DT_LEFT | DT_WORDBREAK; break;
    }
    if (style & SS_NOPREFIX) flags |= DT_NOPREFIX;
    return flags;
}

std::string WindowText(HWND window) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Where the text lies in the client area: only there is the control a link.
RECT LinkWindow::TextRect() {
    RECT client{};
    GetClientRect(window(), &client);
    RECT text = client;
    const std::string label = WindowText(window());
    HDC dc = GetDC(window());
    if (!dc) return client;
    HGDIOBJ old = SelectObject(dc, UnderlinedFont());
    const UINT flags = DrawFlags();
    DrawTextA(dc, label.c_str(), static_cast<int>(label.size()), &text, (flags & ~DT_NOCLIP) | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(window(), dc);
    const int width = text.right - text.left;
    if (flags & DT_CENTER) text.left = client.left + (client.right - client.left - width) / 2;
    else if (flags & DT_RIGHT) text.left = client.right - width;
    text.right = text.left + width;
    IntersectRect(&text, &text, &client);
    return text;
}

bool LinkWindow::OverText(POINT point) {
    RECT text = TextRect();
    return PtInRect(&text, point) != FALSE;
}

void LinkWindow::Paint(HDC dc) {
    RECT client{};
    GetClientRect(window(), &client);
    if (!ownClass_) {
        // The static's parent chooses its background, as for any static control.
        HWND parent = GetParent(window());
        auto brush = reinterpret_cast<HBRUSH>(
            SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window())));
        if (!brush) brush = GetSysColorBrush(COLOR_BTNFACE);
        FillRect(dc, &client, brush);
    }
    const std::string label = WindowText(window());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, !IsWindowEnabled(window()) ? GetSysColor(COLOR_GRAYTEXT) : visited_ ? visitedColor_ : linkColor_);
    HGDIOBJ old = SelectObject(dc, UnderlinedFont());
    RECT area = client;
    DrawTextA(dc, label.c_str(), static_cast<int>(label.size()), &area, DrawFlags());
    SelectObject(dc, old);
    if (GetFocus() == window()) {
        RECT text = TextRect();
        DrawFocusRect(dc, &text);
    }
}

void LinkWindow::Click() {
    NMHDR header{};
    header.hwndFrom = window();
    header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(window()));
    header.code = static_cast<UINT>(NM_CLICK);
    HWND link = window();
    const LRESULT answer = SendMessageA(GetParent(link), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    // The parent may have closed the window that holds the link while it handled the click.
    if (answer != 0 && IsWindow(link) && attached()) {
        visited_ = true;
        InvalidateRect(link, nullptr, TRUE);
    }
}

bool LinkWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            HDC dc = wParam ? reinterpret_cast<HDC>(wParam) : BeginPaint(window(), &paint);
            if (dc) Paint(dc);
            if (!wParam) EndPaint(window(), &paint);
            *result = 0;
            return true;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            *result = 0;
            return true;
        case WM_ERASEBKGND:
            if (ownClass_) return false;  // the class background
            *result = 1;                  // painted with the text
            return true;
        case WM_SETFONT:
            font_ = reinterpret_cast<HFONT>(wParam);
            DropUnderlinedFont();
            if (ownClass_) {
                if (LOWORD(lParam)) InvalidateRect(window(), nullptr, TRUE);
                *result = 0;
                return true;
            }
            return false;
        case WM_GETFONT:
            if (!ownClass_) return false;
            *result = reinterpret_cast<LRESULT>(font_);
            return true;
        case WM_SETTEXT:
            *result = CallPrevious(message, wParam, lParam);
            InvalidateRect(window(), nullptr, TRUE);
            return true;
        case WM_NCHITTEST:
            // A static lets the mouse through to its parent; a link takes it.
            *result = HTCLIENT;
            return true;
        case WM_SETCURSOR: {
            POINT point{};
            GetCursorPos(&point);
            ScreenToClient(window(), &point);
            if (reinterpret_cast<HWND>(wParam) != window() || LOWORD(lParam) != HTCLIENT || !OverText(point)) return false;
            SetCursor(HandCursor());
            *result = TRUE;
            return true;
        }
        case WM_LBUTTONDOWN:
            if (GetFocus() != window()) SetFocus(window());
            *result = 0;
            return true;
        case WM_LBUTTONUP: {
            POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (OverText(point)) Click();
            *result = 0;
            return true;
        }
        case WM_GETDLGCODE: {
            auto* key = reinterpret_cast<const MSG*>(lParam);
            if (key && key->message == WM_KEYDOWN && (key->wParam == VK_RETURN || key->wParam == VK_SPACE)) {
                *result = DLGC_WANTMESSAGE;
                return true;
            }
            return false;
        }
        case WM_KEYDOWN:
            if (wParam != VK_RETURN && wParam != VK_SPACE) return false;
            Click();
            *result = 0;
            return true;
        case WM_CHAR:
            // The characters of Enter and Space were the click; they do not also beep.
            if (wParam != '\r' && wParam != ' ') return false;
            *result = 0;
            return true;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
            InvalidateRect(window(), nullptr, TRUE);
            return false;
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:
            ReadColors();
            InvalidateRect(window(), nullptr, TRUE);
            return false;
    }
    return false;
}

LRESULT CALLBACK LinkClassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        // From here on the object sees every message first and passes the rest back to us.
        auto* link = new (std::nothrow) LinkWindow(true);
        if (!link) return FALSE;
        if (!link->Attach(window)) {
            delete link;
            return FALSE;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool MakeLink(HWND staticControl) {
    if (!IsWindow(staticControl)) return false;
    auto* link = new (std::nothrow) LinkWindow(false);
    if (!link) return false;
    if (!link->Attach(staticControl)) {
        delete link;
        return false;
    }
    link->AdoptFont(reinterpret_cast<HFONT>(SendMessageA(staticControl, WM_GETFONT, 0, 0)));
    SetWindowTextA(staticControl, StripLinkMarkers(WindowText(staticControl)).c_str());
    SetWindowLongA(staticControl, GWL_STYLE, GetWindowLongA(staticControl, GWL_STYLE) | WS_TABSTOP);
    InvalidateRect(staticControl, nullptr, TRUE);
    return true;
}

bool RegisterLinkClass() {
    WNDCLASSEXA found{};
    found.cbSize = sizeof found;
    if (GetClassInfoExA(ModuleHandle(), kLinkClassName, &found)) return true;
    WNDCLASSEXA link{};
    link.cbSize = sizeof link;
    link.lpfnWndProc = LinkClassProcedure;
    link.hInstance = ModuleHandle();
    link.hCursor = LoadCursor(nullptr, IDC_ARROW);
    link.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    link.lpszClassName = kLinkClassName;
    return RegisterClassExA(&link) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace velor::velhook
