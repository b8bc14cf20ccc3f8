#include "velhook/ImapFoldersDialog_win32.h"

#include "velhook/DialogHook_win32.h"

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "velhook/Accounts_win32.h"
#include "velhook/HostWindows_win32.h"
#include "velhook/ImapFoldersModel.h"
#include "velhook/ImapFoldersPermissions_win32.h"
#include "velhook/LinkControl_win32.h"
#include "velhook/Module_win32.h"
#include "velhook/RuntimeBinding_win32.h"
#include "velhook/SharedState_win32.h"
#include "velhook/Subclass_win32.h"
#include "velhook/res/Resource.h"

namespace velor::velhook {
namespace {

// Outlook Express's controls in the dialog.
constexpr int kFolderList = 2001, kAccountList = 2005, kTabs = 1016, kResetList = 2007;
// Its controls that act on list 2001, which an added tab hides.
constexpr int kHostControls[] = {2002, 1014, 1015, 1020};
constexpr WPARAM kCmdRefreshFolderTree = 40105;

// The added controls.
enum : int {
    kSharedList = 206,
    kSharingLink = 209,
    kMappingType = 211,
    kMappingName = 212,
    kAddMapping = 213,
    kRemoveMapping = 214,
    kUserName = 215,
    kMappingList = 216,
    kTypeLabel = 217,
    kUserLabel = 218,
    kNameLabel = 219,
};
constexpr int kSharedControls[] = {kSharedList, kSharingLink};
constexpr int kMappingControls[] = {kTypeLabel, kUserLabel, kNameLabel, kMappingType, kMappingName,
                                    kUserName,  kAddMapping, kRemoveMapping, kMappingList};
constexpr int kTextLimit = 260;
constexpr int kSharedOverlay = 1;
constexpr COLORREF kOverlayMaskColor = RGB(255, 0, 255);
constexpr int kLinkPadding = 2;
// The mapping row puts the name, type and user fields and the add button side by side over the
// folder list's width; below this width the fields would overlap.
constexpr int kMappingRowWidth = 470;
// The type box's items, in the order of MappingType.
constexpr UINT kMappingTypeTexts[] = {IDS_PUBLIC_FOLDERS, IDS_SHARED_FOLDERS, IDS_BACKUP_FOLDERS};

// A text resource with its one "%s" replaced; a translation without one is shown as it is.
std::string FormatString(UINT id, const std::string& value) {
    std::string text = LoadModuleString(id);
    const std::size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, value);
    return text;
}

std::string ListText(HWND list, int row, int column) {
    char text[kTextLimit + 1] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

int SelectedRow(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void AddColumn(HWND list, int index, const std::string& text, int width) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(text.c_str());
    column.cx = width;
    column.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

int InsertRow(HWND list, int row, const std::string& text, int image, int indent, LPARAM data) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_INDENT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = const_cast<char*>(text.c_str());
    item.iImage = image;
    item.iIndent = indent;
    item.lParam = data;
    return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void SetCell(HWND list, int row, int column, const std::string& text) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

void SelectListRow(HWND list, int row) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    SendMessageA(list, LVM_ENSUREVISIBLE, row, FALSE);
}

class ImapFoldersDialog : public ArmedDialogSubclass {
public:
    ~ImapFoldersDialog() override {
        if (images_) ImageList_Destroy(images_);
    }

protected:
    // Only the folders dialog has its accounts, folders and tabs; any other dialog caught instead
    // (a message box, say) is left alone.
    bool IsExpected() override { return Item(kAccountList) && Item(kFolderList) && Item(kTabs); }
    bool HandleExpected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    enum class View { kHost, kShared, kMappings };

    HWND Item(int id) const { return GetDlgItem(window(), id); }
    std::string ItemText(int id) const;
    void ShowItems(const int* ids, std::size_t count, bool show);

    LRESULT OnInitDialog(WPARAM wParam, LPARAM lParam);
    void CreateAddedControls();
    void PlaceAddedControlsInTabOrder();
    void SetUpLists();
    bool OnNotify(const NMHDR& header, LRESULT* result);
    bool OnCommand(int id, int code, LPARAM lParam, LRESULT* result);
    void OnAccountSelected(const NMLISTVIEW& change, LRESULT* result);
    void OnResetList(WPARAM wParam, LPARAM lParam, LRESULT* result);

    std::string SelectedAccount() const;
    bool IsEnabledAccount(const std::string& account) const;
    bool IsAddedTab(int tab) const { return tab >= 0 && (tab == sharedTab_ || tab == mappingsTab_); }
    void SelectTabForHost(int tab);
    void AddMissingTabs();
    void RemoveAddedTabs();
    void Reevaluate();
    void ShowView(View view);
    void DisableHostControls();
    void RestoreHostControls();

    void FillSharedView();
    bool OpenSharingPage();
    void RefreshSharedView();

    MappingType ChosenType() const;
    void FillMappingsView();
    void ShowUserNameField();
    void UpdateMappingButtons();
    void AddMapping();
    void RemoveMapping();
    void RefreshFolderTree();

    void LayOut();
    int TypeBoxWidth() const;
    void WidenForMappingRow();
    void KeepMappingRowWidth(MINMAXINFO* limits);

    std::vector<AccountEntry> enabledAccounts_;
    std::map<std::string, std::unique_ptr<PermissionCache>> permissions_;  // by account name
    std::vector<std::string> sharedPaths_;                                 // per row of list 206
    std::vector<FolderMappingEntry> mappings_;                             // per row of list 216
    int sharedTab_ = -1, mappingsTab_ = -1;  // positions of the added tabs, -1 while absent
    View view_ = View::kHost;
    bool hostControlsDisabled_ = false;
    bool hostControlsEnabled_[std::size(kHostControls)] = {};
    HIMAGELIST images_ = nullptr;  // ours, shared by lists 206 and 216
};

std::string ImapFoldersDialog::ItemText(int id) const {
    char text[kTextLimit + 1] = {};
    GetDlgItemTextA(window(), id, text, sizeof text);
    return text;
}

void ImapFoldersDialog::ShowItems(const int* ids, std::size_t count, bool show) {
    for (std::size_t i = 0; i < count; ++i)
        if (HWND item = Item(ids[i])) ShowWindow(item, show ? SW_SHOW : SW_HIDE);
}

LRESULT ImapFoldersDialog::OnInitDialog(WPARAM wParam, LPARAM lParam) {
    char caption[512] = {};
    GetWindowTextA(window(), caption, sizeof caption);
    SetWindowTextA(window(), (std::string(caption) + ", " + LoadModuleString(IDS_SHARING_AND_MAPPING)).c_str());
    CreateAddedControls();
    ListAccounts(&enabledAccounts_, true);
    const LRESULT result = CallPrevious(WM_INITDIALOG, wParam, lParam);
    PlaceAddedControlsInTabOrder();
    SetUpLists();
    SendMessageA(Item(kMappingType), CB_SETCURSEL, static_cast<WPARAM>(kDefaultMappingType), 0);
    // The host may have chosen its account before our tabs could follow.
    Reevaluate();
    WidenForMappingRow();
    LayOut();
    return result;
}

void ImapFoldersDialog::CreateAddedControls() {
    RegisterLinkClass();
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(window(), WM_GETFONT, 0, 0));
    RECT at{};
    if (HWND folders = Item(kFolderList)) {
        GetWindowRect(folders, &at);
        MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&at), 2);
    }
    auto create = [&](DWORD exStyle, const char* type, const std::string& text, DWORD style, int id, int width,
                      int height) {
        HWND control = CreateWindowExA(exStyle, type, text.c_str(), WS_CHILD | style, at.left, at.top, width, height,
                                       window(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleHandle(),
                                       nullptr);
        if (control && font) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return control;
    };
    const int width = std::max<int>(at.right - at.left, 1), height = std::max<int>(at.bottom - at.top, 1);

    // The link keeps the size of its text.
    const std::string linkText = LoadModuleString(IDS_DOUBLE_CLICK_TO_SHARE);
    SIZE linkSize{width, 16};
    if (HDC dc = GetDC(window())) {
        HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
        GetTextExtentPoint32A(dc, linkText.c_str(), static_cast<int>(linkText.size()), &linkSize);
        if (old) SelectObject(dc, old);
        ReleaseDC(window(), dc);
    }
    create(0, kLinkClassName, linkText, WS_TABSTOP, kSharingLink, linkSize.cx + kLinkPadding,
           linkSize.cy + kLinkPadding);

    const DWORD listStyle = WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER |
                            LVS_SHAREIMAGELISTS;
    create(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", listStyle, kSharedList, width, height);

    if (HWND type = create(0, WC_COMBOBOXA, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kMappingType, 100, 200))
        for (UINT text : kMappingTypeTexts)
            SendMessageA(type, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadModuleString(text).c_str()));
    for (int id : {kMappingName, kUserName})
        if (HWND edit = create(WS_EX_CLIENTEDGE, WC_EDITA, "", WS_TABSTOP | ES_AUTOHSCROLL, id, 100, 21))
            SendMessageA(edit, EM_LIMITTEXT, kTextLimit, 0);
    create(0, WC_BUTTONA, LoadModuleString(IDS_ADD_MAPPING), WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, kAddMapping, 100,
           25);
    create(0, WC_BUTTONA, LoadModuleString(IDS_REMOVE_MAPPING), WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON,
           kRemoveMapping, 100, 25);
    create(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", listStyle, kMappingList, width, height);
    create(0, WC_STATICA, LoadModuleString(IDS_TYPE_LABEL), SS_LEFT | SS_NOPREFIX, kTypeLabel, 100, 13);
    create(0, WC_STATICA, LoadModuleString(IDS_USER_NAME_LABEL), SS_LEFT | SS_NOPREFIX, kUserLabel, 100, 13);
    create(0, WC_STATICA, LoadModuleString(IDS_MAPPING_NAME_LABEL), SS_LEFT | SS_NOPREFIX, kNameLabel, 100, 13);

    for (int id : {kSharedList, kMappingList})
        SendMessageA(Item(id), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

// The added controls go above Outlook Express's tab control, right after the folder list they
// stand in for: so the tab control does not paint over them, and Tab reaches them in that place.
void ImapFoldersDialog::PlaceAddedControlsInTabOrder() {
    HWND after = Item(kFolderList);
    if (!after) return;
    for (int id : {kSharingLink, kSharedList, kNameLabel, kMappingName, kTypeLabel, kMappingType, kUserLabel, kUserName,
                   kAddMapping, kMappingList, kRemoveMapping}) {
        HWND control = Item(id);
        if (!control) continue;
        SetWindowPos(control, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = control;
    }
}

void ImapFoldersDialog::SetUpLists() {
    HWND folders = Item(kFolderList), shared = Item(kSharedList), mappings = Item(kMappingList);
    RECT client{};
    if (folders) GetClientRect(folders, &client);
    const int half = std::max<int>((client.right - client.left) / 2, 50);

    char first[kTextLimit + 1] = {};
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT;
    column.pszText = first;
    column.cchTextMax = sizeof first;
    if (folders) SendMessageA(folders, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    AddColumn(shared, 0, first, half);
    AddColumn(shared, 1, LoadModuleString(IDS_PERMISSIONS_COLUMN), half);
    AddColumn(mappings, 0, LoadModuleString(IDS_MAPPING_NAME_COLUMN), half);
    AddColumn(mappings, 1, LoadModuleString(IDS_MAPPING_TARGET_COLUMN), half);

    // The folder tree's pictures, and the shared mark as overlay 1 over them.
    auto hostImages = folders ? reinterpret_cast<HIMAGELIST>(SendMessageA(folders, LVM_GETIMAGELIST, LVSIL_SMALL, 0))
                              : nullptr;
    images_ = hostImages ? ImageList_Duplicate(hostImages)
                         : ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 1, 1);
    if (!images_) return;
    if (auto mark = static_cast<HBITMAP>(
            LoadImageA(ModuleHandle(), MAKEINTRESOURCEA(IDB_SHARED_OVERLAY), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR))) {
        const int index = ImageList_AddMasked(images_, mark, kOverlayMaskColor);
        if (index >= 0) ImageList_SetOverlayImage(images_, index, kSharedOverlay);
        DeleteObject(mark);
    }
    SendMessageA(shared, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_));
    SendMessageA(mappings, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_));
}

std::string ImapFoldersDialog::SelectedAccount() const {
    HWND accounts = Item(kAccountList);
    const int row = accounts ? SelectedRow(accounts) : -1;
    return row < 0 ? std::string() : ListText(accounts, row, 0);
}

bool ImapFoldersDialog::IsEnabledAccount(const std::string& account) const {
    return !account.empty() && std::any_of(enabledAccounts_.begin(), enabledAccounts_.end(),
                                           [&](const AccountEntry& entry) { return entry.name == account; });
}

// Changes the tab as a click would and lets Outlook Express alone hear of it.
void ImapFoldersDialog::SelectTabForHost(int tab) {
    HWND tabs = Item(kTabs);
    SendMessageA(tabs, TCM_SETCURSEL, tab, 0);
    NMHDR change{};
    change.hwndFrom = tabs;
    change.idFrom = kTabs;
    change.code = static_cast<UINT>(TCN_SELCHANGE);
    CallPrevious(WM_NOTIFY, kTabs, reinterpret_cast<LPARAM>(&change));
}

void ImapFoldersDialog::AddMissingTabs() {
    HWND tabs = Item(kTabs);
    auto append = [&](UINT text) {
        const std::string label = LoadModuleString(text);
        TCITEMA tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = const_cast<char*>(label.c_str());
        const int count = static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
        return static_cast<int>(SendMessageA(tabs, TCM_INSERTITEMA, count, reinterpret_cast<LPARAM>(&tab)));
    };
    if (sharedTab_ < 0) sharedTab_ = append(IDS_SHARED_TAB);
    if (mappingsTab_ < 0) mappingsTab_ = append(IDS_MAPPINGS_TAB);
}

void ImapFoldersDialog::RemoveAddedTabs() {
    HWND tabs = Item(kTabs);
    // The later one first, so the earlier one keeps its position.
    const int later = std::max(sharedTab_, mappingsTab_), earlier = std::min(sharedTab_, mappingsTab_);
    if (later >= 0) SendMessageA(tabs, TCM_DELETEITEM, later, 0);
    if (earlier >= 0) SendMessageA(tabs, TCM_DELETEITEM, earlier, 0);
    sharedTab_ = mappingsTab_ = -1;
}

void ImapFoldersDialog::Reevaluate() {
    HWND tabs = Item(kTabs);
    if (!tabs) return;
    if (!IsEnabledAccount(SelectedAccount())) {
        const bool onAddedTab = IsAddedTab(static_cast<int>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0)));
        if (view_ != View::kHost) ShowView(View::kHost);
        RemoveAddedTabs();
        // Back to the first tab only from one of ours: the host's own tabs stay usable.
        if (onAddedTab) SelectTabForHost(0);
    } else {
        AddMissingTabs();
        const int current = static_cast<int>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
        ShowView(current == sharedTab_ ? View::kShared : current == mappingsTab_ ? View::kMappings : View::kHost);
    }
}

