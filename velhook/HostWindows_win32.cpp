#include "velhook/HostWindows_win32.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "velhook/Accounts_win32.h"
#include "velhook/ContextMenu_win32.h"
#include "velhook/DialogHook_win32.h"
#include "velhook/FolderTreeItems_win32.h"
#include "velhook/FirstRun_win32.h"
#include "velhook/Menus_win32.h"
#include "velhook/Module_win32.h"
#include "velhook/PopupMenuInterception_win32.h"
#include "velhook/SharedState_win32.h"
#include "velhook/res/Resource.h"

namespace velor::velhook {
namespace {

constexpr char kMarkerMessageName[] = "_Velor_OE_Extensions_Subclass_Info_Message_";
constexpr char kFolderPaneClass[] = "ThorTreeViewWndClass";
constexpr DWORD kBannerStyle = WS_POPUP | SS_BITMAP;  // 0x8000000E

HWND g_tree;
int g_iconIndex = kDefaultAccountImage;
WORD g_language;

BOOL CALLBACK FindFolderPane(HWND window, LPARAM found) {
    char className[48] = {};
    if (GetClassNameA(window, className, sizeof className) && std::strcmp(className, kFolderPaneClass) == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// Adds the extension's account picture to the tree's image list; its index, or -1.
int AddExtensionIcon(HWND tree) {
    HIMAGELIST strip = ImageList_LoadImageA(ModuleHandle(), MAKEINTRESOURCEA(IDB_ACCOUNT_ICONS), 16, 1, CLR_NONE,
                                            IMAGE_BITMAP, 0);
    if (!strip) return -1;
    int index = -1;
    HICON icon = ImageList_GetIcon(strip, 0, ILD_NORMAL);
    HIMAGELIST images = TreeView_GetImageList(tree, TVSIL_NORMAL);
    if (icon && images) index = ImageList_ReplaceIcon(images, -1, icon);
    if (icon) DestroyIcon(icon);
    ImageList_Destroy(strip);
    return index;
}

// The item's text as the caller gave it: null when it is missing or left to a callback; at most
// MAX_PATH - 1 characters are looked at.
bool InsertedText(const TVINSERTSTRUCTA& insert, char* out, std::size_t size) {
    const TVITEMA& item = insert.item;
    if (!(item.mask & TVIF_TEXT) || !item.pszText || item.pszText == LPSTR_TEXTCALLBACKA) return false;
    std::size_t n = 0;
    while (n + 1 < size && item.pszText[n]) {
        out[n] = item.pszText[n];
        ++n;
    }
    if (item.pszText[n]) return false;  // longer than any account name
    out[n] = '\0';
    return true;
}

// The host's commands that open a dialog the extension adds to: the hook is armed for it. True
// for those commands, armed or not.
bool ArmForHostCommand(WORD command) {
    switch (command) {
        case kOeProperties:
            // From the menu bar only an enabled account's item gets the additions.
            ArmPropertiesFor(DescribeTreeItem(g_tree, g_tree ? TreeView_GetSelection(g_tree) : nullptr), false, true);
            return true;
        case kOeAccounts: ArmDialogHook(DialogKind::kAccounts); return true;
        case kOeImapFolders: ArmDialogHook(DialogKind::kImapFolders); return true;
    }
    return false;
}

}  // namespace

UINT MainWindowMarkerMessage() {
    static UINT message = RegisterWindowMessageA(kMarkerMessageName);
    return message;
}

HWND FolderTree() {
    return g_tree;
}

int ExtensionIconIndex() {
    return g_iconIndex;
}

WORD ProcessLanguage() {
    return g_language;
}

void ShowAccountPicture(HWND tree, HTREEITEM account, bool enabled) {
    TVITEMA entry{};
    entry.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    entry.hItem = account;
    entry.iImage = entry.iSelectedImage = enabled ? g_iconIndex : kDefaultAccountImage;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&entry));
}

void ShowAccountPictureNamed(const std::string& name, bool enabled) {
    HWND tree = g_tree;
    HTREEITEM root = tree ? TreeView_GetRoot(tree) : nullptr;
    for (HTREEITEM item = root ? TreeView_GetChild(tree, root) : nullptr; item; item = TreeView_GetNextSibling(tree, item)) {
        if (TreeLabel(tree, item) != name) continue;
        ShowAccountPicture(tree, item, enabled);
        return;
    }
}

bool TreeViewSubclass::Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message != TVM_INSERTITEMA || !lParam) return false;
    TVINSERTSTRUCTA insert = *reinterpret_cast<const TVINSERTSTRUCTA*>(lParam);
    HTREEITEM root = TreeView_GetRoot(window());
    char name[MAX_PATH];
    DWORD enabled = 0;
    if (!root || insert.hParent != root || !InsertedText(insert, name, sizeof name) ||
        !FindAccount(name, &enabled, nullptr) || !enabled)
        return false;
    // Our own copy carries the picture, so the caller's structure stays as it gave it.
    insert.item.iImage = g_iconIndex;
    insert.item.iSelectedImage = g_iconIndex;
    *result = CallPrevious(message, wParam, reinterpret_cast<LPARAM>(&insert));
    return true;
}

