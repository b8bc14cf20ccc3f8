// The "IMAP Folders" window (dialog 4113): every subscribed folder of the account with its
// sharing state and permissions, and the "Sharing and Security" page of the folder the user
// double-clicks.
#pragma once

#include "shared/AccountSettings.h"

#include <windows.h>

namespace velor {

// Runs the window modally, owned by the active window. S_OK when it ran, E_FAIL when it could
// not be shown.
HRESULT ShowImapFolders(AccountSettings& account);

}  // namespace velor