void ImapFoldersDialog::ShowView(View view) {
    view_ = view;
    if (view == View::kHost) {
        ShowItems(kSharedControls, std::size(kSharedControls), false);
        ShowItems(kMappingControls, std::size(kMappingControls), false);
        if (HWND folders = Item(kFolderList)) ShowWindow(folders, SW_SHOW);
        RestoreHostControls();
    } else {
        DisableHostControls();
        if (view == View::kShared) FillSharedView();
        else FillMappingsView();
    }
}

// The states are taken as they are when an added tab comes up, so the host's own changes to
// them survive the visit.
void ImapFoldersDialog::DisableHostControls() {
    if (hostControlsDisabled_) return;
    for (std::size_t i = 0; i < std::size(kHostControls); ++i) {
        HWND control = Item(kHostControls[i]);
        hostControlsEnabled_[i] = control && IsWindowEnabled(control);
        if (control) EnableWindow(control, FALSE);
    }
    hostControlsDisabled_ = true;
}

void ImapFoldersDialog::RestoreHostControls() {
    if (!hostControlsDisabled_) return;
    for (std::size_t i = 0; i < std::size(kHostControls); ++i)
        if (HWND control = Item(kHostControls[i])) EnableWindow(control, hostControlsEnabled_[i]);
    hostControlsDisabled_ = false;
}

