// The extension's commands in the menu bar of Outlook Express's main window: the rules and the
// address-book synchronisation submenus in the Tools pop-up, one entry per enabled account, and
// About in the Help pop-up; and the commands they send.
#pragma once

#include <windows.h>

#include <vector>

#include "velhook/Accounts_win32.h"

namespace velor::velhook {

inline constexpr WORD kCmdRules = 45000;       // the rules submenu, and its first account
inline constexpr WORD kCmdAbout = 45257;
inline constexpr WORD kCmdSync = 45258;        // the synchronisation submenu, and its first account
inline constexpr WORD kMaxMenuAccounts = 257;  // the accounts whose entries have identifiers

// The position of the item with this identifier (a submenu's too); -1 when the menu has none.
int MenuItemPosition(HMENU menu, UINT id);

// After the window's own WM_INITMENUPOPUP for a pop-up of the menu bar. The Tools pop-up rebuilds
// the list of enabled accounts, which the commands then use.
void PrepareMenuBarPopup(HMENU popup, std::vector<AccountEntry>& enabledAccounts);

// A command of the extension from the menu bar is carried out and true returned: it is not
// Outlook Express's to see. False for every other command.
bool CarryOutMenuBarCommand(HWND mainWindow, WORD id, const std::vector<AccountEntry>& enabledAccounts);

}  // namespace velor::velhook
