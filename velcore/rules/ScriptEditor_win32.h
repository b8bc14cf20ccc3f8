// The Sieve editor (dialog 4104): one rule or the whole script as text, read back on OK with
// the first error shown and its line selected.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "velcore/rules/RulesContext_win32.h"

namespace velor::rules {

struct ScriptEditor {
    std::string text;          // shown, and after OK the text as edited (LF line ends)
    bool parseOnOk = true;
    bool singleRule = false;
    CommandListPtr result;     // after OK: the rules read, null when the text was empty

    INT_PTR Run(HWND owner, const RulesContext& context);
};

// The repair of a fetched script that cannot be read: asks, and opens the editor on it.
// 0 with the repaired text and rules; 1 when the user declined or cancelled; E_FAIL when the
// reader gave no details.
std::int32_t RepairFetchedScript(HWND owner, const RulesContext& context, const std::string& script, int line,
                                 const std::string& message, std::string& repaired, CommandListPtr& rules);

}  // namespace velor::rules