void ImapFoldersDialog::FillSharedView() {
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    HWND folders = Item(kFolderList), shared = Item(kSharedList);
    if (folders) ShowWindow(folders, SW_HIDE);
    ShowItems(kMappingControls, std::size(kMappingControls), false);

    SendMessageA(shared, LVM_DELETEALLITEMS, 0, 0);
    std::vector<FolderRow> rows;
    const int count = folders ? static_cast<int>(SendMessageA(folders, LVM_GETITEMCOUNT, 0, 0)) : 0;
    for (int i = 0; i < count; ++i) {
        char text[kTextLimit + 1] = {};
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_INDENT;
        item.iItem = i;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        if (!SendMessageA(folders, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) continue;
        InsertRow(shared, static_cast<int>(rows.size()), text, item.iImage, item.iIndent, 0);
        rows.push_back({text, item.iIndent});
    }
    sharedPaths_ = FolderPaths(rows);

    const std::string account = SelectedAccount();
    std::unique_ptr<PermissionCache>& cache = permissions_[account];
    // The dialog owns any message the library shows, so it cannot be used meanwhile.
    if (!cache) cache = ReadPermissions(window(), account, sharedPaths_);
    if (cache) {
        for (std::size_t row = 0; row < sharedPaths_.size(); ++row) {
            auto found = cache->find(sharedPaths_[row]);
            if (found == cache->end()) continue;
            const AclList& rights = found->second->acl;
            if (MarksShared(rights)) {
                LVITEMA mark{};
                mark.stateMask = LVIS_OVERLAYMASK;
                mark.state = INDEXTOOVERLAYMASK(kSharedOverlay);
                SendMessageA(shared, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&mark));
            }
            std::string text;
            if (Runtime().AclToString(&rights, &text) == S_OK) SetCell(shared, static_cast<int>(row), 1, text);
        }
    }
    ShowItems(kSharedControls, std::size(kSharedControls), true);
    SetCursor(previous);
}

