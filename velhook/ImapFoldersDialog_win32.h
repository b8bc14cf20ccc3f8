// Outlook Express's "IMAP Folders" dialog with the extension's two tabs: "Shared" lists the
// selected account's folders with their permissions and marks the shared ones, and opens a
// folder's "Sharing and Security" page; "Mappings" lists the account's folder mappings and adds
// and removes them. The tabs are there only while an enabled account is selected.
#pragma once

#include <windows.h>

namespace velor::velhook {

// Subclasses the dialog before its WM_INITDIALOG (the dialog hook calls it as the window is
// created). The subclass lives as long as the dialog and deletes itself after its last message.
bool AttachImapFoldersDialog(HWND dialog);

}  // namespace velor::velhook
