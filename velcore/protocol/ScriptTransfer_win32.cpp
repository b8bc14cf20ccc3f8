#include <winsock2.h>  // before windows.h, which would bring the old winsock.h

#include "velcore/protocol/ScriptTransfer_win32.h"

#include "velcore/protocol/Messages_win32.h"
#include "velcore/protocol/Prompts_win32.h"
#include "velcore/protocol/ResourceModule_win32.h"
#include "velcore/protocol/ScriptTransfer.h"
#include "velcore/protocol/WinsockTransport_win32.h"
#include "velcore/res/resource.h"

#include <cstdio>

namespace velor {
namespace {

// The wait cursor for the time the server works, the previous one back however the call ends.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

// Holds the messages back until the wait cursor is gone, then shows them owned by the window.
class DeferredNotices : public ScriptNotices {
public:
    explicit DeferredNotices(HWND owner) : owner_(owner) {}

    void ReceiveFailed(std::int32_t status) override {
        receiveFailed_ = true;
        status_ = status;
    }
    void NotUpdated() override { notUpdated_ = true; }

    void Show() const {
        if (receiveFailed_) {
            std::string code = LoadResourceString(IDS_SCRIPT_ERROR_CODE);
            char formatted[64] = {};
            std::snprintf(formatted, sizeof formatted, code.c_str(), static_cast<unsigned>(status_));
            std::string text = LoadResourceString(IDS_SCRIPT_RECEIVE_FAILED) + formatted;
            MessageBoxA(owner_, text.c_str(), LoadResourceString(IDS_CAPTION).c_str(), MB_OK | MB_ICONERROR);
        }
        if (notUpdated_) ShowMessage(owner_, MB_OK | MB_ICONERROR, IDS_SCRIPT_NOT_UPDATED);
    }

private:
    HWND owner_;
    bool receiveFailed_ = false;
    bool notUpdated_ = false;
    std::int32_t status_ = 0;
};

}  // namespace

std::int32_t FetchRulesScript(HWND owner, AccountSettings& account, std::string& ansiScript,
                              std::string* utf8Script) {
    DeferredNotices notices(owner);
    std::int32_t result;
    {
        WaitCursor wait;
        WinsockTransport transport(account);
        WindowsPrompts prompts(owner);
        result = FetchScript(transport, account, prompts, notices, ansiScript, utf8Script);
    }
    notices.Show();
    return result;
}

std::int32_t StoreRulesScript(HWND owner, AccountSettings& account, std::string_view ansiScript) {
    DeferredNotices notices(owner);
    std::int32_t result;
    {
        WaitCursor wait;
        WinsockTransport transport(account);
        WindowsPrompts prompts(owner);
        result = StoreScript(transport, account, prompts, notices, ansiScript);
    }
    notices.Show();
    return result;
}

std::int32_t StoreRulesScriptWithRetry(HWND owner, AccountSettings& account, std::string_view utf8Script) {
    // The failure is asked about here, with Retry, instead of the plain notice.
    class Quiet : public ScriptNotices {
    public:
        void ReceiveFailed(std::int32_t) override {}
        void NotUpdated() override {}
    } quiet;
    for (;;) {
        std::int32_t result;
        {
            WaitCursor wait;
            WinsockTransport transport(account);
            WindowsPrompts prompts(owner);
            result = StoreUtf8Script(transport, account, prompts, quiet, utf8Script);
        }
        if (result == 0) return result;
        if (ShowMessage(owner, MB_RETRYCANCEL | MB_ICONERROR, IDS_SCRIPT_NOT_UPDATED) != IDRETRY) return result;
    }
}

}  // namespace velor
