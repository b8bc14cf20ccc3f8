// The native build has no ANSI code page of its own: it behaves as a Western Windows system,
// code page 1252, through the converter's table for that set.
#include "velcore/protocol/TextConversion.h"

#include "velcore/protocol/Charsets.h"

namespace velor {

std::string AnsiToUtf8(std::string_view ansi) {
    return charset::ConvertAll(charset::kWindows1252Name, charset::kUtf8Name, ansi);
}

std::string Utf8ToAnsi(std::string_view utf8) {
    return charset::ConvertAll(charset::kUtf8Name, charset::kWindows1252Name, utf8);
}

}  // namespace velor