bool ImapFoldersDialog::OpenSharingPage() {
    HWND shared = Item(kSharedList);
    const int row = SelectedRow(shared);
    if (row < 0 || static_cast<std::size_t>(row) >= sharedPaths_.size()) return false;
    const std::string caption = FormatString(IDS_FOLDER_PROPERTIES, ListText(shared, row, 0));
    std::unique_ptr<AccountSettings> settings = AccountSettingsNamed(SelectedAccount());
    if (!settings) return false;
    HPROPSHEETPAGE page = nullptr;
    if (Runtime().CreatePageSecurity(sharedPaths_[row].c_str(), settings.get(), &page) != S_OK || !page) return false;
    PROPSHEETHEADERA sheet{};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_NOAPPLYNOW;
    sheet.hwndParent = GetActiveWindow();
    sheet.hInstance = ModuleHandle();
    sheet.pszCaption = caption.c_str();
    sheet.nPages = 1;
    sheet.phpage = &page;
    // The page reads the record while it lives: the settings stay until the sheet has ended.
    const INT_PTR ended = PropertySheetA(&sheet);
    if (ended == 1) {
        RefreshSharedView();
        SelectListRow(shared, row);
    }
    return true;
}

// The host fills its list for the first tab again, the account's permissions are read anew, and
// the "Shared" view is built from both.
void ImapFoldersDialog::RefreshSharedView() {
    if (sharedTab_ < 0) return;
    SelectTabForHost(0);
    permissions_.erase(SelectedAccount());
    SendMessageA(Item(kTabs), TCM_SETCURSEL, sharedTab_, 0);
    Reevaluate();
}

