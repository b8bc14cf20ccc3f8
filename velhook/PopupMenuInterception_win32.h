// The interception of the function with which Outlook Express's main module shows a pop-up menu
// and gets the chosen command: its slot in msoe.dll's import table is pointed at our replacement,
// which calls the original and, after a folder-tree context menu, hands the choice on.
#pragma once

#include <windows.h>

namespace velor::velhook {

// Patches msoe.dll's import once per process; true when the replacement is (or already was) in
// place.
bool InstallPopupMenuInterception();

// Replaces the import of function `name` from `library` in the loaded image `module`: the slot's
// old value goes to *previous. Imports by ordinal are skipped; names compare without case. False
// with the Win32 error set (ERROR_INVALID_HANDLE for a bad image or, outside Windows NT, an image
// above 2 GB; ERROR_PROC_NOT_FOUND when there is no such import).
bool ReplaceImport(HMODULE module, const char* library, const char* name, void* replacement, void** previous);

// Set by the folder pane when its context menu is about to open; cleared by the next menu.
void SetContextMenuPending(bool pending);

// What happens to the command chosen in a folder-tree context menu: the command handed back to
// Outlook Express. Until a handler is set, the choice goes back unchanged.
struct PopupMenuCall {
    HMENU menu;
    UINT flags;
    int x, y;
    HWND owner;
    int chosen;
};
using ContextMenuHandler = int (*)(const PopupMenuCall& call);
void SetContextMenuHandler(ContextMenuHandler handler);

}  // namespace velor::velhook
