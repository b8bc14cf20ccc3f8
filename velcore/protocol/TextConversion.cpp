#include "velcore/protocol/TextConversion.h"

#include "velcore/protocol/Charsets.h"

namespace velor {

std::string ToWireName(std::string_view ansi) {
    return charset::ConvertAll(charset::kUtf8Name, charset::kUtf7mName, AnsiToUtf8(ansi));
}

std::string FromWireName(std::string_view wire) {
    return Utf8ToAnsi(charset::ConvertAll(charset::kUtf7mName, charset::kUtf8Name, wire));
}

}  // namespace velor