bool FolderPaneSubclass::Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
        case kPaneAttachTreeMessage: {
            HWND tree = GetWindow(window(), GW_CHILD);
            g_tree = tree;
            if (tree && !tree_.attached()) tree_.Attach(tree);
            if (tree) {
                int index = AddExtensionIcon(tree);
                if (index >= 0) g_iconIndex = index;
            }
            *result = 1;
            return true;
        }
        case WM_CONTEXTMENU:
            // A pop-up menu the pane opens while handling this is the folder tree's context menu,
            // for this item; one opened later by anyone else is not.
            NoteContextMenuItem(g_tree, lParam);
            SetContextMenuPending(true);
            *result = CallPrevious(message, wParam, lParam);
            SetContextMenuPending(false);
            // A dialog armed for by the menu's choice has opened and closed by now.
            DisarmDialogHook();
            return true;
        case WM_INITMENUPOPUP:
            if (HIWORD(lParam) || PrepareFolderContextMenu(g_tree, reinterpret_cast<HMENU>(wParam))) return false;
            *result = 0;  // a menu for no item or for the root: the host's own preparation is skipped
            return true;
    }
    return false;
}

void FolderPaneSubclass::OnFinalMessage(HWND window) {
    g_tree = nullptr;
}

MainWindowSubclass::MainWindowSubclass() : marker_(MainWindowMarkerMessage()) {}

bool MainWindowSubclass::Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_CREATE) {
        *result = OnCreate(wParam, lParam);
        return true;
    }
    if (marker_ && message == marker_) {
        *result = wParam == 1 ? 1 : 0;
        return true;
    }
    if (message == WM_WINDOWPOSCHANGED) {
        *result = CallPrevious(message, wParam, lParam);
        // The welcome dialog is posted: run modally inside the position change, it would hold
        // up the window's own showing.
        const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (firstShow_ && position && (position->flags & SWP_SHOWWINDOW)) {
            firstShow_ = false;
            PostMessageA(window(), ShowWelcomeMessage(), 0, 0);
        }
        return true;
    }
    if (message == WM_INITMENUPOPUP) {
        *result = CallPrevious(message, wParam, lParam);
        if (!HIWORD(lParam)) PrepareMenuBarPopup(reinterpret_cast<HMENU>(wParam), enabledAccounts_);
        return true;
    }
    if (message == WM_COMMAND && ArmForHostCommand(LOWORD(wParam))) {
        DisarmOnReturn disarm;
        *result = CallPrevious(message, wParam, lParam);
        return true;
    }
    if (message == WM_COMMAND &&
        CarryOutMenuBarCommand(window(), LOWORD(wParam), enabledAccounts_)) {
        *result = 0;
        return true;
    }
    if (message == ShowWelcomeMessage() && message != 0) {
        ShowWelcomeIfDue(window());
        *result = 0;
        return true;
    }
    return false;
}

LRESULT MainWindowSubclass::OnCreate(WPARAM wParam, LPARAM lParam) {
    SharedState& shared = Shared();
    shared.mainWindow = window();
    g_language = SharedLanguage();
    PinModule();
    InstallPopupMenuInterception();
    SetContextMenuHandler(&CarryOutContextMenuChoice);
    LRESULT result = CallPrevious(WM_CREATE, wParam, lParam);
    HWND pane = nullptr;
    EnumChildWindows(window(), FindFolderPane, reinterpret_cast<LPARAM>(&pane));
    if (pane && pane_.Attach(pane)) SendMessageA(pane, kPaneAttachTreeMessage, 0, 0);
    return result;
}

void MainWindowSubclass::OnFinalMessage(HWND window) {
    SharedState& shared = Shared();
    // Another main window made later is the one the field names now; it keeps it.
    InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&shared.mainWindow), nullptr, window);
    shared.languageId = 0;
    delete this;
}

bool SplashSubclass::Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message != WM_SIZE) return false;
    if (!banner_) ShowBanner();
    *result = 0;
    return true;
}

void SplashSubclass::ShowBanner() {
    RECT splash;
    GetWindowRect(window(), &splash);
    DWORD bitmap = SharedBanner();
    if (!bitmap) return;
    char reference[16];
    std::snprintf(reference, sizeof reference, "#%u", static_cast<unsigned>(bitmap));
    banner_ = CreateWindowExA(0, "STATIC", reference, kBannerStyle, 0, 0, 0, 0, window(), nullptr, ModuleHandle(), nullptr);
    if (!banner_) return;
    SetWindowPos(banner_, nullptr, splash.left, splash.bottom, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(banner_);
}

void SplashSubclass::OnFinalMessage(HWND window) {
    // The banner is owned by the splash screen and went with it.
    delete this;
}

}  // namespace velor::velhook
