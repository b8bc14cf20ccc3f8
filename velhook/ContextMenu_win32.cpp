#include "velhook/ContextMenu_win32.h"

#include <commctrl.h>

#include <memory>
#include <string>

#include "velhook/Accounts_win32.h"
#include "velhook/DialogHook_win32.h"
#include "velhook/FolderTreeItems_win32.h"
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

using MenuTarget = TreeTarget;

MenuTarget g_target;

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
    g_target = DescribeTreeItem(tree, item);
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
        InsertSeparator(menu, at);
        InsertItem(menu, at, kCmdSharingAndSecurity, LoadModuleString(IDS_SHARING_AND_SECURITY));
    }
    return true;
}

int CarryOutContextMenuChoice(const PopupMenuCall& call) {
    const MenuTarget target = g_target;
    g_target = MenuTarget{};
    const UINT chosen = static_cast<UINT>(call.chosen);
    const bool fromPane = target.tree && call.owner == GetParent(target.tree);
    if (chosen == kOeImapFolders) {
        if (fromPane) ArmDialogHook(DialogKind::kImapFolders);
        return call.chosen;
    }
    if (chosen == kOeProperties || chosen == kCmdSharingAndSecurity) {
        if (!fromPane) return chosen == kOeProperties ? call.chosen : 0;
        // Properties of the root or of nothing: the host is not asked to open any.
        if (!target.item) return 0;
        if (chosen == kCmdSharingAndSecurity && !(target.ours && target.enabled)) return 0;
        ArmPropertiesFor(target, chosen == kCmdSharingAndSecurity, false);
        return kOeProperties;
    }
    if (chosen != kCmdEnableExtensions && chosen != kCmdMarkAllRead && chosen != kCmdMarkAllUnread &&
        chosen != kCmdRemoveDeleted && chosen != kCmdRules)
        return call.chosen;
    // Only a menu of the tree's pane, for an account of this server, carries our items.
    if (!target.item || !target.ours || !fromPane) return 0;
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
