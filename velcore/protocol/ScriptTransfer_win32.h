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
std::int32_t FetchRulesScript(HWND owner, AccountSettings& account, std::string& ansiScript);

// 0 when stored; any other result shows "Your script has not been updated."
std::int32_t StoreRulesScript(HWND owner, AccountSettings& account, std::string_view ansiScript);

}  // namespace velor
