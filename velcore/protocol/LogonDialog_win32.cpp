#include "velcore/protocol/LogonDialog_win32.h"

#include "velcore/protocol/DialogBase_win32.h"
#include "velcore/res/resource.h"

#include <cstdio>
#include <vector>

namespace velor {
namespace {

std::string itemText(HWND control) {
    int length = GetWindowTextLengthA(control);
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    GetWindowTextA(control, text.data(), length + 1);
    return std::string(text.data());
}

class LogonDialog : public DialogBase {
public:
    explicit LogonDialog(LogonRecord& record) : record_(record) {}

private:
    BOOL OnInit() override {
        // The template's caption "Logon - %s" is the format of the title.
        std::string format = itemText(window());
        std::vector<char> title(format.size() + record_.server.size() + 1);
        std::snprintf(title.data(), title.size(), format.c_str(), record_.server.c_str());
        SetWindowTextA(window(), title.data());
        SetDlgItemTextA(window(), IDC_LOGON_SERVER, record_.server.c_str());
        SetDlgItemTextA(window(), IDC_LOGON_USER, record_.user.c_str());
        SetDlgItemTextA(window(), IDC_LOGON_PASSWORD, record_.password.c_str());
        HWND remember = item(IDC_LOGON_REMEMBER);
        if (!record_.remember) {
            EnableWindow(remember, FALSE);
        } else {
            CheckDlgButton(window(), IDC_LOGON_REMEMBER, *record_.remember == 1 ? BST_CHECKED : BST_UNCHECKED);
        }
        // The focused field's whole text is selected, as in the platform's own dialogs, so what
        // the user types replaces the refused text instead of being put in front of it.
        HWND focus = item(record_.user.empty() ? IDC_LOGON_USER : IDC_LOGON_PASSWORD);
        SetFocus(focus);
        SendMessageA(focus, EM_SETSEL, 0, -1);
        return FALSE;  // the focus is set here
    }

    void OnOK() override {
        record_.server = itemText(item(IDC_LOGON_SERVER));
        record_.user = itemText(item(IDC_LOGON_USER));
        record_.password = itemText(item(IDC_LOGON_PASSWORD));
        if (record_.remember) *record_.remember = IsDlgButtonChecked(window(), IDC_LOGON_REMEMBER) == BST_CHECKED ? 1 : 0;
        end(IDOK);
    }

    LogonRecord& record_;
};

}  // namespace

bool RunLogonDialog(LogonRecord& record) {
    LogonDialog dialog(record);
    return dialog.RunModal(GetActiveWindow(), IDD_LOGON) == IDOK;
}

}  // namespace velor
