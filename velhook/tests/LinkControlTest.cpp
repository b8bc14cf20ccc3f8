// The link control under Wine, in a window of the test's own: a static made a link and a window
// of the VlSysLink class tell their parent of a click with NM_CLICK and their identifier only when
// the release lies on the text, or for Enter and Space; the hand shows over the text; and the
// painted text takes the hot-light colour, then Internet Explorer's visited colour once the parent
// has answered a click (a malformed value leaves the usual purple).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "velhook/LinkControl_win32.h"

namespace velor::velhook {
namespace {

constexpr char kParentClass[] = "VelhookLinkTestParent";
constexpr char kScratchKey[] = "Software\\Velor\\Tests\\LinkControl";
constexpr char kColorsKey[] = "Software\\Microsoft\\Internet Explorer\\Settings";
constexpr int kLinkId = 209;

struct Heard {
    int clicks = 0;
    UINT_PTR id = 0;
    HWND from = nullptr;
    LRESULT answer = 0;
};
Heard g_heard;

LRESULT CALLBACK ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == static_cast<UINT>(NM_CLICK)) {
            ++g_heard.clicks;
            g_heard.id = header->idFrom;
            g_heard.from = header->hwndFrom;
            return g_heard.answer;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// HKEY_CURRENT_USER is a scratch key while a test runs, so Internet Explorer's colours are ours.
class LinkControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_heard = {};
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kScratchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch_, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, scratch_), ERROR_SUCCESS);
        WNDCLASSA type{};
        type.lpfnWndProc = ParentProcedure;
        type.hInstance = GetModuleHandleA(nullptr);
        type.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        type.lpszClassName = kParentClass;
        RegisterClassA(&type);
        parent_ = CreateWindowExA(0, kParentClass, "Links", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 500, 200, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
        font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }
    void TearDown() override {
        if (parent_) DestroyWindow(parent_);
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        if (scratch_) RegCloseKey(scratch_);
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
    }
    void SetColor(const char* name, const char* value) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kColorsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(strlen(value) + 1));
        RegCloseKey(key);
    }
    HWND MakeStatic(const char* text) {
        HWND control = CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10, 450, 20, parent_,
                                       reinterpret_cast<HMENU>(kLinkId), GetModuleHandleA(nullptr), nullptr);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
        return control;
    }
    static std::string Text(HWND window) {
        char text[256] = {};
        GetWindowTextA(window, text, sizeof text);
        return text;
    }
    static void Release(HWND link, int x, int y) { SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
    // The colours the link paints, read from a rendering of its client area.
    static std::vector<COLORREF> Painted(HWND link) {
        RECT client{};
        GetClientRect(link, &client);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = client.right;
        info.bmiHeader.biHeight = -client.bottom;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, bitmap);
        SendMessageA(link, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        GdiFlush();
        std::vector<COLORREF> colors;
        const auto* pixel = static_cast<const BYTE*>(bits);
        for (int i = 0; i < client.right * client.bottom; ++i, pixel += 4)
            colors.push_back(RGB(pixel[2], pixel[1], pixel[0]));
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        return colors;
    }
    static bool Shows(const std::vector<COLORREF>& colors, COLORREF color) {
        for (COLORREF c : colors)
            if (c == color) return true;
        return false;
    }

    HKEY scratch_ = nullptr;
    HWND parent_ = nullptr;
    HFONT font_ = nullptr;
};

