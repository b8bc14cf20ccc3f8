#include "velcore/protocol/MailboxCommands.h"

#include "velcore/protocol/ImapText.h"
#include "velcore/protocol/Session.h"
#include "velcore/protocol/Status.h"

#include <string>

namespace velor {
namespace {

// SELECT and STORE end with a line feed of their own, so they go out ending LF CR LF; the
// server accepts that form.
std::string selectCommand(const std::string& wireFolder) {
    return "SELECT \"" + imap::QuotedContent(wireFolder) + "\"\n";
}

const char* actionCommand(MailboxAction action) {
    switch (action) {
        case MailboxAction::kMarkRead: return "STORE 1:* +FLAGS (\\Seen)\n";
        case MailboxAction::kMarkUnread: return "STORE 1:* -FLAGS (\\Seen)\n";
        case MailboxAction::kExpunge: return "EXPUNGE";
    }
    return "";
}

}  // namespace

std::int32_t RunMailboxAction(Transport& transport, const AccountSettings& account, SessionPrompts& prompts,
                              const FolderNames& names, const char* folder, MailboxAction action) {
    if (!folder) return status::kInvalidArg;
    // A folder name that would break the command line is refused before anything is sent.
    const std::string wireFolder = names.DisplayToWire(folder);
    if (!imap::FitsInCommand(folder) || !imap::FitsInCommand(wireFolder) || !AccountFitsInCommands(account))
        return status::kInvalidArg;
    std::int32_t result = OpenSession(transport, account, prompts, nullptr);
    // No remember byte: the dialog's "Remember Password" box stays disabled here.
    if (result == status::kOk) result = Logon(transport, account, prompts, true, nullptr);
    if (result == status::kOk) result = ExecuteCommand(transport, selectCommand(wireFolder), nullptr);
    if (result != status::kOk) {
        transport.Close();
        return result;
    }
    result = ExecuteCommand(transport, actionCommand(action), nullptr);
    LogoutAndClose(transport);
    return result;
}

}  // namespace velor
