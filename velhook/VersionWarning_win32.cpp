#include "velhook/VersionWarning_win32.h"

#include <string>

#include "velhook/Module_win32.h"
#include "velhook/res/Resource.h"

namespace velor::velhook {
namespace {

struct WarningTexts {
    std::string body;
    std::string checkBox;
    VersionWarningChoice choice;
};

// Sizes the text control to its text and moves the check box and buttons below it.
void LayOut(HWND dialog, const std::string& text) {
    HWND label = GetDlgItem(dialog, IDC_VERSION_WARNING_TEXT);
    RECT r;
    GetWindowRect(label, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
    RECT measure = {0, 0, r.right - r.left, 0};
    DrawTextA(dc, text.c_str(), -1, &measure, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    int textHeight = measure.bottom > r.bottom - r.top ? measure.bottom : r.bottom - r.top;
    MoveWindow(label, r.left, r.top, r.right - r.left, textHeight, FALSE);
    int y = r.top + textHeight + 8;
    RECT unit = {0, 0, 4, 8};
    MapDialogRect(dialog, &unit);  // one dialog unit in pixels: unit.right / 4, unit.bottom / 8
    HWND box = GetDlgItem(dialog, IDC_VERSION_WARNING_DONT_SHOW);
    RECT b;
    GetWindowRect(box, &b);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&b), 2);
    MoveWindow(box, b.left, y, b.right - b.left, b.bottom - b.top, FALSE);
    y += b.bottom - b.top + unit.bottom;
    int buttonsHeight = 0;
    for (int id : {IDOK, IDCANCEL}) {
        HWND button = GetDlgItem(dialog, id);
        RECT k;
        GetWindowRect(button, &k);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&k), 2);
        MoveWindow(button, k.left, y, k.right - k.left, k.bottom - k.top, FALSE);
        buttonsHeight = k.bottom - k.top;
    }
    RECT client;
    GetClientRect(dialog, &client);
    client.bottom = y + buttonsHeight + unit.bottom;
    RECT outer = client;
    AdjustWindowRectEx(&outer, GetWindowLongA(dialog, GWL_STYLE), FALSE, GetWindowLongA(dialog, GWL_EXSTYLE));
    SetWindowPos(dialog, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Centred on the owner or the screen again, now that it has its size.
    HWND owner = GetWindow(dialog, GW_OWNER);
    RECT area, self;
    if (!owner || !GetWindowRect(owner, &area)) SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(dialog, &self);
    int w = self.right - self.left, h = self.bottom - self.top;
    SetWindowPos(dialog, nullptr, area.left + ((area.right - area.left) - w) / 2,
                 area.top + ((area.bottom - area.top) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK WarningProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            auto* texts = reinterpret_cast<WarningTexts*>(lParam);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            SendDlgItemMessageA(dialog, IDC_VERSION_WARNING_ICON, STM_SETICON,
                                reinterpret_cast<WPARAM>(LoadIcon(nullptr, IDI_WARNING)), 0);
            SetDlgItemTextA(dialog, IDC_VERSION_WARNING_TEXT, texts->body.c_str());
            if (texts->checkBox.empty()) ShowWindow(GetDlgItem(dialog, IDC_VERSION_WARNING_DONT_SHOW), SW_HIDE);
            else SetDlgItemTextA(dialog, IDC_VERSION_WARNING_DONT_SHOW, texts->checkBox.c_str());
            LayOut(dialog, texts->body);
            MessageBeep(MB_ICONWARNING);
            SetFocus(GetDlgItem(dialog, IDCANCEL));
            return FALSE;
        }
        case WM_COMMAND: {
            int id = LOWORD(wParam);
            if (id != IDOK && id != IDCANCEL) break;
            auto* texts = reinterpret_cast<WarningTexts*>(GetWindowLongPtrA(dialog, DWLP_USER));
            if (texts) {
                texts->choice.accepted = id == IDOK;
                texts->choice.dontShowAgain = IsDlgButtonChecked(dialog, IDC_VERSION_WARNING_DONT_SHOW) == BST_CHECKED;
            }
            EndDialog(dialog, id);
            return TRUE;
        }
    }
    return FALSE;
}

}  // namespace

VersionWarningChoice ShowVersionWarning(HWND owner, const FileVersion& found) {
    WarningTexts texts;
    std::string full = UnsupportedVersionText(LoadModuleString(IDS_UNSUPPORTED_VERSION), found,
                                              LoadModuleString(IDS_UNSUPPORTED_VERSION_CHOICE));
    texts.body = SplitCheckBoxLine(full, &texts.checkBox);
    INT_PTR result = DialogBoxParamA(ModuleHandle(), MAKEINTRESOURCEA(IDD_VERSION_WARNING), owner, WarningProc,
                                     reinterpret_cast<LPARAM>(&texts));
    if (result == -1) {
        // Without the dialog, the plain box still lets the user choose.
        texts.choice = {};
        texts.choice.accepted = ShowMessage(owner, texts.body, MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) == IDOK;
    }
    return texts.choice;
}

}  // namespace velor::velhook
