#include <winsock2.h>  // before windows.h, which would bring the old winsock.h

#include "velcore/sharing/SharingPage_win32.h"

#include "velcore/protocol/AclCommands.h"
#include "velcore/protocol/ExportGuard.h"
#include "velcore/protocol/Messages_win32.h"
#include "velcore/protocol/Prompts_win32.h"
#include "velcore/protocol/ResourceModule_win32.h"
#include "velcore/protocol/WinsockTransport_win32.h"
#include "velcore/res/SharingResource.h"
#include "velcore/res/resource.h"
#include "velcore/sharing/AddUserDialog_win32.h"
#include "velcore/sharing/ListView_win32.h"
#include "velcore/sharing/SharingPageState.h"

#include <commctrl.h>

#include <cstdio>
#include <new>
#include <string>
#include <vector>

namespace velor {
namespace {

constexpr int kRightNames[kPermissionRows] = {IDS_RIGHT_LOOKUP, IDS_RIGHT_READ,   IDS_RIGHT_WRITE, IDS_RIGHT_INSERT,
                                              IDS_RIGHT_CREATE, IDS_RIGHT_DELETE, IDS_RIGHT_ADMIN};
constexpr int kCheckColumnWidth = 23, kRightColumnWidth = 200;

// "Show owner (self)" holds for the life of the process: later pages open as the last one left it.
bool g_showOwner = true;

// A list that frees itself.
struct HeldAcl {
    AclList list{};
    ~HeldAcl() { AclListClear(list); }
};

class SharingPage {
public:
    SharingPage(const char* folder, AccountSettings* account) : folder_(folder), account_(account) {}

    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static UINT CALLBACK Callback(HWND, UINT message, PROPSHEETPAGEA* page);

private:
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    void open();
    void setUpLists();
    void fillNames();
    void showSelection();
    bool onNotify(const NMHDR& header);
    void onRightChanged(const NMLISTVIEW& change);
    void add();
    void remove();
    void toggleOwner();
    void apply();
    void changed() { PropSheet_Changed(GetParent(window_), window_); }
    HWND item(int id) const { return GetDlgItem(window_, id); }
    void enable(int id, bool enabled) const { EnableWindow(item(id), enabled ? TRUE : FALSE); }

    std::string folder_;
    AccountSettings* account_;
    SharingPageState state_;
    HWND window_ = nullptr;
    ListView names_, rights_;
    std::string permissionsFormat_;
    bool ready_ = false;  // change notifications are the user's only while set
};

INT_PTR CALLBACK SharingPage::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SharingPage* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<SharingPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
        self->window_ = window;
        SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<SharingPage*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!self) return FALSE;
    INT_PTR result = FALSE;
    try {
        result = self->handle(message, wParam, lParam);
    } catch (...) {
        // Nothing unwinds through the property sheet: the page stays as it was.
        result = FALSE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, DWLP_USER, 0);
        self->window_ = nullptr;
    }
    return result;
}

// The sheet releases the page after its window is gone: the state goes with it.
UINT CALLBACK SharingPage::Callback(HWND, UINT message, PROPSHEETPAGEA* page) {
    if (message == PSPCB_RELEASE && page) delete reinterpret_cast<SharingPage*>(page->lParam);
    return 1;
}

INT_PTR SharingPage::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: open(); return TRUE;
        case WM_NOTIFY: return onNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            switch (LOWORD(wParam)) {
                case IDC_SHARING_ADD: add(); return TRUE;
                case IDC_SHARING_REMOVE: remove(); return TRUE;
                case IDC_SHARING_SHOW_OWNER: toggleOwner(); return TRUE;
                default: return FALSE;
            }
        default: return FALSE;
    }
}

void SharingPage::setUpLists() {
    names_ = ListView(item(IDC_SHARING_NAMES));
    names_.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    names_.SetSmallImages(LoadPictureStrip(IDB_ACL_KINDS));  // the list destroys it
    RECT client;
    GetClientRect(names_.handle(), &client);
    names_.AddColumn(0, "", client.right - GetSystemMetrics(SM_CXVSCROLL));

    rights_ = ListView(item(IDC_SHARING_RIGHTS));
    rights_.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    rights_.AddColumn(0, "", kCheckColumnWidth);
    rights_.AddColumn(1, "", kRightColumnWidth);
    for (std::size_t i = 0; i < kPermissionRows; ++i) {
        int row = rights_.InsertRow(static_cast<int>(i), "", -1, kPermissionLetters[i]);
        rights_.SetCell(row, 1, LoadResourceString(kRightNames[i]));
    }
    char format[256] = {};
    GetWindowTextA(item(IDC_SHARING_PERMISSIONS_FOR), format, sizeof format);
    permissionsFormat_ = format;
}

void SharingPage::open() {
    setUpLists();
    HeldAcl acl;
    std::int32_t result;
    {
        CurrentAccountScope current(account_);
        WinsockTransport transport(*account_);
        WindowsPrompts prompts(window_);
        result = GetFolderAcl(transport, *account_, prompts, ResourceFolderNames(), folder_.c_str(), acl.list);
    }
    // Without the folder's ACL the page stays as its template has it: nothing can be edited.
    if (result != 0) return;
    state_.Load(acl.list, g_showOwner);
    names_.Enable(true);
    enable(IDC_SHARING_ADD, state_.AddEnabled());
    enable(IDC_SHARING_SHOW_OWNER, state_.OwnerPresent());
    CheckDlgButton(window_, IDC_SHARING_SHOW_OWNER, state_.ShowOwner() ? BST_CHECKED : BST_UNCHECKED);
    ShowWindow(item(IDC_SHARING_SHOW_OWNER), state_.OwnerPresent() ? SW_SHOW : SW_HIDE);
    fillNames();
}

