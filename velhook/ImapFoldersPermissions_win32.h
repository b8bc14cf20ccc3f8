// The "Shared" tab's permissions: every folder's rights read from the server in one call and
// kept per account while the dialog is open. The rights lists come from Velcore on the process
// heap; each is freed with its record, on every path.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shared/AccountSettings.h"
#include "shared/ServerRecords.h"

namespace velor::velhook {

// A new settings record of the named account; null when it cannot be found or read.
std::unique_ptr<AccountSettings> AccountSettingsNamed(const std::string& account);

// One folder's rights as the server gave them; the entries are the process heap's, as Velcore
// grew them, and go with the record.
struct FolderRights {
    AclList acl{};
    FolderRights() = default;
    FolderRights(const FolderRights&) = delete;
    FolderRights& operator=(const FolderRights&) = delete;
    ~FolderRights() { AclListClear(acl); }
};

// An account's folders whose rights were read, by display path.
using PermissionCache = std::map<std::string, std::unique_ptr<FolderRights>>;

// Asks the server for the rights of every folder in one connection (a path that does not fit the
// request's folder field is left out, and each path is asked once). Only folders whose own
// result is 0 are kept; the others' lists go at once. Null when no folder could be read (the
// account unreadable, the logon refused or cancelled), so the next showing asks again. The
// owner window owns any message the library shows.
std::unique_ptr<PermissionCache> ReadPermissions(HWND owner, const std::string& account,
                                                 const std::vector<std::string>& paths);

}  // namespace velor::velhook
