#include "velhook/SyncToolLaunch.h"

namespace velor::velhook {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string Parameter(std::string_view name, std::string_view value) {
    std::string text;
    text.reserve(value.size() + 8);
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
            text += ' ';  // one break, one space
            ++i;
        } else if (c == '\t' || c == '\r' || c == '\n') {
            text += ' ';
        } else if (c == '"') {
            text += "\"\"";
        } else {
            text += c;
        }
    }
    std::string parameter = "/" + std::string(name) + "=" + text;
    if (text.find(' ') != std::string::npos) parameter = "\"" + parameter + "\"";
    return parameter;
}

}  // namespace

std::string ToolLocation(std::string_view value) {
    std::size_t first = 0, last = value.size();
    while (first < last && IsBlank(value[first])) ++first;
    while (last > first && IsBlank(value[last - 1])) --last;
    return std::string(value.substr(first, last - first));
}

std::string SyncToolParameters(std::string_view host, std::string_view user, std::string_view password) {
    return Parameter("host", host) + " " + Parameter("user", user) + " " + Parameter("pass", password);
}

}  // namespace velor::velhook
