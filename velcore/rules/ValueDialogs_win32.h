// The small dialogs that edit one value of a condition or action, opened from the links of a
// rule description. Each writes its value straight into the test or command on OK.
#pragma once

#include <windows.h>

#include "velcore/rules/RuleDescription.h"
#include "velcore/rules/RulesContext_win32.h"

namespace velor::rules {

// Opens the dialog of the link's key on its target; true when the user changed the value.
bool EditLinkedValue(HWND owner, const RulesContext& context, LinkKey key, const LinkTarget& target);

}  // namespace velor::rules
