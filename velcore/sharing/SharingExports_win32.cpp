// The sharing exports (see Velcore.def): argument checks here, the windows in velcore/sharing.
#include "shared/AccountSettings.h"
#include "velcore/protocol/ExportGuard.h"
#include "velcore/protocol/Status.h"
#include "velcore/sharing/ImapFolders_win32.h"
#include "velcore/sharing/SharingPage_win32.h"

#include <windows.h>

using velor::AccountSettings;

// The "Sharing and Security" page of one folder (display form) for the caller's property sheet.
// The account record must stay alive as long as the page.
extern "C" HRESULT WINAPI VlCreatePageSecurity(const char* folder, AccountSettings* account, HPROPSHEETPAGE* page) {
    return velor::Guarded([&]() -> HRESULT {
        if (!folder || !account || !page) return velor::status::kInvalidArg;
        return velor::CreateSharingPage(folder, account, page);
    });
}

// Every subscribed folder with its permissions; a double-click opens the folder's page.
extern "C" HRESULT WINAPI VlImapFolders(AccountSettings* account) {
    return velor::Guarded([&]() -> HRESULT {
        if (!account) return velor::status::kInvalidArg;
        return velor::ShowImapFolders(*account);
    });
}
