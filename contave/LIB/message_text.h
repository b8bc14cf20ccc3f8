// SUPPORT: texts the windows build from parts: the two-line start-up message with its shorter
// line centred by blanks, and the internal-failure report.
#pragma once

#include <string>

#include "contave/LIB/status_codes.h"

namespace contave {

// "first\nsecond" with the shorter line indented by half the difference of the two lengths.
std::string CentredLines(const std::string& first, const std::string& second);

// The message and the code's error text (or the code as "0x%08x"), centred.
std::string MessageWithError(const std::string& message, Status code);

inline constexpr char kProgramName[] = "Contave";

// "Contave - Internal Error"
std::string InternalFailureTitle();
// "%s - %d - 0x%08X": the reporting module in upper case without its folder, the line, the code.
std::string InternalFailureText(const char* moduleName, int line, Status code);

}  // namespace contave
