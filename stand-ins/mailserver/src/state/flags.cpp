#include "state/flags.h"

#include <strings.h>

namespace velor::mailserver {

std::optional<std::string> canonicalFlag(const std::string& flag) {
  static const char* const kSystem[] = {"\\Seen", "\\Answered", "\\Flagged", "\\Deleted", "\\Draft"};
  if (flag.empty()) return std::nullopt;
  if (flag[0] == '\\') {
    for (const char* known : kSystem)
      if (strcasecmp(flag.c_str(), known) == 0) return std::string(known);
    return std::nullopt;
  }
  for (unsigned char c : flag)
    if (c <= 0x20 || c >= 0x7F || c == '(' || c == ')' || c == '{' || c == '%' || c == '*' ||
        c == '"' || c == '\\' || c == ']')
      return std::nullopt;
  return flag;
}

}  // namespace velor::mailserver
