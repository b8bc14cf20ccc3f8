// The logon dialog that asks for a corrected user name and password when the server refuses them.
#pragma once

#include "velcore/protocol/SessionPrompts.h"

#include <windows.h>

namespace velor {

// Shows dialog 4100 owned by the active window; true on OK, with the record updated (and the
// remember byte, when the record has one).
bool RunLogonDialog(LogonRecord& record);

}  // namespace velor
