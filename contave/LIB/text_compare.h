// Case-insensitive comparison of attribute names and e-mail addresses. Both are ASCII in
// practice; only ASCII letters are folded, so a byte of the local code page is never mistaken
// for another.
#pragma once

#include <string_view>

namespace contave {

constexpr char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

}  // namespace contave
