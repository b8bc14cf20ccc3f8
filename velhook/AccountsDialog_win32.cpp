// The accounts dialog's addition: full-row selection in its list, and its properties button arms
// the dialog hook for the selected account when it is one of this server's, so that the account's
// sheet gets the extension's switch there as well.
#include <windows.h>
#include <commctrl.h>

#include <utility>

#include "velhook/DialogHook_win32.h"

namespace velor::velhook {
namespace {

// Outlook Express's controls in the dialog.
constexpr int kOeAccountList = 2022;
constexpr int kOeAccountProperties = 2021;
constexpr int kOeAccountTabs = 2023;

class AccountsDialogSubclass : public ArmedDialogSubclass {
protected:
    bool IsExpected() override {
        return GetDlgItem(window(), kOeAccountList) && GetDlgItem(window(), kOeAccountTabs) &&
               GetDlgItem(window(), kOeAccountProperties);
    }
    bool HandleExpected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (message == WM_INITDIALOG) {
            *result = CallPrevious(message, wParam, lParam);
            SendDlgItemMessageA(window(), kOeAccountList, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                                LVS_EX_FULLROWSELECT);
            return true;
        }
        if (message != WM_COMMAND || LOWORD(wParam) != kOeAccountProperties) return false;
        DisarmOnReturn disarm;
        ArmForSelectedAccount();
        *result = CallPrevious(message, wParam, lParam);
        return true;
    }

private:
    void ArmForSelectedAccount() {
        // The mail tabs only: news and directory accounts are never this server's.
        const auto tab = SendDlgItemMessageA(window(), kOeAccountTabs, TCM_GETCURSEL, 0, 0);
        if (tab != 0 && tab != 1) return;
        HWND list = GetDlgItem(window(), kOeAccountList);
        const int row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        if (row < 0) return;
        char name[MAX_PATH + 1] = {};
        LVITEMA item{};
        item.iSubItem = 0;
        item.pszText = name;
        item.cchTextMax = sizeof name;
        SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        PropertySheetRequest request;
        if (!FindAccount(name, nullptr, &request.account)) return;
        KeepPropertySheetRequest(std::move(request));
        if (!ArmDialogHook(DialogKind::kAccountProperties)) KeepPropertySheetRequest(PropertySheetRequest{});
    }
};

}  // namespace

bool AttachAccountsDialog(HWND dialog) {
    auto* subclass = new AccountsDialogSubclass;
    if (subclass->Attach(dialog)) return true;
    delete subclass;
    return false;
}

}  // namespace velor::velhook
