#include "velcore/protocol/ReplyTokens.h"

#include <cctype>

namespace velor::imap {
namespace {

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != std::toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

TokenStatus NextToken(std::string_view& rest, std::string& text) {
    text.clear();
    while (!rest.empty() && isSpace(rest.front())) rest.remove_prefix(1);
    if (rest.empty()) return TokenStatus::kEnd;
    if (rest.front() != '"') {
        std::size_t end = 0;
        while (end < rest.size() && !isSpace(rest[end])) ++end;
        text.assign(rest.substr(0, end));
        rest.remove_prefix(end);
        return TokenStatus::kToken;
    }
    for (std::size_t i = 1; i < rest.size(); ++i) {
        char c = rest[i];
        if (c == '\\' && i + 1 < rest.size()) {
            text += rest[++i];
        } else if (c == '"') {
            rest.remove_prefix(i + 1);
            return TokenStatus::kToken;
        } else {
            text += c;
        }
    }
    text.clear();
    return TokenStatus::kMalformed;
}

}  // namespace velor::imap
