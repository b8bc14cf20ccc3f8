// A small plain IMAP client for the folder list: log in, LSUB or LIST "" "*", log out. The host
// needs nothing more of its server, and keeps it on its own so it shares no code with the
// module it hosts.
#pragma once

#include <string>
#include <vector>

#include "common/accounts_win32.h"
#include "core/folder_list.h"

namespace oestand {

// subscribed: LSUB, else LIST. False with a reason in *error when the server could not be asked.
bool FetchFolderList(const Account& account, bool subscribed, std::vector<ListEntry>* entries,
                     std::string* error);

}  // namespace oestand
