#include "velcore/sharing/AddUserDialog_win32.h"

#include "velcore/protocol/DialogBase_win32.h"
#include "velcore/protocol/ResourceModule_win32.h"
#include "velcore/res/SharingResource.h"
#include "velcore/sharing/AddressBookPicker_win32.h"

#include <vector>

namespace velor {
namespace {

class AddUserDialog : public DialogBase {
public:
    explicit AddUserDialog(NewAclName& result) : result_(result) {}

private:
    BOOL OnInit() override {
        HWND kinds = item(IDC_SHARING_ADD_KIND);
        SendMessageA(kinds, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadResourceString(IDS_SHARING_KIND_USER).c_str()));
        SendMessageA(kinds, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadResourceString(IDS_SHARING_KIND_GROUP).c_str()));
        SendMessageA(kinds, CB_SETCURSEL, 0, 0);
        // The identifier field of an ACL entry holds 127 characters.
        SendDlgItemMessageA(window(), IDC_SHARING_ADD_NAME, EM_LIMITTEXT, kAclIdentifierSize - 1, 0);
        SetFocus(item(IDC_SHARING_ADD_NAME));
        return FALSE;  // the focus is set
    }

    void OnCommand(WORD code, WORD id) override {
        if (id == IDC_SHARING_ADD_ADDRESS_BOOK && code == BN_CLICKED) return chooseFromAddressBook();
        DialogBase::OnCommand(code, id);
    }

    void chooseFromAddressBook() {
        ChosenAddress chosen;
        if (PickAddress(GetActiveWindow(), chosen)) SetDlgItemTextA(window(), IDC_SHARING_ADD_NAME, chosen.address.c_str());
    }

    void OnOK() override {
        std::vector<char> name(kAclIdentifierSize + 1, '\0');
        GetDlgItemTextA(window(), IDC_SHARING_ADD_NAME, name.data(), static_cast<int>(name.size()));
        result_.name = name.data();
        result_.kind = SendDlgItemMessageA(window(), IDC_SHARING_ADD_KIND, CB_GETCURSEL, 0, 0) == 1 ? kAclGroup : kAclUser;
        end(IDOK);
    }

    NewAclName& result_;
};

}  // namespace

bool AskAclName(HWND owner, NewAclName& result) {
    AddUserDialog dialog(result);
    return dialog.RunModal(owner, IDD_SHARING_ADD) == IDOK;
}

}  // namespace velor
