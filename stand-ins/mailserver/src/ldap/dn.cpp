#include "ldap/dn.h"

#include <cstdint>

namespace velor::mailserver::ldap {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isSpace(char c) { return c == ' '; }

bool isTypeChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// The lower-case partner of a code point, for the scripts contact names are written in.
std::uint32_t lowerCodePoint(std::uint32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  if (c >= 0x100 && c <= 0x137 && c % 2 == 0 && c != 0x130) return c + 1;
  if (c >= 0x139 && c <= 0x148 && c % 2 == 1) return c + 1;
  if (c >= 0x14A && c <= 0x177 && c % 2 == 0) return c + 1;
  if (c == 0x178) return 0xFF;
  if (c >= 0x179 && c <= 0x17E && c % 2 == 1) return c + 1;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

void appendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// One value up to an unescaped separator; pos is left on the separator (or the end).
std::optional<std::string> readValue(std::string_view text, std::size_t& pos) {
  std::string value;
  std::size_t significant = 0;  // length of value without the unescaped trailing spaces
  while (pos < text.size() && isSpace(text[pos])) ++pos;
  if (pos < text.size() && text[pos] == '"') {
    // LDAPv2 quoted value: everything up to the closing quote, backslash escapes inside.
    for (++pos; pos < text.size() && text[pos] != '"'; ++pos) {
      if (text[pos] == '\\' && pos + 1 < text.size()) ++pos;
      value += text[pos];
    }
    if (pos >= text.size()) return std::nullopt;
    ++pos;
    while (pos < text.size() && isSpace(text[pos])) ++pos;
    return value;
  }
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == ',' || c == ';') break;
    if (c == '+') return std::nullopt;
    if (c == '\\') {
      if (pos + 1 >= text.size()) return std::nullopt;
      const int high = hexDigit(text[pos + 1]);
      if (high >= 0 && pos + 2 < text.size() && hexDigit(text[pos + 2]) >= 0) {
        value += static_cast<char>(high * 16 + hexDigit(text[pos + 2]));
        pos += 3;
      } else {
        value += text[pos + 1];
        pos += 2;
      }
      significant = value.size();
      continue;
    }
    value += c;
    if (!isSpace(c)) significant = value.size();
    ++pos;
  }
  value.resize(significant);
  return value;
}

}  // namespace

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

std::string foldValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  bool pendingSpace = false;
  for (std::size_t i = 0; i < value.size();) {
    const auto b = static_cast<unsigned char>(value[i]);
    std::uint32_t c = b;
    std::size_t length = 1;
    if (b >= 0xC0 && b < 0xE0 && i + 1 < value.size()) {
      c = ((b & 0x1F) << 6) | (static_cast<unsigned char>(value[i + 1]) & 0x3F);
      length = 2;
    }
    if (c == ' ') {
      pendingSpace = !out.empty();
      i += length;
      continue;
    }
    if (pendingSpace) out += ' ', pendingSpace = false;
    if (length == 1 && b >= 0x80) out += value[i];  // bytes of longer sequences pass unchanged
    else appendUtf8(out, lowerCodePoint(c));
    i += length;
  }
  return out;
}

std::optional<Dn> parseDn(std::string_view text) {
  Dn dn;
  std::size_t pos = 0;
  while (pos < text.size() && isSpace(text[pos])) ++pos;
  if (pos == text.size()) return dn;  // the empty DN
  for (;;) {
    while (pos < text.size() && isSpace(text[pos])) ++pos;
    const std::size_t typeStart = pos;
    while (pos < text.size() && isTypeChar(text[pos])) ++pos;
    Rdn rdn;
    rdn.type = std::string(text.substr(typeStart, pos - typeStart));
    while (pos < text.size() && isSpace(text[pos])) ++pos;
    if (rdn.type.empty() || pos >= text.size() || text[pos] != '=') return std::nullopt;
    ++pos;
    auto value = readValue(text, pos);
    if (!value) return std::nullopt;
    rdn.value = std::move(*value);
    dn.push_back(std::move(rdn));
    if (pos >= text.size()) return dn;
    ++pos;  // the separator
  }
}

std::string formatRdn(const Rdn& rdn) {
  std::string out = rdn.type + "=";
  for (std::size_t i = 0; i < rdn.value.size(); ++i) {
    const char c = rdn.value[i];
    const bool edgeSpace = c == ' ' && (i == 0 || i + 1 == rdn.value.size());
    if (c == ',' || c == '+' || c == '"' || c == '\\' || c == '<' || c == '>' || c == ';' || c == '=' ||
        edgeSpace || (c == '#' && i == 0))
      out += '\\';
    out += c;
  }
  return out;
}

std::string formatDn(const Dn& dn) {
  std::string out;
  for (const auto& rdn : dn) {
    if (!out.empty()) out += ',';
    out += formatRdn(rdn);
  }
  return out;
}

std::string rdnKey(std::string_view type, std::string_view value) { return lowerAscii(type) + "=" + foldValue(value); }

}  // namespace velor::mailserver::ldap
