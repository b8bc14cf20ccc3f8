#include "core/agent_text.h"

#include <cstdio>

namespace oestand {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool SplitRequest(const std::string& line, std::vector<std::string>* words) {
  words->clear();
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\r' || line[i] == '\n') {
      ++i;
      continue;
    }
    std::string word;
    if (line[i] != '"') {
      while (i < line.size() && line[i] != ' ' && line[i] != '\r' && line[i] != '\n') word += line[i++];
      words->push_back(word);
      continue;
    }
    ++i;
    bool closed = false;
    while (i < line.size()) {
      char c = line[i++];
      if (c == '"') {
        closed = true;
        break;
      }
      if (c != '\\') {
        word += c;
        continue;
      }
      if (i >= line.size()) return false;
      char e = line[i++];
      switch (e) {
        case 'n': word += '\n'; break;
        case 'r': word += '\r'; break;
        case 't': word += '\t'; break;
        case '"': word += '"'; break;
        case '\\': word += '\\'; break;
        case 'x': {
          if (i + 2 > line.size()) return false;
          int h = HexValue(line[i]), l = HexValue(line[i + 1]);
          if (h < 0 || l < 0) return false;
          word += static_cast<char>(h * 16 + l);
          i += 2;
          break;
        }
        default: return false;
      }
    }
    if (!closed) return false;
    words->push_back(word);
  }
  return true;
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c >= 0x7F) {
          char hex[5];
          std::snprintf(hex, sizeof hex, "\\x%02X", c);
          out += hex;
        } else {
          out += ch;
        }
    }
  }
  return out + "\"";
}

}  // namespace oestand
