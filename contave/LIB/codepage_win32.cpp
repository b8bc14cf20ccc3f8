// The ANSI code page and UTF-8 meet in UTF-16, through the system's own conversions.
#include <windows.h>

#include <string>
#include <vector>

#include "contave/LIB/codepage.h"
#include "contave/LIB/internal_failure.h"

namespace contave {
namespace {

std::wstring ToWide(UINT codePage, const char* text) {
  const int length = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  if (length <= 0) CONTAVE_INTERNAL_FAILURE(module::kSupport, SystemStatus(static_cast<std::int32_t>(GetLastError())));
  std::vector<wchar_t> wide(static_cast<std::size_t>(length));
  if (MultiByteToWideChar(codePage, 0, text, -1, wide.data(), length) != length)
    CONTAVE_INTERNAL_FAILURE(module::kSupport, SystemStatus(static_cast<std::int32_t>(GetLastError())));
  return std::wstring(wide.data());
}

std::string FromWide(UINT codePage, const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int length = WideCharToMultiByte(codePage, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) CONTAVE_INTERNAL_FAILURE(module::kSupport, SystemStatus(static_cast<std::int32_t>(GetLastError())));
  std::vector<char> narrow(static_cast<std::size_t>(length));
  if (WideCharToMultiByte(codePage, 0, wide.c_str(), -1, narrow.data(), length, nullptr, nullptr) != length)
    CONTAVE_INTERNAL_FAILURE(module::kSupport, SystemStatus(static_cast<std::int32_t>(GetLastError())));
  return std::string(narrow.data());
}

std::string Convert(UINT from, UINT to, const char* text) {
  if (text == nullptr) CONTAVE_INTERNAL_FAILURE(module::kSupport, kInvalidArg);
  if (*text == '\0') return std::string();
  return FromWide(to, ToWide(from, text));
}

}  // namespace

std::string LocalToUtf8(const char* text) { return Convert(CP_ACP, CP_UTF8, text); }
std::string Utf8ToLocal(const char* text) { return Convert(CP_UTF8, CP_ACP, text); }

}  // namespace contave
