#include "velhook/ContextMenu_win32.h"

#include <commctrl.h>

#include <memory>
#include <string>

#include "velhook/Accounts_win32.h"
#include "velhook/HostWindows_win32.h"
#include "velhook/Menus_win32.h"
#include "velhook/Module_win32.h"
#include "velhook/RuntimeBinding_win32.h"
#include "velhook/SharedState_win32.h"
#include "velhook/res/Resource.h"

namespace velor::velhook {
namespace {

// Outlook Express's own items after which ours go.
constexpr UINT kOeSetDefaultAccount = 40286;
constexpr UINT kOeResetList = 40105;
constexpr UINT kOeNewFolder = 40107;

// Paths of more bytes than a folder name buffer holds are left alone rather than cut.
constexpr std::size_t kMaxFolderPath = MAX_PATH - 1;

struct MenuTarget {
    HWND tree = nullptr;
    HTREEITEM item = nullptr;
    HTREEITEM accountItem = nullptr;
    std::string account;
    std::string folderPath;
    bool pathFits = false;
    bool ours = false;     // an IMAP account of this server
    bool enabled = false;  // its "Velor Ext" when the menu opened
};

MenuTarget g_target;

std::string Label(HWND tree, HTREEITEM item) {
    char text[MAX_PATH + 1] = {};
    TVITEMA entry{};
    entry.mask = TVIF_TEXT;
    entry.hItem = item;
    entry.pszText = text;
    entry.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&entry));
    return text;
}

// The account above the item and the folder path below it ("Parent/Child"; empty on the account).
MenuTarget Describe(HWND tree, HTREEITEM item) {
    MenuTarget target;
    target.tree = tree;
    HTREEITEM root = TreeView_GetRoot(tree);
    if (!item || item == root) return target;
    target.item = item;
    std::string path;
    HTREEITEM at = item;
    for (HTREEITEM parent = TreeView_GetParent(tree, at); parent && parent != root;
         at = parent, parent = TreeView_GetParent(tree, at)) {
        path = "/" + Label(tree, at) + path;
    }
    target.accountItem = at;
    target.account = Label(tree, at);
    target.folderPath = path.empty() ? path : path.substr(1);
    target.pathFits = target.folderPath.size() <= kMaxFolderPath;
    DWORD enabled = 0;
    target.ours = FindAccount(target.account.c_str(), &enabled, nullptr);
    target.enabled = enabled != 0;
    return target;
}

void InsertItem(HMENU menu, int& position, UINT id, const std::string& text, bool checked = false) {
    InsertMenuA(menu, position++, MF_BYPOSITION | MF_STRING | (checked ? MF_CHECKED : MF_UNCHECKED), id, text.c_str());
}

void InsertSeparator(HMENU menu, int& position) { InsertMenuA(menu, position++, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr); }

void Maintain(const MenuTarget& target, UINT command) {
    if (!target.pathFits) return;
    RegistryKey key;
    std::unique_ptr<AccountSettings> settings;
    if (!FindAccount(target.account.c_str(), nullptr, &key) || ReadAccountSettings(key.get(), &settings) != S_OK)
        return;
    RuntimeLibrary& runtime = Runtime();
    const char* folder = target.folderPath.c_str();
    if (command == kCmdMarkAllRead) runtime.SetAllRead(settings.get(), folder);
    else if (command == kCmdMarkAllUnread) runtime.SetAllUnread(settings.get(), folder);
    else runtime.Expunge(settings.get(), folder);
}

}  // namespace

void NoteContextMenuItem(HWND tree, LPARAM screenPoint) {
    HTREEITEM item = nullptr;
    if (tree && screenPoint == -1) {
        item = TreeView_GetSelection(tree);
    } else if (tree) {
        TVHITTESTINFO hit{};
        hit.pt = {static_cast<short>(LOWORD(screenPoint)), static_cast<short>(HIWORD(screenPoint))};
        ScreenToClient(tree, &hit.pt);
        item = TreeView_HitTest(tree, &hit);
        if (!(hit.flags & TVHT_ONITEM)) item = nullptr;
    }
    g_target = Describe(tree, item);
}

bool PrepareFolderContextMenu(HWND tree, HMENU menu) {
    if (tree == nullptr || g_target.tree != tree) return true;  // not a context menu of the tree
    if (!g_target.item) return false;
    if (!g_target.ours) return true;
    int at = MenuItemPosition(menu, kOeSetDefaultAccount);
    if (at >= 0) {
        ++at;
        InsertItem(menu, at, kCmdEnableExtensions, LoadModuleString(IDS_ENABLE_EXTENSIONS), g_target.enabled);
    }
    if (!g_target.enabled) return true;
    at = MenuItemPosition(menu, kOeResetList);
    if (at >= 0) {
        ++at;
        InsertSeparator(menu, at);
        InsertItem(menu, at, kCmdRules, LoadModuleString(IDS_RULES_MENU) + "...");
    }
    at = MenuItemPosition(menu, kOeNewFolder);
    if (at >= 0) {
        ++at;
        InsertSeparator(menu, at);
        InsertItem(menu, at, kCmdMarkAllRead, LoadModuleString(IDS_MARK_ALL_READ));
        InsertItem(menu, at, kCmdMarkAllUnread, LoadModuleString(IDS_MARK_ALL_UNREAD));
        InsertItem(menu, at, kCmdRemoveDeleted, LoadModuleString(IDS_REMOVE_DELETED));
    }
    return true;
}

int CarryOutContextMenuChoice(const PopupMenuCall& call) {
    const MenuTarget target = g_target;
    g_target = MenuTarget{};
    const UINT chosen = static_cast<UINT>(call.chosen);
    if (chosen != kCmdEnableExtensions && chosen != kCmdMarkAllRead && chosen != kCmdMarkAllUnread &&
        chosen != kCmdRemoveDeleted && chosen != kCmdRules)
        return call.chosen;
    // Only a menu of the tree's pane, for an account of this server, carries our items.
    if (!target.item || !target.ours || !target.tree || call.owner != GetParent(target.tree)) return 0;
    switch (chosen) {
        case kCmdEnableExtensions: {
            RegistryKey key;
            if (!FindAccount(target.account.c_str(), nullptr, &key)) break;
            const bool enable = !target.enabled;
            if (SUCCEEDED(SetAccountEnabled(key.get(), enable))) ShowAccountPicture(target.tree, target.accountItem, enable);
            break;
        }
        case kCmdRules: Runtime().MailRules(Shared().mainWindow, target.account.c_str()); break;
        default: Maintain(target, chosen); break;
    }
    return 0;
}

}  // namespace velor::velhook