MappingType ImapFoldersDialog::ChosenType() const {
    const LRESULT chosen = SendMessageA(Item(kMappingType), CB_GETCURSEL, 0, 0);
    if (chosen < 0 || chosen >= static_cast<LRESULT>(std::size(kMappingTypeTexts))) return kDefaultMappingType;
    return static_cast<MappingType>(chosen);
}

void ImapFoldersDialog::FillMappingsView() {
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    if (HWND folders = Item(kFolderList)) ShowWindow(folders, SW_HIDE);
    ShowItems(kSharedControls, std::size(kSharedControls), false);
    HWND list = Item(kMappingList);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    mappings_.clear();
    if (std::unique_ptr<AccountSettings> settings = AccountSettingsNamed(SelectedAccount()))
        if (Runtime().GetAliases(settings.get(), &mappings_) != S_OK) mappings_.clear();
    for (std::size_t i = 0; i < mappings_.size(); ++i) {
        const FolderMappingEntry& mapping = mappings_[i];
        const int row = InsertRow(list, static_cast<int>(i), mapping.alias, MappingImage(mapping.kind), 0,
                                  static_cast<LPARAM>(i));
        if (row < 0) continue;
        SetCell(list, row, 1,
                mapping.kind == kMappingOwnFolder ? FormatString(IDS_SHARED_FOLDERS_OF_USER, mapping.folder)
                                                  : mapping.folder);
    }
    ShowItems(kMappingControls, std::size(kMappingControls), true);
    ShowUserNameField();
    UpdateMappingButtons();
    SetCursor(previous);
}

