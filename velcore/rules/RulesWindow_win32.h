// The rules window (dialog 4101): the script's rules as a list with check boxes, the selected
// rule's description, and the buttons that add, change, copy, remove and reorder rules.
#pragma once

#include <windows.h>

#include "velcore/rules/RulesContext_win32.h"

namespace velor::rules {

// Every change goes straight into the list at *script. IDOK only when the user accepted a
// changed list: a window closed with OK and no change reports IDCANCEL, so nothing is stored.
INT_PTR RunRulesWindow(HWND owner, const RulesContext& context, SieveCommand** script);

}  // namespace velor::rules
