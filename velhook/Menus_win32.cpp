#include "velhook/Menus_win32.h"

#include <memory>
#include <string>

#include "velhook/FirstRun_win32.h"
#include "velhook/Module_win32.h"
#include "velhook/RuntimeBinding_win32.h"
#include "velhook/res/Resource.h"

namespace velor::velhook {
namespace {

// Outlook Express's own commands, looked for as landmarks only.
constexpr UINT kOeAddressBook = 40204;   // in the Tools pop-up
constexpr UINT kOeHelpContents = 40226;  // in the Help pop-up
constexpr UINT kOeSynchronizeAll = 40196;
constexpr UINT kOeMailRules = 40442;     // the first item of the message rules submenu

// The identifier of the item at the position, submenus included (GetMenuItemID gives -1 for those).
UINT ItemId(HMENU menu, int position, HMENU* submenu = nullptr) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_SUBMENU;
    if (!GetMenuItemInfoA(menu, position, TRUE, &info)) return 0;
    if (submenu) *submenu = info.hSubMenu;
    return info.wID;
}

void Empty(HMENU menu) {
    while (GetMenuItemCount(menu) > 0) DeleteMenu(menu, 0, MF_BYPOSITION);
}

void EnableAll(HMENU menu, bool enabled) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) EnableMenuItem(menu, i, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
}

// The submenu with this identifier at the position (the end when none was found), made anew or
// emptied; its position afterwards.
int ProvideSubmenu(HMENU popup, UINT id, UINT textId, int wanted) {
    const int existing = MenuItemPosition(popup, id);
    if (existing >= 0) {
        HMENU submenu = nullptr;
        ItemId(popup, existing, &submenu);
        if (submenu) Empty(submenu);
        return existing;
    }
    const int position = wanted >= 0 ? wanted : GetMenuItemCount(popup);
    std::string text = LoadModuleString(textId);
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.wID = id;
    info.hSubMenu = CreatePopupMenu();
    info.dwTypeData = text.data();
    InsertMenuItemA(popup, position, TRUE, &info);
    return position;
}

HMENU SubmenuAt(HMENU popup, int position) {
    HMENU submenu = nullptr;
    ItemId(popup, position, &submenu);
    return submenu;
}

void PrepareTools(HMENU popup, std::vector<AccountEntry>& accounts) {
    const bool haveRules = MenuItemPosition(popup, kCmdRules) >= 0, haveSync = MenuItemPosition(popup, kCmdSync) >= 0;
    int rulesAt = -1, syncAt = -1;
    const int count = GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        HMENU submenu = nullptr;
        const UINT id = ItemId(popup, i, &submenu);
        if (!haveRules && submenu && GetMenuItemCount(submenu) > 0 && ItemId(submenu, 0) == kOeMailRules) rulesAt = i + 1;
        if (!haveSync && id == kOeSynchronizeAll) syncAt = i + 1;
    }
    const int sync = ProvideSubmenu(popup, kCmdSync, IDS_SYNC_MENU, syncAt);
    // The synchronisation submenu may have come in before the place found for the rules.
    if (rulesAt >= 0 && !haveSync && sync < rulesAt) ++rulesAt;
    const bool toolThere = IsSyncToolInstalled();
    EnableMenuItem(popup, sync, MF_BYPOSITION | (toolThere ? MF_ENABLED : MF_GRAYED));
    const int rules = ProvideSubmenu(popup, kCmdRules, IDS_RULES_MENU, rulesAt);
    const int syncNow = MenuItemPosition(popup, kCmdSync);

    ListAccounts(&accounts, true);
    if (accounts.empty()) {
        EnableMenuItem(popup, rules, MF_BYPOSITION | MF_GRAYED);
        EnableMenuItem(popup, syncNow, MF_BYPOSITION | MF_GRAYED);
        return;
    }
    HMENU rulesMenu = SubmenuAt(popup, rules), syncMenu = SubmenuAt(popup, syncNow);
    for (std::size_t i = 0; i < accounts.size() && i < kMaxMenuAccounts; ++i) {
        const UINT offset = static_cast<UINT>(i);
        if (rulesMenu) AppendMenuA(rulesMenu, MF_STRING, kCmdRules + offset, accounts[i].name.c_str());
        if (syncMenu) AppendMenuA(syncMenu, MF_STRING, kCmdSync + offset, accounts[i].name.c_str());
    }
    EnableMenuItem(popup, rules, MF_BYPOSITION | MF_ENABLED);
}

void PrepareHelp(HMENU popup) {
    const int about = MenuItemPosition(popup, kCmdAbout);
    if (about >= 0) {
        EnableMenuItem(popup, about, MF_BYPOSITION | MF_ENABLED);
        return;
    }
    AppendMenuA(popup, MF_STRING, kCmdAbout, LoadModuleString(IDS_ABOUT_MENU).c_str());
}

void StartSyncFor(HWND owner, const AccountEntry& account) {
    std::unique_ptr<AccountSettings> settings;
    if (ReadAccountSettings(account.key.get(), &settings) != S_OK || !settings) return;
    StartSyncTool(owner, settings->host.c_str(), settings->user.c_str(), settings->password.c_str());
}

}  // namespace

int MenuItemPosition(HMENU menu, UINT id) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
        if (ItemId(menu, i) == id) return i;
    return -1;
}

void PrepareMenuBarPopup(HMENU popup, std::vector<AccountEntry>& enabledAccounts) {
    // The first landmark the pop-up holds names it.
    if (MenuItemPosition(popup, kOeAddressBook) >= 0) return PrepareTools(popup, enabledAccounts);
    if (MenuItemPosition(popup, kCmdRules) >= 0) return EnableAll(popup, true);
    if (MenuItemPosition(popup, kCmdSync) >= 0) return EnableAll(popup, IsSyncToolInstalled());
    if (MenuItemPosition(popup, kOeHelpContents) >= 0) return PrepareHelp(popup);
}

bool CarryOutMenuBarCommand(HWND mainWindow, WORD id, const std::vector<AccountEntry>& enabledAccounts) {
    if (id >= kCmdRules && id < kCmdRules + kMaxMenuAccounts) {
        const std::size_t i = id - kCmdRules;
        if (enabledAccounts.empty()) ShowHint(mainWindow);
        else if (i < enabledAccounts.size()) Runtime().MailRules(mainWindow, enabledAccounts[i].name.c_str());
        return true;
    }
    if (id == kCmdAbout) {
        Runtime().About();
        return true;
    }
    if (id >= kCmdSync && id < kCmdSync + kMaxMenuAccounts) {
        const std::size_t i = id - kCmdSync;
        if (enabledAccounts.empty()) ShowHint(mainWindow);
        else if (i < enabledAccounts.size()) StartSyncFor(mainWindow, enabledAccounts[i]);
        return true;
    }
    return false;
}

}  // namespace velor::velhook
