#include "imap/quote.h"

#include <strings.h>

namespace velor::mailserver {
namespace {

bool isAtomChar(unsigned char c) {
  if (c <= 0x20 || c >= 0x7F) return false;
  switch (c) {
    case '(': case ')': case '{': case '%': case '*': case '"': case '\\': case ']': return false;
    default: return true;
  }
}

}  // namespace

std::string imapString(std::string_view text, StringForm form) {
  bool atom = form == StringForm::AtomIfPossible && !text.empty() &&
              !(text.size() == 3 && strncasecmp(text.data(), "NIL", 3) == 0);
  bool quotable = true;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (!isAtomChar(c)) atom = false;
    if (c == '\r' || c == '\n' || c == 0 || c >= 0x80) quotable = false;
  }
  if (atom) return std::string(text);
  if (!quotable) return "{" + std::to_string(text.size()) + "}\r\n" + std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

}  // namespace velor::mailserver
