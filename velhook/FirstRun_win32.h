// The welcome dialog shown once per identity, in which the user picks the accounts the extension
// serves; the hint for a command that needs an enabled account when there is none; and the start
// of the address-book synchronisation tool for an account.
#pragma once

#include <windows.h>

namespace velor::velhook {

// Posted to the main window when it first shows: the welcome dialog runs then, outside the
// position change that announced the showing.
UINT ShowWelcomeMessage();

// The welcome dialog, when the identity's "VelorAccountsExt" is missing or 0; the flag is set
// afterwards whichever button closed it. On OK every listed account's "Velor Ext" is written.
void ShowWelcomeIfDue(HWND mainWindow);

void ShowHint(HWND owner);

// Whether HKLM\Software\Velor\Contave names a file that can be opened.
bool IsSyncToolInstalled();

// Starts the tool through the shell with the account's host, user and password; errors of the
// start are not reported.
void StartSyncTool(HWND owner, const char* host, const char* user, const char* password);

}  // namespace velor::velhook
