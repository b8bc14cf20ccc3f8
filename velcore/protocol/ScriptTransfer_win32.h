// The fetch and store of the user's Sieve script as the mail-rules entry point calls them: the
// wait cursor while the server works, and the messages of the transfer in boxes owned by the
// rules' owner window. The caller has made the account current.
#pragma once

#include "shared/AccountSettings.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace velor {

// 0 with the script in the ANSI code page; see FetchScript for the other results. Failures show
// "Failed to receive script." with the error code.
std::int32_t FetchRulesScript(HWND owner, AccountSettings& account, std::string& ansiScript,
                              std::string* utf8Script = nullptr);

// 0 when stored; any other result shows "Your script has not been updated."
std::int32_t StoreRulesScript(HWND owner, AccountSettings& account, std::string_view ansiScript);

// Stores a UTF-8 script; when it fails, "Your script has not been updated." offers to try again
// (a new connection, with the logon dialog if the password is refused) so that the user's edits
// are not lost to a passing fault. Returns the last attempt's result.
std::int32_t StoreRulesScriptWithRetry(HWND owner, AccountSettings& account, std::string_view utf8Script);

}  // namespace velor
