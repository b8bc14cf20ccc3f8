// The stable text form of properties that wabtool prints: one property a line, ordered by tag,
// with its tag in hexadecimal, its name where it has one and its value. Strings are quoted with
// C escapes, binaries in hexadecimal, times as UTC with 100-nanosecond digits, lists in brackets.
#pragma once

#include "store/prop_value.h"

#include <string>

namespace wabtool {

std::string FormatValue(const wabstand::PropValue& value);
std::string FormatTime(ULONGLONG filetime);
// Every property of `props`, each line indented by `indent`.
std::string FormatProps(const wabstand::PropMap& props, const std::string& indent);

}  // namespace wabtool
