#include "imap/tokenizer.h"

namespace velor::mailserver {
namespace {

bool endsAtom(unsigned char c) { return c == ' ' || c == '(' || c == ')' || c == '"'; }

// Reads the tokens of one line; false with an error when the line is malformed.
bool tokenizeLine(const std::string& line, std::vector<Token>& out, std::string& error) {
  std::size_t i = 0;
  while (i < line.size()) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (c == ' ') {
      ++i;
    } else if (c == '(') {
      out.push_back({Token::Kind::Open, "("}), ++i;
    } else if (c == ')') {
      out.push_back({Token::Kind::Close, ")"}), ++i;
    } else if (c == '"') {
      std::string value;
      ++i;
      for (;;) {
        if (i >= line.size()) {
          error = "Unterminated quoted string";
          return false;
        }
        const char q = line[i++];
        if (q == '"') break;
        if (q == '\\') {
          if (i >= line.size() || (line[i] != '\\' && line[i] != '"')) {
            error = "Invalid escape in quoted string";
            return false;
          }
          value += line[i++];
        } else {
          value += q;
        }
      }
      out.push_back({Token::Kind::String, std::move(value)});
    } else if (c < 0x20 || c == 0x7F) {
      error = "Control character in command";
      return false;
    } else {
      std::string value;
      while (i < line.size() && !endsAtom(static_cast<unsigned char>(line[i]))) {
        const auto a = static_cast<unsigned char>(line[i]);
        if (a < 0x20 || a == 0x7F) {
          error = "Control character in command";
          return false;
        }
        value += line[i++];
      }
      out.push_back({Token::Kind::Atom, std::move(value)});
    }
  }
  return true;
}

}  // namespace

Tokens tokenize(const std::vector<Segment>& segments) {
  Tokens result;
  for (const auto& segment : segments) {
    if (!tokenizeLine(segment.text, result.tokens, result.error)) return result;
    if (segment.literal) {
      if (!segment.text.empty() && segment.text.back() != ' ' && segment.text.back() != '(') {
        result.error = "Literal must follow a space";
        return result;
      }
      result.tokens.push_back({Token::Kind::String, *segment.literal});
    }
  }
  return result;
}

bool isValidTag(const std::string& tag) {
  if (tag.empty()) return false;
  for (unsigned char c : tag) {
    if (c <= 0x20 || c >= 0x7F) return false;
    switch (c) {
      case '(': case ')': case '{': case '%': case '*': case '"': case '\\': case '+': return false;
      default: break;
    }
  }
  return true;
}

}  // namespace velor::mailserver
