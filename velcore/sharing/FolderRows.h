// The rows of the IMAP Folders window: one per subscribed folder in the server's order, with
// what the window shows of it and the folder's full name in display form, kept with the row so
// that a row below a container the window does not open still opens its own folder.
#pragma once

#include "shared/ServerRecords.h"
#include "velcore/protocol/FolderNames.h"

#include <string>
#include <vector>

namespace velor {

struct FolderRow {
    std::string label;  // the last level, its name in the user's words when it is INBOX, #public or #backup
    std::string path;   // the full name in display form, as the Sharing page takes it
    int level = 0;      // indentation
    int picture = 0;    // special-folder picture of the label
    bool selectable = true;  // a \Noselect container only holds folders: no ACL, no page
};

std::vector<FolderRow> BuildFolderRows(const std::vector<FolderLine>& lines, const FolderNames& names);

// The folders whose ACL the window reads, as one VlGetACL request list: the selectable rows
// whose path fits the request's field. requestRows receives each request's row.
std::vector<FolderAclRequest> AclRequestsFor(const std::vector<FolderRow>& rows, std::vector<AclList>& lists,
                                             std::vector<std::size_t>& requestRows);

// A folder is shown as shared when its ACL holds someone besides the owner.
inline bool IsShared(const AclList& acl) { return acl.count >= 2; }

}  // namespace velor
