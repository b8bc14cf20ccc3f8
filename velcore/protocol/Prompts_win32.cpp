#include "velcore/protocol/Prompts_win32.h"

#include "velcore/protocol/LogonDialog_win32.h"
#include "velcore/protocol/Messages_win32.h"
#include "velcore/res/resource.h"

namespace velor {

void WindowsPrompts::CapabilityMissing(const char* capability) {
    ShowMessage(owner_, MB_OK | MB_ICONERROR, IDS_CAPABILITY_MISSING, capability);
}

void WindowsPrompts::SpaNotSupported() { ShowMessage(nullptr, MB_OK, IDS_SPA_NOT_SUPPORTED); }

void WindowsPrompts::PasswordRefused() { ShowMessage(nullptr, MB_OK | MB_ICONERROR, IDS_PASSWORD_INCORRECT); }

bool WindowsPrompts::AskLogon(LogonRecord& record) { return RunLogonDialog(record); }

}  // namespace velor
