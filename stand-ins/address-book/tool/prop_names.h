// Property names as wabtool reads and writes them: the platform's PR_ names for the properties
// contacts commonly carry, or the tag in hexadecimal for any other.
#pragma once

#include "store/prop_value.h"

#include <string>

namespace wabtool {

std::string TagName(ULONG tag);  // "PR_DISPLAY_NAME", or "" when it has none here
bool ParseTag(const std::string& text, ULONG* tag);  // a name or 0x-prefixed (or bare) hex

// A value written on the command line, read according to the tag's type: numbers in decimal,
// booleans as 0/1/true/false, times as YYYY-MM-DDTHH:MM:SS (UTC), binaries in hexadecimal,
// strings as given. Multi-valued properties take one element per call.
bool ParseValue(ULONG tag, const std::string& text, wabstand::PropValue* value);
bool AppendElement(ULONG tag, const std::string& text, wabstand::PropValue* value);

}  // namespace wabtool
