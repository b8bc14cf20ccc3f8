// The rule editor (dialog 4102): conditions and actions ticked in two check-box lists, their
// values given through the description's links, and the rule's name.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "velcore/rules/RulesContext_win32.h"

namespace velor::rules {

// Edits the rule in place; IDOK when the user accepted, IDCANCEL otherwise, 3 when the
// catalogues cannot be built.
INT_PTR RunRuleEditor(HWND owner, const RulesContext& context, SieveCommand* rule);

// The state-image list of the check boxes (bitmap 201); the caller destroys it.
HIMAGELIST LoadRuleStateImages();

}  // namespace velor::rules
