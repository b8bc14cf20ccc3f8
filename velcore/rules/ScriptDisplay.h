// The script text as the script editor shows it, and back. The edit control needs CR LF line
// ends; braces go onto lines of their own so a one-line rule reads as a block. Only the script's
// own braces are broken: one inside a quoted string, a comment or a text: block is part of a
// value or of a switched-off line, and moving it would change what the script says.
#pragma once

#include <string>
#include <string_view>

namespace velor::rules {

std::string PrepareScriptForDisplay(std::string_view script);

// The control's text as the reader takes it: CR LF back to LF, so that a line break inside a
// quoted string keeps the value it had before display.
std::string ScriptFromDisplay(std::string_view shown);

}  // namespace velor::rules
