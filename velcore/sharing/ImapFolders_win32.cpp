#include <winsock2.h>  // before windows.h, which would bring the old winsock.h

#include "velcore/sharing/ImapFolders_win32.h"

#include "velcore/protocol/AclCommands.h"
#include "velcore/protocol/DialogBase_win32.h"
#include "velcore/protocol/ExportGuard.h"
#include "velcore/protocol/Prompts_win32.h"
#include "velcore/protocol/ResourceModule_win32.h"
#include "velcore/protocol/Runtime.h"
#include "velcore/protocol/Session.h"
#include "velcore/protocol/WinsockTransport_win32.h"
#include "velcore/res/SharingResource.h"
#include "velcore/res/resource.h"
#include "velcore/sharing/FolderRows.h"
#include "velcore/sharing/ListView_win32.h"
#include "velcore/sharing/SharingPage_win32.h"
#include "velcore/sharing/SysLink_win32.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace velor {
namespace {

constexpr int kFolderColumn = 0, kPermissionsColumn = 1, kColumnWidth = 200;
constexpr int kSharedPicture = 6, kSharedOverlay = 1;

// ACL lists filled by one read, freed together.
struct HeldAcls {
    std::vector<AclList> lists;
    ~HeldAcls() {
        for (AclList& list : lists) AclListClear(list);
    }
};

class ImapFoldersWindow : public DialogBase {
public:
    explicit ImapFoldersWindow(AccountSettings& account) : account_(account) {}

private:
    BOOL OnInit() override {
        list_ = ListView(item(IDC_IMAP_FOLDERS_LIST));
        list_.SetExtendedStyle(LVS_EX_FULLROWSELECT);
        HIMAGELIST pictures = LoadPictureStrip(IDB_FOLDERS);
        if (pictures) ImageList_SetOverlayImage(pictures, kSharedPicture, kSharedOverlay);
        list_.SetSmallImages(pictures);  // the list destroys it
        list_.AddColumn(kFolderColumn, LoadResourceString(IDS_FOLDERS_COLUMN_FOLDER), kColumnWidth);
        list_.AddColumn(kPermissionsColumn, LoadResourceString(IDS_FOLDERS_COLUMN_PERMISSIONS), kColumnWidth);
        rememberLayout();
        if (!readFolders()) {
            list_.Enable(false);
            return TRUE;
        }
        for (std::size_t i = 0; i < rows_.size(); ++i)
            list_.InsertRow(static_cast<int>(i), rows_[i].label, rows_[i].picture, static_cast<LPARAM>(i), rows_[i].level);
        readPermissions(allRows());
        return TRUE;
    }

    void OnCommand(WORD code, WORD id) override {
        if (id == IDC_IMAP_FOLDERS_HINT && code == BN_CLICKED) return openSelected();
        if (id == IDOK || id == IDCANCEL) return end(IDOK);
    }

    INT_PTR OnMessage(UINT message, WPARAM /*wParam*/, LPARAM lParam) override {
        switch (message) {
            case WM_NOTIFY: return onNotify(*reinterpret_cast<NMHDR*>(lParam));
            case WM_SIZE: layOut(); return TRUE;
            case WM_GETMINMAXINFO:
                reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = minimumSize_;
                return TRUE;
            default: return FALSE;
        }
    }

    // The subscribed folders, as one LSUB on a connection of its own.
    bool readFolders() {
        std::string response;
        std::int32_t result;
        {
            CurrentAccountScope current(&account_);
            WinsockTransport transport(account_);
            WindowsPrompts prompts(window());
            result = SingleCommandSession(transport, account_, prompts, kListSubscribedCommand, &response, nullptr);
        }
        if (result != 0) return false;
        rows_ = BuildFolderRows(ParseFolderList(response), ResourceFolderNames());
        return true;
    }

    std::vector<FolderRow> allRows() const { return rows_; }

    // Every listed folder's ACL over one connection, so a server without ACL support or a
    // refused password asks once. A folder whose ACL cannot be read keeps an empty cell.
    void readPermissions(const std::vector<FolderRow>& rows, std::size_t firstRow = 0) {
        HeldAcls acls;
        std::vector<std::size_t> requestRows;
        std::vector<FolderAclRequest> requests = AclRequestsFor(rows, acls.lists, requestRows);
        if (requests.empty()) return;
        FolderAclRequests work{requests.data(), static_cast<std::uint32_t>(requests.size())};
        {
            CurrentAccountScope current(&account_);
            WinsockTransport transport(account_);
            WindowsPrompts prompts(window());
            GetAcls(transport, account_, prompts, ResourceFolderNames(), work);
        }
        const std::string all = LoadResourceString(IDS_ACL_ALL_RIGHTS);
        for (std::size_t i = 0; i < requests.size(); ++i) {
            int row = static_cast<int>(firstRow + requestRows[i]);
            bool read = requests[i].result == 0;
            list_.SetOverlay(row, read && IsShared(acls.lists[i]) ? kSharedOverlay : 0);
            list_.SetCell(row, kPermissionsColumn, read ? RenderAcl(acls.lists[i], all) : std::string());
        }
    }

