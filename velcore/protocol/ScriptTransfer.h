// The user's Sieve script on the server: X-GETSCRIPT fetches it, X-PUTSCRIPT stores it as a
// non-synchronising literal. The rules window works in the ANSI code page; the server keeps
// UTF-8. These are the functions the mail-rules entry point calls around its window.
#pragma once

#include "shared/AccountSettings.h"
#include "velcore/protocol/SessionPrompts.h"
#include "velcore/protocol/Transport.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace velor {

inline constexpr std::string_view kGetScriptCommand = "X-GETSCRIPT";

// What the transfer tells the user. Windows shows message boxes owned by the rules' owner
// window; tests record the calls.
class ScriptNotices {
public:
    virtual ~ScriptNotices() = default;
    // "Failed to receive script." and "\n\nError Code 0x%08X" with the status.
    virtual void ReceiveFailed(std::int32_t status) = 0;
    // "Your script has not been updated."
    virtual void NotUpdated() = 0;
};

// The whole X-PUTSCRIPT command line: the tag, "X-PUTSCRIPT {N+}" CR LF, the script, CR LF;
// N counts the script's bytes.
std::string PutScriptLine(std::string_view utf8Script);

// The script as the server stores it: ANSI to UTF-8; an empty text becomes one space, as the
// server keeps no empty script.
std::string ScriptForServer(std::string_view ansiScript);

// Fetches the script into ansiScript. 0 with the script (empty when the server holds nothing but
// blanks); 1 (or another positive status) when the server refused after sending script data,
// with no message; otherwise message 3004 with the failure's status (E_FAIL when the session
// ended before the command, a cancelled logon included) and that status.
// With utf8Script, the same script as the server sent it, before the conversion to ANSI.
std::int32_t FetchScript(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                         ScriptNotices& notices, std::string& ansiScript, std::string* utf8Script = nullptr);

// Stores the script. Any result other than 0 shows message 3304: a refusal or a cancelled logon
// would otherwise lose the user's edits without a word. A script holding a NUL byte cannot be
// sent as a literal and is refused with E_INVALIDARG.
std::int32_t StoreScript(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                         ScriptNotices& notices, std::string_view ansiScript);

// Stores a script that is UTF-8 already (the rules keep the server's own bytes of the rules
// they did not change); an empty text becomes one space.
std::int32_t StoreUtf8Script(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                             ScriptNotices& notices, std::string_view utf8Script);

}  // namespace velor
