// IMAP exchanges on one connection: send a tagged command and read its reply, open a session up
// to the point where commands may be sent, log on with the retry dialog, log out.
#pragma once

#include "shared/AccountSettings.h"
#include "velcore/protocol/SessionPrompts.h"
#include "velcore/protocol/Status.h"
#include "velcore/protocol/Transport.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace velor {

// Whether the account's user name and password can go into LOGIN (no CR, LF or NUL). Every
// entry point checks it before it connects, so a refused text opens no connection.
bool AccountFitsInCommands(const AccountSettings& account);

// Sends the command (nothing when it is empty: then the greeting is read) and reads the reply.
// A command that is not one line (imap::IsSingleLine) is not sent: E_INVALIDARG.
std::int32_t ExecuteCommand(Transport& transport, std::string_view command, std::string* response);

// Connect, TLS when the account asks, the greeting; with a capability, CAPABILITY and the
// check for it (message 137 and E_FAIL when missing). The caller closes on every path.
std::int32_t OpenSession(Transport& transport, const AccountSettings& account, SessionPrompts& prompts,
                         const char* requiredCapability);

// LOGIN with the account's user name and password; on NO, message 135 and the logon dialog until
// the server accepts or the user cancels (result 1). The account itself is never changed.
std::int32_t Logon(Transport& transport, const AccountSettings& account, SessionPrompts& prompts,
                   bool dialogAllowed, std::uint8_t* remember);

// LOGOUT, whatever it answers, then close.
void LogoutAndClose(Transport& transport);

// A whole connection for one command: connect, TLS, greeting, logon (the account's remember
// byte offered to the dialog), the command, LOGOUT, close. The response receives the text of the
// last exchange that had one; loggedOn tells whether the command was sent.
std::int32_t SingleCommandSession(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                                  std::string_view command, std::string* response, bool* loggedOn);

}  // namespace velor

namespace velor {

// As SingleCommandSession for an exchange that is not one plain command line (a literal to
// send, a reply read in its own way): exchange runs where the command would be sent, and its
// result is the session's. Before the logon, the greeting's or logon's result is returned.
template <typename Exchange>
std::int32_t SingleExchangeSession(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                                   Exchange&& exchange, bool* loggedOn) {
    if (loggedOn) *loggedOn = false;
    if (!AccountFitsInCommands(account)) return status::kInvalidArg;
    std::int32_t result = transport.Connect(account.host.c_str(), account.port);
    if (result == status::kOk && account.useSsl) result = transport.StartTls();
    std::string greeting;
    if (result == status::kOk) result = ExecuteCommand(transport, "", &greeting);
    if (result == status::kOk) result = Logon(transport, account, prompts, true, &account.rememberPassword);
    if (result != status::kOk) {
        transport.Close();
        return result;
    }
    if (loggedOn) *loggedOn = true;
    result = exchange();
    LogoutAndClose(transport);
    return result;
}

}  // namespace velor
