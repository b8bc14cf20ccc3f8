#include "velcore/protocol/Session.h"

#include "velcore/protocol/ImapText.h"
#include "velcore/protocol/Status.h"

namespace velor {
namespace {

constexpr const char kCapabilityCommand[] = "CAPABILITY";
constexpr const char kLogoutCommand[] = "LOGOUT";

// Connect and, when the account asks for it, TLS.
std::int32_t connect(Transport& transport, const AccountSettings& account) {
    std::int32_t result = transport.Connect(account.host.c_str(), account.port);
    if (result == status::kOk && account.useSsl) result = transport.StartTls();
    return result;
}

bool credentialsFit(const std::string& user, const std::string& password) {
    return imap::FitsInCommand(user) && imap::FitsInCommand(password);
}

std::string loginCommand(const std::string& user, const std::string& password) {
    // Quoted when they are no plain atoms, so a name with a space or a password with a quote
    // logs in instead of reaching the server as extra arguments.
    return "LOGIN " + imap::Astring(user) + " " + imap::Astring(password);
}

}  // namespace

bool AccountFitsInCommands(const AccountSettings& account) {
    return credentialsFit(account.user.str(), account.password.str());
}

std::int32_t ExecuteCommand(Transport& transport, std::string_view command, std::string* response) {
    if (response) response->clear();
    // The last guard against a text that would end the line early: nothing of it is sent.
    if (!imap::IsSingleLine(command)) return status::kInvalidArg;
    std::string line = imap::CommandLine(command);
    if (!line.empty() && !transport.Send(line)) {
        std::int32_t error = transport.LastSocketError();
        return error > 0 ? status::FromWin32(error) : status::kUnexpected;
    }
    return imap::ReadReply(transport, !line.empty(), response);
}

std::int32_t OpenSession(Transport& transport, const AccountSettings& account, SessionPrompts& prompts,
                         const char* requiredCapability) {
    if (!AccountFitsInCommands(account)) return status::kInvalidArg;
    std::int32_t result = connect(transport, account);
    if (result != status::kOk) return result;
    std::string response;
    result = ExecuteCommand(transport, "", &response);
    if (result != status::kOk || !requiredCapability) return result;
    result = ExecuteCommand(transport, kCapabilityCommand, &response);
    if (result != status::kOk) return result;
    if (!imap::HasCapability(response, requiredCapability)) {
        prompts.CapabilityMissing(requiredCapability);
        return status::kFail;
    }
    return status::kOk;
}

std::int32_t Logon(Transport& transport, const AccountSettings& account, SessionPrompts& prompts,
                   bool dialogAllowed, std::uint8_t* remember) {
    LogonRecord record{account.host.str(), account.user.str(), account.password.str(), remember};
    if (account.useSpa) {
        prompts.SpaNotSupported();
        return status::kInvalidArg;
    }
    for (;;) {
        if (!credentialsFit(record.user, record.password)) return status::kInvalidArg;
        std::int32_t result = ExecuteCommand(transport, loginCommand(record.user, record.password), nullptr);
        if (result != status::kNo || !dialogAllowed) return result;
        prompts.PasswordRefused();
        if (!prompts.AskLogon(record)) return status::kNo;
    }
}

void LogoutAndClose(Transport& transport) {
    ExecuteCommand(transport, kLogoutCommand, nullptr);
    transport.Close();
}

std::int32_t SingleCommandSession(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                                  std::string_view command, std::string* response, bool* loggedOn) {
    if (loggedOn) *loggedOn = false;
    if (response) response->clear();
    // Refused before the connection is opened: the server sees nothing of it.
    if (!AccountFitsInCommands(account) || !imap::IsSingleLine(command)) return status::kInvalidArg;
    std::int32_t result = connect(transport, account);
    if (result == status::kOk) result = ExecuteCommand(transport, "", response);
    if (result == status::kOk) result = Logon(transport, account, prompts, true, &account.rememberPassword);
    if (result != status::kOk) {
        transport.Close();
        return result;
    }
    if (loggedOn) *loggedOn = true;
    result = ExecuteCommand(transport, command, response);
    LogoutAndClose(transport);
    return result;
}

}  // namespace velor
