// The functions Velcore exports by name (see Velcore.def). Each is a thin shell: argument
// checks and the current account here, the work in the modules it calls.
#include <winsock2.h>  // before windows.h, which would bring the old winsock.h

#include "shared/AccountSettings.h"
#include "velcore/protocol/ExportGuard.h"
#include "velcore/protocol/FolderNames.h"
#include "velcore/protocol/MailboxCommands.h"
#include "velcore/protocol/Prompts_win32.h"
#include "velcore/protocol/ResourceModule_win32.h"
#include "velcore/protocol/Runtime.h"
#include "velcore/protocol/Status.h"
#include "velcore/protocol/WinsockTransport_win32.h"

#include <windows.h>

using velor::AccountSettings;

namespace {

HRESULT mailboxAction(AccountSettings* account, const char* folder, velor::MailboxAction action) {
    return velor::Guarded([&]() -> HRESULT {
        if (!account || !folder) return velor::status::kInvalidArg;
        velor::CurrentAccountScope current(account);
        velor::WinsockTransport transport(*account);
        velor::WindowsPrompts prompts;
        return velor::RunMailboxAction(transport, *account, prompts, velor::ResourceFolderNames(), folder, action);
    });
}

}  // namespace

// Stores the language whose resources the library is to use; the first argument (Velhook passes
// the library's module handle) is ignored.
extern "C" HRESULT WINAPI VlInit(DWORD /*ignored*/, WORD language) {
    return velor::Guarded([&]() -> HRESULT {
        velor::SetResourceLanguage(language);
        return S_OK;
    });
}

extern "C" HRESULT WINAPI VlSetAllRead(AccountSettings* account, const char* folder) {
    return mailboxAction(account, folder, velor::MailboxAction::kMarkRead);
}

extern "C" HRESULT WINAPI VlSetAllUnread(AccountSettings* account, const char* folder) {
    return mailboxAction(account, folder, velor::MailboxAction::kMarkUnread);
}

extern "C" HRESULT WINAPI VlExpunge(AccountSettings* account, const char* folder) {
    return mailboxAction(account, folder, velor::MailboxAction::kExpunge);
}
