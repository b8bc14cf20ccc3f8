#include "velcore/rules/ScriptDisplay.h"

namespace velor::rules {
namespace {

bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool StartsTextBlock(std::string_view text, std::size_t at) {
    if (text.size() - at < 5) return false;
    if (at > 0 && IsWordChar(text[at - 1])) return false;
    const char* word = "text:";
    for (std::size_t i = 0; i < 5; ++i) {
        char c = text[at + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return true;
}

}  // namespace

std::string PrepareScriptForDisplay(std::string_view script) {
    std::string text;
    text.reserve(script.size());
    for (std::size_t i = 0; i < script.size(); ++i) {
        if (script[i] == '\r' && i + 1 < script.size() && script[i + 1] == '\n') continue;
        text += script[i];
    }
    if (text.empty()) return text;

    std::string shown;
    shown.reserve(text.size() + text.size() / 4);
    // Blank lines are dropped between commands only; inside a value every line feed counts.
    auto lineFeed = [&shown] {
        if (shown.empty() || shown.back() != '\n') shown += '\n';
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"') {
            std::size_t end = i + 1;
            while (end < text.size() && text[end] != '"') end += text[end] == '\\' ? 2 : 1;
            end = end < text.size() ? end + 1 : text.size();
            shown.append(text, i, end - i);
            i = end;
        } else if (c == '#') {
            std::size_t end = text.find('\n', i);
            end = end == std::string::npos ? text.size() : end;
            shown.append(text, i, end - i);
            i = end;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            std::size_t end = text.find("*/", i + 2);
            end = end == std::string::npos ? text.size() : end + 2;
            shown.append(text, i, end - i);
            i = end;
        } else if (StartsTextBlock(text, i)) {
            // To the line holding a single "." (a CR before its line feed is allowed).
            std::size_t end = text.find('\n', i);
            while (end != std::string::npos) {
                std::size_t next = text.find('\n', end + 1);
                std::string_view line(text.data() + end + 1,
                                      (next == std::string::npos ? text.size() : next) - end - 1);
                if (line == "." || line == ".\r") {
                    end = end + 1 + line.size();
                    break;
                }
                end = next;
            }
            end = end == std::string::npos ? text.size() : end;
            shown.append(text, i, end - i);
            i = end;
        } else if (c == '{' || c == '}') {
            lineFeed();
            shown += c;
            shown += '\n';
            ++i;
        } else if (c == '\n') {
            lineFeed();
            ++i;
        } else {
            shown += c;
            ++i;
        }
    }
    std::string crlf;
    crlf.reserve(shown.size() + shown.size() / 8);
    for (char c : shown) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return crlf;
}

std::string ScriptFromDisplay(std::string_view shown) {
    std::string text;
    text.reserve(shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == '\r' && i + 1 < shown.size() && shown[i + 1] == '\n') continue;
        text += shown[i];
    }
    return text;
}

}  // namespace velor::rules
