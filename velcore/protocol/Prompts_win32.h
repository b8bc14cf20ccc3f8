// The session's messages and logon dialog as the user sees them on Windows.
#pragma once

#include "velcore/protocol/SessionPrompts.h"

#include <windows.h>

namespace velor {

class WindowsPrompts : public SessionPrompts {
public:
    // owner: the parent of the "required capability" message.
    explicit WindowsPrompts(HWND owner = nullptr) : owner_(owner) {}

    void CapabilityMissing(const char* capability) override;
    void SpaNotSupported() override;
    void PasswordRefused() override;
    bool AskLogon(LogonRecord& record) override;

private:
    HWND owner_;
};

}  // namespace velor