TEST_F(LinkControlTest, AStaticBecomesALinkThatReportsClicksOnItsText) {
    HWND link = MakeStatic("Learn more about <a>Velor Outlook Express Extensions</a>.");
    ASSERT_TRUE(MakeLink(link));
    EXPECT_EQ(Text(link), "Learn more about Velor Outlook Express Extensions.");
    EXPECT_TRUE(GetWindowLongA(link, GWL_STYLE) & WS_TABSTOP) << "Enter and Space need the focus";
    EXPECT_EQ(SendMessageA(link, WM_NCHITTEST, 0, MAKELPARAM(120, 115)), HTCLIENT) << "a static lets clicks through";

    Release(link, 3, 5);
    EXPECT_EQ(g_heard.clicks, 1);
    EXPECT_EQ(g_heard.id, static_cast<UINT_PTR>(kLinkId));
    EXPECT_EQ(g_heard.from, link);
    Release(link, 445, 5);  // right of the text's end, still inside the control
    EXPECT_EQ(g_heard.clicks, 1) << "a release beside the text is not a click";

    SendMessageA(link, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(link, WM_KEYDOWN, VK_RETURN, 0);
    SendMessageA(link, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(g_heard.clicks, 3);
    MSG enter{};
    enter.hwnd = link;
    enter.message = WM_KEYDOWN;
    enter.wParam = VK_RETURN;
    EXPECT_TRUE(SendMessageA(link, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTMESSAGE)
        << "the dialog would take Enter for its default button";
}

TEST_F(LinkControlTest, TheHandShowsOverTheTextOnly) {
    HWND link = MakeStatic("<a>Open</a>");
    ASSERT_TRUE(MakeLink(link));
    UpdateWindow(parent_);
    POINT onText{4, 6}, beside{440, 6};
    const HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
    ClientToScreen(link, &onText);
    ClientToScreen(link, &beside);
    SetCursorPos(onText.x, onText.y);
    SetCursor(arrow);
    EXPECT_TRUE(SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_NE(GetCursor(), arrow);
    EXPECT_NE(GetCursor(), nullptr);
    SetCursorPos(beside.x, beside.y);
    SetCursor(arrow);
    SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), arrow);
}

// The system's hot-light colour for one case, put back afterwards.
class HotLight {
public:
    explicit HotLight(COLORREF color) : saved_(GetSysColor(COLOR_HOTLIGHT)) { Set(color); }
    ~HotLight() { Set(saved_); }

private:
    static void Set(COLORREF color) {
        const INT element = COLOR_HOTLIGHT;
        SetSysColors(1, &element, &color);
    }
    COLORREF saved_;
};

TEST_F(LinkControlTest, TheVisitedColourComesOnlyWithTheParentsAnswer) {
    const COLORREF visited = RGB(10, 200, 30), hotLight = RGB(0, 102, 204);
    HotLight readable(hotLight);
    SetColor("Anchor Color", "1,2,3");
    SetColor("Anchor Color Visited", "10,200,30");
    HWND link = MakeStatic("<a>Velor</a>");
    ASSERT_TRUE(MakeLink(link));
    ASSERT_NE(GetSysColorBrush(COLOR_HOTLIGHT), nullptr) << "this case assumes a system with a hot-light colour";

    std::vector<COLORREF> before = Painted(link);
    EXPECT_TRUE(Shows(before, hotLight)) << "the hot-light colour replaces Anchor Color";
    EXPECT_FALSE(Shows(before, RGB(1, 2, 3)));
    EXPECT_FALSE(Shows(before, visited));

    g_heard.answer = 0;
    Release(link, 2, 5);
    EXPECT_FALSE(Shows(Painted(link), visited)) << "the parent did not take the click";

    g_heard.answer = 1;
    Release(link, 2, 5);
    std::vector<COLORREF> after = Painted(link);
    EXPECT_TRUE(Shows(after, visited));
    EXPECT_FALSE(Shows(after, hotLight));
}

TEST_F(LinkControlTest, AHotLightThatCannotBeReadLeavesTheAnchorColour) {
    HotLight pale(RGB(224, 224, 224));
    SetColor("Anchor Color", "1,2,3");
    HWND link = MakeStatic("<a>Velor</a>");
    ASSERT_TRUE(MakeLink(link));
    std::vector<COLORREF> colors = Painted(link);
    EXPECT_TRUE(Shows(colors, RGB(1, 2, 3)));
    EXPECT_FALSE(Shows(colors, RGB(224, 224, 224)));
}

TEST_F(LinkControlTest, AMalformedVisitedColourLeavesTheUsualOne) {
    SetColor("Anchor Color Visited", "300,0,0");
    HWND link = MakeStatic("<a>Velor</a>");
    ASSERT_TRUE(MakeLink(link));
    g_heard.answer = 1;
    Release(link, 2, 5);
    EXPECT_TRUE(Shows(Painted(link), RGB(128, 0, 128)));
}

TEST_F(LinkControlTest, TheClassMakesTheSameLinkOnceRegistered) {
    ASSERT_TRUE(RegisterLinkClass());
    ASSERT_TRUE(RegisterLinkClass()) << "a second registration in the process is no failure";
    WNDCLASSEXA type{};
    type.cbSize = sizeof type;
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), kLinkClassName, &type));
    EXPECT_EQ(type.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    EXPECT_EQ(type.hCursor, LoadCursor(nullptr, IDC_ARROW));

    HWND link = CreateWindowExA(0, kLinkClassName, "Double click folder to edit Sharing and Security...",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 40, 400, 18, parent_,
                                reinterpret_cast<HMENU>(300), GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(link, nullptr);
    SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(link, WM_GETFONT, 0, 0)), font_);
    Release(link, 3, 6);
    EXPECT_EQ(g_heard.clicks, 1);
    EXPECT_EQ(g_heard.id, 300u);
    Release(link, 398, 6);
    EXPECT_EQ(g_heard.clicks, 1);
    SendMessageA(link, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(g_heard.clicks, 2);
    DestroyWindow(link);
}

}  // namespace
}  // namespace velor::velhook
