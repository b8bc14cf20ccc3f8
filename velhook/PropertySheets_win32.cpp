#include "velhook/PropertySheets_win32.h"

#include <commctrl.h>
#include <prsht.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "velhook/Accounts_win32.h"
#include "velhook/DialogHook_win32.h"
#include "velhook/HostWindows_win32.h"
#include "velhook/LinkControl_win32.h"
#include "velhook/Module_win32.h"
#include "velhook/RuntimeBinding_win32.h"
#include "velhook/res/Resource.h"

namespace velor::velhook {
namespace {

// The account page's controls from template 140 sit this far below the page's top.
constexpr int kAddedControlsTop = 270;

bool IsPropertySheet(HWND dialog) {
    char className[32] = {};
    HWND tabs = GetDlgItem(dialog, kSheetTabControl);
    return tabs && GetClassNameA(tabs, className, sizeof className) && lstrcmpiA(className, WC_TABCONTROLA) == 0;
}

INT_PTR CALLBACK HolderProcedure(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

// Moves the controls of template 140 onto the page, below its own, keeping their places and
// taking the page's font; in the tab order they follow the page's control 2018 when it has one.
void PlaceAddedControls(HWND page) {
    RECT client;
    GetClientRect(page, &client);
    HWND holder = CreateDialogParamA(ModuleHandle(), MAKEINTRESOURCEA(IDD_ACCOUNT_EXTENSION), page, HolderProcedure, 0);
    if (!holder) return;
    SetWindowPos(holder, nullptr, client.left, client.top + kAddedControlsTop, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    std::vector<HWND> controls;
    for (HWND child = GetWindow(holder, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) controls.push_back(child);
    const auto font = static_cast<WPARAM>(SendMessageA(page, WM_GETFONT, 0, 0));
    HWND after = GetDlgItem(page, kOeIncludeAccount);
    for (HWND control : controls) {
        RECT place;
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&place), 2);
        SetParent(control, page);
        SetWindowPos(control, after, place.left, place.top, 0, 0,
                     SWP_NOSIZE | SWP_NOACTIVATE | (after ? 0 : SWP_NOZORDER));
        if (font) SendMessageA(control, WM_SETFONT, font, FALSE);
        if (after) after = control;
    }
}

// The account's first page: box 203 switches the extension for the account when the sheet is
// applied. The page owns the account's key for its lifetime, so every Apply writes again.
class AccountPageSubclass : public Subclass {
public:
    explicit AccountPageSubclass(RegistryKey account) : account_(std::move(account)) {}

protected:
    bool Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        switch (message) {
            case kAccountPageInitMessage: {
                if (HWND link = GetDlgItem(window(), IDC_ACCOUNT_LINK)) MakeLink(link);
                CheckDlgButton(window(), IDC_ENABLE_ACCOUNT, IsAccountEnabled(account_.get()) ? BST_CHECKED : BST_UNCHECKED);
                *result = 1;
                return true;
            }
            case WM_COMMAND:
                if (LOWORD(wParam) != IDC_ENABLE_ACCOUNT) return false;
                if (HIWORD(wParam) == BN_CLICKED)
                    SendMessageA(GetParent(window()), PSM_CHANGED, reinterpret_cast<WPARAM>(window()), 0);
                *result = 0;
                return true;
            case WM_NOTIFY: {
                const auto* header = reinterpret_cast<const NMHDR*>(lParam);
                if (header->code == static_cast<UINT>(PSN_APPLY)) {
                    Apply();
                    return false;  // the page applies its own settings as well
                }
                if (header->idFrom == IDC_ACCOUNT_LINK && header->code == static_cast<UINT>(NM_CLICK)) {
                    // "Learn more" has no page to open offline; the product's About box tells it.
                    *result = SUCCEEDED(Runtime().About()) ? 1 : 0;
                    return true;
                }
                return false;
            }
        }
        return false;
    }
    void OnFinalMessage(HWND) override { delete this; }

private:
    void Apply() {
        // What the box shows is what is stored: a state kept beside it could drift from it.
        const bool enabled = IsDlgButtonChecked(window(), IDC_ENABLE_ACCOUNT) == BST_CHECKED;
        if (!account_ || FAILED(SetAccountEnabled(account_.get(), enabled))) return;
        ShowAccountPictureNamed(AccountNameOf(account_.get()), enabled);
    }

    RegistryKey account_;
};

class AccountSheetSubclass : public ArmedDialogSubclass {
public:
    explicit AccountSheetSubclass(RegistryKey account) : account_(std::move(account)) {}

protected:
    bool IsExpected() override { return account_ && IsPropertySheet(window()); }
    bool HandleExpected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (message != WM_INITDIALOG || !account_) return false;
        *result = CallPrevious(message, wParam, lParam);
        auto page = reinterpret_cast<HWND>(SendMessageA(window(), PSM_GETCURRENTPAGEHWND, 0, 0));
        if (!page) return true;
        auto* subclass = new AccountPageSubclass(std::move(account_));
        if (!subclass->Attach(page)) {
            delete subclass;
            return true;
        }
        PlaceAddedControls(page);
        SendMessageA(page, kAccountPageInitMessage, 0, 0);
        return true;
    }

private:
    RegistryKey account_;
};

// A server folder's sheet gains the sharing page. The settings the page was made with live until
// the sheet and its pages are gone.
class FolderSheetSubclass : public ArmedDialogSubclass {
public:
    explicit FolderSheetSubclass(PropertySheetRequest request) : request_(std::move(request)) {}

protected:
    bool IsExpected() override { return request_.account && IsPropertySheet(window()); }
    bool HandleExpected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (message != WM_INITDIALOG) return false;
        RegistryKey account = std::move(request_.account);
        // An account whose settings cannot be read only goes without the page: the folder's own
        // properties still open.
        const bool readable = ReadAccountSettings(account.get(), &settings_) == S_OK && settings_;
        account.Reset();
        *result = CallPrevious(message, wParam, lParam);
        if (!readable) return true;
        HPROPSHEETPAGE page = nullptr;
        if (Runtime().CreatePageSecurity(request_.folderPath.c_str(), settings_.get(), &page) != S_OK || !page) return true;
        if (!SendMessageA(window(), PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(page))) {
            DestroyPropertySheetPage(page);
            return true;
        }
        if (request_.sharingPageFirst) {
            SendMessageA(window(), PSM_SETCURSEL, 0, reinterpret_cast<LPARAM>(page));
            request_.sharingPageFirst = false;
        }
        return true;
    }

private:
    PropertySheetRequest request_;
    std::unique_ptr<AccountSettings> settings_;
};

}  // namespace

bool AttachAccountPropertySheet(HWND sheet) {
    PropertySheetRequest request = TakePropertySheetRequest();
    if (!request.account) return false;
    auto* subclass = new AccountSheetSubclass(std::move(request.account));
    if (subclass->Attach(sheet)) return true;
    delete subclass;
    return false;
}

bool AttachFolderPropertySheet(HWND sheet) {
    PropertySheetRequest request = TakePropertySheetRequest();
    if (!request.account) return false;
    auto* subclass = new FolderSheetSubclass(std::move(request));
    if (subclass->Attach(sheet)) return true;
    delete subclass;
    return false;
}

}  // namespace velor::velhook