void ImapFoldersDialog::ShowUserNameField() {
    const bool show = view_ == View::kMappings && NeedsUserName(ChosenType());
    for (int id : {kUserName, kUserLabel}) ShowWindow(Item(id), show ? SW_SHOW : SW_HIDE);
}

void ImapFoldersDialog::UpdateMappingButtons() {
    EnableWindow(Item(kAddMapping), CanAddMapping(ChosenType(), ItemText(kMappingName), ItemText(kUserName)));
    HWND list = Item(kMappingList);
    const bool selected = SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0 && SelectedRow(list) >= 0;
    EnableWindow(Item(kRemoveMapping), selected);
}

void ImapFoldersDialog::AddMapping() {
    const MappingType type = ChosenType();
    const std::string name = Trim(ItemText(kMappingName)), user = ItemText(kUserName);
    if (!CanAddMapping(type, name, user)) return;
    std::unique_ptr<AccountSettings> settings = AccountSettingsNamed(SelectedAccount());
    if (!settings) return;
    const std::string target = MappingTarget(type, user);
    SharedString folder{std::string_view(target)}, alias{std::string_view(name)};
    // A text object is its character pointer: its address is what the library takes.
    if (Runtime().AddAlias(settings.get(), reinterpret_cast<char* const*>(&folder),
                           reinterpret_cast<char* const*>(&alias)) != S_OK)
        return;
    SetDlgItemTextA(window(), kMappingName, "");
    SetDlgItemTextA(window(), kUserName, "");
    FillMappingsView();
    RefreshFolderTree();
}

void ImapFoldersDialog::RemoveMapping() {
    HWND list = Item(kMappingList);
    const int row = SelectedRow(list);
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (row < 0 || !SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) || item.lParam < 0 ||
        static_cast<std::size_t>(item.lParam) >= mappings_.size())
        return;
    std::unique_ptr<AccountSettings> settings = AccountSettingsNamed(SelectedAccount());
    if (!settings) return;
    SharedString alias{std::string_view(mappings_[static_cast<std::size_t>(item.lParam)].alias)};
    if (Runtime().RemoveAlias(settings.get(), reinterpret_cast<char* const*>(&alias)) != S_OK) return;
    FillMappingsView();
    RefreshFolderTree();
}

// A mapping is a folder of the account's tree: Outlook Express reads its list again.
void ImapFoldersDialog::RefreshFolderTree() {
    if (HWND tree = FolderTree()) {
        if (HTREEITEM selected = TreeView_GetSelection(tree)) TreeView_SelectItem(tree, selected);
    }
    if (HWND main = SharedMainWindowOfThisProcess()) SendMessageA(main, WM_COMMAND, kCmdRefreshFolderTree, 0);
}