// The names list as the state has it, with its selection and what follows from it.
void SharingPage::fillNames() {
    ready_ = false;
    names_.Clear();
    for (std::size_t i = 0; i < state_.RowCount(); ++i)
        names_.InsertRow(static_cast<int>(i), state_.RowText(i), state_.RowPicture(i),
                         static_cast<LPARAM>(state_.RowEntry(i)));
    names_.Select(state_.SelectedRow());
    showSelection();
}

void SharingPage::showSelection() {
    ready_ = false;
    enable(IDC_SHARING_REMOVE, state_.RemoveEnabled());
    rights_.Enable(state_.PermissionsEnabled());
    for (std::size_t i = 0; i < kPermissionRows; ++i) rights_.SetChecked(static_cast<int>(i), state_.Permitted(i));
    HWND caption = item(IDC_SHARING_PERMISSIONS_FOR);
    int row = state_.SelectedRow();
    if (row >= 0) {
        std::string name = state_.RowText(static_cast<std::size_t>(row));
        std::vector<char> text(permissionsFormat_.size() + name.size() + 1);
        std::snprintf(text.data(), text.size(), permissionsFormat_.c_str(), name.c_str());
        SetWindowTextA(caption, text.data());
        ShowWindow(caption, SW_SHOW);
    }
    ready_ = true;
}

// True for the one notification whose result the page sets (PSN_APPLY); the others keep their
// default answers.
bool SharingPage::onNotify(const NMHDR& header) {
    if (header.code == PSN_APPLY) {
        apply();
        return true;
    }
    if (header.code != LVN_ITEMCHANGED || !ready_) return false;
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if (header.idFrom == IDC_SHARING_NAMES && (change.uChanged & LVIF_STATE) &&
        (change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED)) {
        state_.Select(change.iItem);
        showSelection();
    } else if (header.idFrom == IDC_SHARING_RIGHTS) {
        onRightChanged(change);
    }
    return false;
}

void SharingPage::onRightChanged(const NMLISTVIEW& change) {
    if (!(change.uChanged & LVIF_STATE) || !((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK)) return;
    if (change.iItem < 0 || static_cast<std::size_t>(change.iItem) >= kPermissionRows) return;
    bool checked = (change.uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    if (state_.SetPermission(static_cast<std::size_t>(change.iItem), checked)) {
        changed();
    } else if (checked != state_.Permitted(static_cast<std::size_t>(change.iItem))) {
        // A box that cannot change (the rights are full): show what the entry holds.
        ready_ = false;
        rights_.SetChecked(change.iItem, !checked);
        ready_ = true;
    }
}

void SharingPage::add() {
    NewAclName typed;
    if (!AskAclName(GetActiveWindow(), typed)) return;
    switch (state_.Add(typed.name, typed.kind)) {
        case SharingPageState::AddResult::kAdded:
            fillNames();
            changed();
            break;
        case SharingPageState::AddResult::kAlreadyListed:
            MessageBeep(MB_ICONEXCLAMATION);
            ready_ = false;
            names_.Select(state_.SelectedRow());
            showSelection();
            break;
        case SharingPageState::AddResult::kRefused: MessageBeep(MB_ICONEXCLAMATION); break;
    }
}

void SharingPage::remove() {
    if (!state_.RemoveEnabled()) return;
    if (ShowMessage(window_, MB_YESNO | MB_ICONQUESTION, IDS_SHARING_REMOVE_QUESTION) != IDYES) return;
    if (!state_.RemoveSelected()) return;
    fillNames();
    changed();
}

void SharingPage::toggleOwner() {
    state_.ToggleShowOwner();
    g_showOwner = state_.ShowOwner();
    CheckDlgButton(window_, IDC_SHARING_SHOW_OWNER, g_showOwner ? BST_CHECKED : BST_UNCHECKED);
    fillNames();
}

// The sheet closes whatever the outcome: a failure is told, and the changes are not kept.
void SharingPage::apply() {
    if (state_.Modified()) {
        AclChanges changes = state_.PendingChanges();
        std::int32_t result;
        {
            CurrentAccountScope current(account_);
            WinsockTransport transport(*account_);
            WindowsPrompts prompts(window_);
            result = SetFolderAclChanges(transport, *account_, prompts, ResourceFolderNames(), folder_.c_str(),
                                         changes.removals, changes.grants);
        }
        if (result != 0) ShowMessage(window_, MB_OK, IDS_ACL_SET_FAILED);
        state_.Applied(result == 0);
    }
    SetWindowLongPtrA(window_, DWLP_MSGRESULT, PSNRET_NOERROR);
}

}  // namespace

HRESULT CreateSharingPage(const char* folder, AccountSettings* account, HPROPSHEETPAGE* page) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    auto* state = new (std::nothrow) SharingPage(folder, account);
    if (!state) return E_OUTOFMEMORY;
    PROPSHEETPAGEA sheetPage{};
    sheetPage.dwSize = sizeof sheetPage;
    sheetPage.dwFlags = PSP_USECALLBACK;
    sheetPage.hInstance = ResourceModuleFor(RT_DIALOG, IDD_SHARING_PAGE);
    sheetPage.pszTemplate = MAKEINTRESOURCEA(IDD_SHARING_PAGE);
    sheetPage.pfnDlgProc = &SharingPage::Procedure;
    sheetPage.pfnCallback = &SharingPage::Callback;
    sheetPage.lParam = reinterpret_cast<LPARAM>(state);
    *page = CreatePropertySheetPageA(&sheetPage);
    if (!*page) {
        delete state;
        return E_FAIL;
    }
    return S_OK;
}

}  // namespace velor
