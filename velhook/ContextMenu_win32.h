// The extension's items in the folder tree's context menu, for IMAP accounts of this server:
// "Enable Velor Extensions" with its check mark, and, when enabled, the rules and the three
// maintenance commands; and what a choice of one of them does.
#pragma once

#include <windows.h>

#include "velhook/PopupMenuInterception_win32.h"

namespace velor::velhook {

inline constexpr UINT kCmdEnableExtensions = 101;
inline constexpr UINT kCmdSharingAndSecurity = 102;
inline constexpr UINT kCmdMarkAllRead = 103;
inline constexpr UINT kCmdMarkAllUnread = 104;
inline constexpr UINT kCmdRemoveDeleted = 105;

// At the pane's WM_CONTEXTMENU: the item the menu is for, the one at the point or, for a menu
// opened from the keyboard (point -1), the selected one. Later commands act on it, wherever the
// cursor has gone meanwhile.
void NoteContextMenuItem(HWND tree, LPARAM screenPoint);

// At the pane's WM_INITMENUPOPUP: adds the items for the noted item's account. False when the
// host's own handling is to be skipped (a menu for the root or for no item).
bool PrepareFolderContextMenu(HWND tree, HMENU menu);

// The choice made in the context menu: ours are carried out and 0 handed back; "Sharing and
// Security..." and the host's Properties arm the dialog hook for the item and hand back Properties;
// others go back unchanged.
int CarryOutContextMenuChoice(const PopupMenuCall& call);

}  // namespace velor::velhook
