#include "velcore/protocol/TextConversion.h"

#include <windows.h>

#include <vector>

namespace velor {
namespace {

std::wstring toWide(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string fromWide(UINT codePage, const std::wstring& wide) {
    if (wide.empty()) return {};
    int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr, nullptr);
    return text;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) { return fromWide(CP_UTF8, toWide(CP_ACP, ansi)); }

// WideCharToMultiByte puts the code page's default character where a character is missing.
std::string Utf8ToAnsi(std::string_view utf8) { return fromWide(CP_ACP, toWide(CP_UTF8, utf8)); }

}  // namespace velor
