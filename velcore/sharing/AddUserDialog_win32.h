// The Add User/Group dialog (4103) of the Sharing page: a name, typed or taken from the address
// book, and whether it names a user or a group.
#pragma once

#include "shared/ServerRecords.h"

#include <windows.h>

#include <string>

namespace velor {

struct NewAclName {
    std::string name;
    AclEntryKind kind = kAclUser;
};

// True with the name and kind when the dialog ends with OK.
bool AskAclName(HWND owner, NewAclName& result);

}  // namespace velor
