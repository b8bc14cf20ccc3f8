#include "velcore/protocol/ImapText.h"

#include "velcore/protocol/Status.h"

#include <algorithm>
#include <cctype>

namespace velor::imap {
namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != std::toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

bool isAtomChar(unsigned char c) {
    // RFC 3501 atom: any CHAR except specials, controls and space.
    if (c <= 0x20 || c >= 0x7F) return false;
    switch (c) {
        case '(': case ')': case '{': case '%': case '*': case '"': case '\\': case ']':
            return false;
        default:
            return true;
    }
}

}  // namespace

std::string CommandLine(std::string_view command) {
    std::size_t start = 0;
    while (start < command.size() && std::isspace(static_cast<unsigned char>(command[start]))) ++start;
    command.remove_prefix(start);
    if (command.empty()) return {};
    std::string line;
    line.reserve(kTag.size() + 1 + command.size() + 2);
    line.append(kTag).append(" ").append(command);
    if (!(command.size() >= 2 && command.substr(command.size() - 2) == "\r\n")) line.append("\r\n");
    return line;
}

bool FitsInCommand(std::string_view text) { return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos; }

bool IsSingleLine(std::string_view command) {
    if (command.size() >= 2 && command.substr(command.size() - 2) == "\r\n") command.remove_suffix(2);
    if (!command.empty() && command.back() == '\n') command.remove_suffix(1);
    return FitsInCommand(command);
}

std::string QuotedContent(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

std::string Astring(std::string_view text) {
    bool atom = !text.empty() &&
                std::all_of(text.begin(), text.end(), [](char c) { return isAtomChar(static_cast<unsigned char>(c)); });
    if (atom) return std::string(text);
    return "\"" + QuotedContent(text) + "\"";
}

std::int32_t TaggedResult(std::string_view statusText) {
    if (startsWithNoCase(statusText, "OK")) return status::kOk;
    if (startsWithNoCase(statusText, "NO")) return status::kNo;
    if (startsWithNoCase(statusText, "BAD")) return status::kInvalidArg;
    if (startsWithNoCase(statusText, "BYE")) return status::kAbort;
    return status::kUnexpected;
}

int UntaggedStatus(std::string_view text) {
    if (startsWithNoCase(text, "OK")) return status::kOk;
    if (startsWithNoCase(text, "NO")) return status::kNo;
    if (startsWithNoCase(text, "BAD")) return status::kBadGreeting;
    if (startsWithNoCase(text, "BYE")) return status::kByeGreeting;
    return -1;
}

bool HasCapability(std::string_view response, std::string_view capability) {
    std::string word = " ";
    for (char c : capability) word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    word += ' ';
    std::size_t pos = 0;
    while (pos < response.size()) {
        std::size_t end = response.find('\n', pos);
        if (end == std::string_view::npos) end = response.size();
        std::string line;
        for (char c : response.substr(pos, end - pos)) {
            if (c != '\r') line += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        if (line.compare(0, 10, "CAPABILITY") == 0) {
            line += ' ';
            return line.find(word) != std::string::npos;
        }
        pos = end + 1;
    }
    return false;
}

}  // namespace velor::imap
