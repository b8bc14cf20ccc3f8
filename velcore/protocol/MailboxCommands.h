// "Mark All Read", "Mark All Unread" and "Remove Deleted Messages": one short connection that
// selects the folder and acts on all of its messages.
#pragma once

#include "shared/AccountSettings.h"
#include "velcore/protocol/FolderNames.h"
#include "velcore/protocol/SessionPrompts.h"
#include "velcore/protocol/Transport.h"

#include <cstdint>

namespace velor {

enum class MailboxAction { kMarkRead, kMarkUnread, kExpunge };

// folder is in display form. 0, 1 when the server answered NO (or the logon was cancelled), or a
// failure status.
std::int32_t RunMailboxAction(Transport& transport, const AccountSettings& account, SessionPrompts& prompts,
                              const FolderNames& names, const char* folder, MailboxAction action);

}  // namespace velor