    INT_PTR onNotify(NMHDR& header) {
        if (header.idFrom != IDC_IMAP_FOLDERS_LIST) return FALSE;
        if (header.code == NM_DBLCLK && reinterpret_cast<NMITEMACTIVATE&>(header).iItem >= 0) {
            openSelected();
        } else if (header.code == NM_CUSTOMDRAW) {
            SetWindowLongPtrA(window(), DWLP_MSGRESULT, customDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header)));
            return TRUE;
        }
        return FALSE;
    }

    // Containers that hold only folders are greyed: they have no ACL and no page.
    LRESULT customDraw(NMLVCUSTOMDRAW& draw) {
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
        if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            std::size_t row = static_cast<std::size_t>(draw.nmcd.lItemlParam);
            if (row < rows_.size() && !rows_[row].selectable) draw.clrText = GetSysColor(COLOR_GRAYTEXT);
        }
        return CDRF_DODEFAULT;
    }

    // The selected folder's page alone in a sheet; its row shows the ACL the page left.
    void openSelected() {
        int selected = list_.SelectedRow();
        if (selected < 0) return;
        std::size_t row = static_cast<std::size_t>(list_.RowValue(selected));
        if (row >= rows_.size() || !rows_[row].selectable) return;
        HPROPSHEETPAGE page = nullptr;
        if (CreateSharingPage(rows_[row].path.c_str(), &account_, &page) != S_OK) return;
        PROPSHEETHEADERA sheet{};
        sheet.dwSize = sizeof sheet;
        sheet.dwFlags = PSH_NOAPPLYNOW;
        sheet.hwndParent = GetActiveWindow();
        sheet.hInstance = ResourceModule();
        sheet.pszCaption = rows_[row].path.c_str();
        sheet.nPages = 1;
        sheet.phpage = &page;
        if (PropertySheetA(&sheet) > 0) readPermissions({rows_[row]}, row);
    }

    // The list takes what the window gains; the hint and Close keep to the bottom.
    void rememberLayout() {
        RECT frame, client, list, hint, close;
        GetWindowRect(window(), &frame);
        minimumSize_ = {frame.right - frame.left, frame.bottom - frame.top};
        GetClientRect(window(), &client);
        list = childRect(IDC_IMAP_FOLDERS_LIST);
        hint = childRect(IDC_IMAP_FOLDERS_HINT);
        close = childRect(IDOK);
        listMargin_ = {client.right - list.right, client.bottom - list.bottom};
        hintBottom_ = client.bottom - hint.top;
        closeCorner_ = {client.right - close.left, client.bottom - close.top};
        laidOut_ = true;
    }

    RECT childRect(int id) const {
        RECT r;
        GetWindowRect(item(id), &r);
        MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    void layOut() {
        if (!laidOut_) return;
        RECT client;
        GetClientRect(window(), &client);
        RECT list = childRect(IDC_IMAP_FOLDERS_LIST), hint = childRect(IDC_IMAP_FOLDERS_HINT);
        SetWindowPos(item(IDC_IMAP_FOLDERS_LIST), nullptr, 0, 0, client.right - listMargin_.x - list.left,
                     client.bottom - listMargin_.y - list.top, SWP_NOMOVE | SWP_NOZORDER);
        SetWindowPos(item(IDC_IMAP_FOLDERS_HINT), nullptr, hint.left, client.bottom - hintBottom_, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
        SetWindowPos(item(IDOK), nullptr, client.right - closeCorner_.x, client.bottom - closeCorner_.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
        InvalidateRect(window(), nullptr, TRUE);
    }

    AccountSettings& account_;
    ListView list_;
    std::vector<FolderRow> rows_;
    bool laidOut_ = false;
    POINT minimumSize_{}, listMargin_{}, closeCorner_{};
    int hintBottom_ = 0;
};

}  // namespace

HRESULT ShowImapFolders(AccountSettings& account) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    // The template's hint names the class: it must be known to the module the template comes
    // from (a language library, or Velcore itself).
    HINSTANCE own = static_cast<HINSTANCE>(TheRuntime().module);
    HINSTANCE templates = ResourceModuleFor(RT_DIALOG, IDD_IMAP_FOLDERS);
    SysLinkClass ownLink(own);
    SysLinkClass templateLink(templates);
    ImapFoldersWindow window(account);
    return window.RunModal(GetActiveWindow(), IDD_IMAP_FOLDERS) == -1 ? E_FAIL : S_OK;
}

}  // namespace velor