// What the type box needs to show its longest item whole: the text, the drop-down button and
// the box's edges and margins.
int ImapFoldersDialog::TypeBoxWidth() const {
    HWND type = Item(kMappingType);
    if (!type) return 0;
    HDC dc = GetDC(type);
    if (!dc) return 0;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(type, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (UINT id : kMappingTypeTexts) {
        const std::string text = LoadModuleString(id);
        SIZE size{};
        if (GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size)) widest = std::max<int>(widest, size.cx);
    }
    SelectObject(dc, old);
    ReleaseDC(type, dc);
    return widest + GetSystemMetrics(SM_CXVSCROLL) + 4 * GetSystemMetrics(SM_CXEDGE) + 6;
}

void ImapFoldersDialog::LayOut() {
    HWND folders = Item(kFolderList);
    if (!folders) return;
    RECT list{};
    GetWindowRect(folders, &list);
    MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&list), 2);
    RECT combo{}, link{};
    if (HWND type = Item(kMappingType)) GetWindowRect(type, &combo);
    if (HWND sharing = Item(kSharingLink)) GetWindowRect(sharing, &link);
    const AddedLayout at = LayOutAddedControls({list.left, list.top, list.right, list.bottom}, combo.bottom - combo.top,
                                               TypeBoxWidth(), link.right - link.left, link.bottom - link.top);
    auto place = [&](int id, const Box& box) {
        if (HWND control = Item(id))
            SetWindowPos(control, nullptr, box.left, box.top, std::max(box.width(), 0), std::max(box.height(), 0),
                         SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place(kTypeLabel, at.typeLabel);
    place(kUserLabel, at.userLabel);
    place(kNameLabel, at.nameLabel);
    place(kMappingType, at.typeBox);
    place(kUserName, at.userName);
    place(kMappingName, at.mappingName);
    place(kMappingList, at.mappings);
    place(kAddMapping, at.add);
    place(kRemoveMapping, at.remove);
    place(kSharingLink, at.link);
    place(kSharedList, at.shared);
    // The first column keeps half the width, the second takes the rest.
    for (int id : {kSharedList, kMappingList}) {
        HWND added = Item(id);
        RECT client{};
        if (!added || !GetClientRect(added, &client)) continue;
        SendMessageA(added, LVM_SETCOLUMNWIDTH, 0, std::max<LONG>(client.right / 2, 50));
        SendMessageA(added, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE_USEHEADER);
    }
}

int FolderListWidth(HWND folders) {
    RECT list{};
    return folders && GetWindowRect(folders, &list) ? list.right - list.left : 0;
}

// The dialog grows, about its centre, until the folder list is wide enough for the mapping row.
void ImapFoldersDialog::WidenForMappingRow() {
    HWND folders = Item(kFolderList);
    const int listWidth = FolderListWidth(folders);
    if (!folders || listWidth >= kMappingRowWidth) return;
    const int grow = kMappingRowWidth - listWidth;
    RECT dialog{}, work{};
    GetWindowRect(window(), &dialog);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int width = dialog.right - dialog.left + grow;
    const int left = std::max<int>(work.left, std::min<int>(dialog.left - grow / 2, work.right - width));
    SetWindowPos(window(), nullptr, left, dialog.top, width, dialog.bottom - dialog.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ImapFoldersDialog::KeepMappingRowWidth(MINMAXINFO* limits) {
    RECT dialog{};
    const int listWidth = FolderListWidth(Item(kFolderList));
    if (!listWidth || !GetWindowRect(window(), &dialog)) return;
    const int needed = dialog.right - dialog.left - listWidth + kMappingRowWidth;
    limits->ptMinTrackSize.x = std::max<LONG>(limits->ptMinTrackSize.x, needed);
}

void ImapFoldersDialog::OnAccountSelected(const NMLISTVIEW& change, LRESULT* result) {
    const bool selected = (change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED) &&
                          !(change.uOldState & LVIS_SELECTED);
    HWND tabs = Item(kTabs);
    // While "Shared" shows, the host's list is made to show the new account's folders first: the
    // view is built from it.
    if (selected && sharedTab_ >= 0 && SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == sharedTab_) {
        SelectTabForHost(0);
        SendMessageA(tabs, TCM_SETCURSEL, sharedTab_, 0);
    }
    *result = CallPrevious(WM_NOTIFY, change.hdr.idFrom, reinterpret_cast<LPARAM>(&change));
    if (selected) Reevaluate();
}

void ImapFoldersDialog::OnResetList(WPARAM wParam, LPARAM lParam, LRESULT* result) {
    *result = CallPrevious(WM_COMMAND, wParam, lParam);
    const int current = static_cast<int>(SendMessageA(Item(kTabs), TCM_GETCURSEL, 0, 0));
    if (current >= 0 && current == mappingsTab_) Reevaluate();
    else if (current >= 0 && current == sharedTab_) RefreshSharedView();
}

bool ImapFoldersDialog::OnNotify(const NMHDR& header, LRESULT* result) {
    switch (header.idFrom) {
        case kAccountList:
            if (header.code != LVN_ITEMCHANGED) return false;
            OnAccountSelected(reinterpret_cast<const NMLISTVIEW&>(header), result);
            return true;
        case kTabs:
            if (header.code != static_cast<UINT>(TCN_SELCHANGE)) return false;
            Reevaluate();
            return false;  // and Outlook Express hears of it as well
        case kSharedList:
            if (header.code == static_cast<UINT>(NM_DBLCLK)) OpenSharingPage();
            *result = 0;
            return true;
        case kSharingLink:
            // The link shows as followed when a folder's page was opened.
            *result = header.code == static_cast<UINT>(NM_CLICK) && OpenSharingPage() ? 1 : 0;
            return true;
        case kMappingList:
            if (header.code == LVN_ITEMCHANGED || header.code == LVN_INSERTITEM || header.code == LVN_DELETEITEM)
                UpdateMappingButtons();
            *result = 0;
            return true;
    }
    return false;
}

bool ImapFoldersDialog::OnCommand(int id, int code, LPARAM lParam, LRESULT* result) {
    *result = 0;
    switch (id) {
        case kMappingType:
            if (code == CBN_SELCHANGE) {
                ShowUserNameField();
                UpdateMappingButtons();
            }
            return true;
        case kMappingName:
        case kUserName:
            if (code == EN_CHANGE) UpdateMappingButtons();
            return true;
        case kAddMapping:
            if (code == BN_CLICKED) AddMapping();
            return true;
        case kRemoveMapping:
            if (code == BN_CLICKED) RemoveMapping();
            return true;
    }
    return false;
}

bool ImapFoldersDialog::HandleExpected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    // Nothing thrown here may reach the host's message loop.
    try {
        switch (message) {
            case WM_INITDIALOG:
                *result = OnInitDialog(wParam, lParam);
                return true;
            case WM_SIZE:
                *result = CallPrevious(message, wParam, lParam);
                LayOut();
                return true;
            case WM_GETMINMAXINFO:
                *result = CallPrevious(message, wParam, lParam);
                if (lParam) KeepMappingRowWidth(reinterpret_cast<MINMAXINFO*>(lParam));
                return true;
            case WM_NOTIFY:
                return lParam && OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result);
            case WM_COMMAND:
                if (LOWORD(wParam) == kResetList && HIWORD(wParam) == BN_CLICKED) {
                    OnResetList(wParam, lParam, result);
                    return true;
                }
                return OnCommand(LOWORD(wParam), HIWORD(wParam), lParam, result);
            case WM_CTLCOLORSTATIC: {
                const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
                if (id != kTypeLabel && id != kUserLabel && id != kNameLabel) return false;
                SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
                *result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
                return true;
            }
        }
    } catch (...) {
        *result = 0;
        return true;
    }
    return false;
}

}  // namespace

bool AttachImapFoldersDialog(HWND dialog) {
    auto* subclass = new (std::nothrow) ImapFoldersDialog();
    if (!subclass) return false;
    if (!subclass->Attach(dialog)) {
        delete subclass;
        return false;
    }
    return true;
}

}  // namespace velor::velhook
