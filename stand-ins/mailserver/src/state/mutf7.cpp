#include "state/mutf7.h"

#include <cstdint>
#include <vector>

namespace velor::mailserver {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+,";

int base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == ',') return 63;
  return -1;
}

// Decodes one UTF-8 sequence at pos; returns the code point and advances pos, or -1 (and
// advances by one byte) for a malformed sequence.
long nextCodePoint(std::string_view s, std::size_t& pos) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  int length = 0;
  long cp = 0;
  long minimum = 0;
  if ((b0 & 0xE0) == 0xC0) {
    length = 2, cp = b0 & 0x1F, minimum = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3, cp = b0 & 0x0F, minimum = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4, cp = b0 & 0x07, minimum = 0x10000;
  } else {
    ++pos;
    return -1;
  }
  if (pos + length > s.size()) {
    ++pos;
    return -1;
  }
  for (int i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return -1;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return -1;
  }
  pos += length;
  return cp;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Collects UTF-16 units of one run and writes them as base64 when the run closes.
class RunEncoder {
 public:
  explicit RunEncoder(std::string& out) : out_(out) {}
  void add(std::uint16_t unit) {
    if (!open_) {
      out_ += '&';
      open_ = true;
    }
    bits_ = (bits_ << 16) | unit;
    count_ += 16;
    while (count_ >= 6) {
      count_ -= 6;
      out_ += kAlphabet[(bits_ >> count_) & 0x3F];
    }
  }
  void close() {
    if (!open_) return;
    if (count_ > 0) out_ += kAlphabet[(bits_ << (6 - count_)) & 0x3F];
    out_ += '-';
    open_ = false;
    bits_ = 0;
    count_ = 0;
  }

 private:
  std::string& out_;
  bool open_ = false;
  std::uint32_t bits_ = 0;
  int count_ = 0;
};

}  // namespace

std::string encodeMutf7(std::string_view utf8) {
  std::string out;
  RunEncoder run(out);
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    long cp = nextCodePoint(utf8, pos);
    if (cp < 0) cp = 0xFFFD;
    if (cp >= 0x20 && cp <= 0x7E) {
      run.close();
      out += static_cast<char>(cp);
      if (cp == '&') out += '-';
    } else if (cp >= 0x10000) {
      const auto v = static_cast<std::uint32_t>(cp - 0x10000);
      run.add(static_cast<std::uint16_t>(0xD800 | (v >> 10)));
      run.add(static_cast<std::uint16_t>(0xDC00 | (v & 0x3FF)));
    } else {
      run.add(static_cast<std::uint16_t>(cp));
    }
  }
  run.close();
  return out;
}

std::optional<std::string> decodeMutf7(std::string_view wire) {
  std::string out;
  std::size_t i = 0;
  while (i < wire.size()) {
    const auto c = static_cast<unsigned char>(wire[i]);
    if (c < 0x20 || c > 0x7E) return std::nullopt;
    if (c != '&') {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    ++i;
    if (i < wire.size() && wire[i] == '-') {
      out += '&';
      ++i;
      continue;
    }
    std::uint32_t bits = 0;
    int count = 0;
    std::vector<std::uint16_t> units;
    for (;;) {
      if (i >= wire.size()) return std::nullopt;  // run never closed
      const char d = wire[i++];
      if (d == '-') break;
      const int v = base64Value(d);
      if (v < 0) return std::nullopt;
      bits = (bits << 6) | static_cast<std::uint32_t>(v);
      count += 6;
      if (count >= 16) {
        count -= 16;
        units.push_back(static_cast<std::uint16_t>(bits >> count));
        bits &= (1u << count) - 1;
      }
    }
    // The leftover must be padding only: fewer than six bits, all zero.
    if (units.empty() || count >= 6 || bits != 0) return std::nullopt;
    for (std::size_t u = 0; u < units.size(); ++u) {
      const std::uint16_t unit = units[u];
      if (unit >= 0x20 && unit <= 0x7E) return std::nullopt;
      if (unit >= 0xD800 && unit <= 0xDBFF) {
        if (u + 1 >= units.size() || units[u + 1] < 0xDC00 || units[u + 1] > 0xDFFF) return std::nullopt;
        const std::uint32_t cp = 0x10000 + ((unit - 0xD800u) << 10) + (units[u + 1] - 0xDC00u);
        appendUtf8(out, cp);
        ++u;
      } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
        return std::nullopt;
      } else {
        appendUtf8(out, unit);
      }
    }
    // Two runs back to back would have been written as one by any encoder.
    if (i < wire.size() && wire[i] == '&' && !(i + 1 < wire.size() && wire[i + 1] == '-'))
      return std::nullopt;
  }
  return out;
}

bool isValidUtf8(std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size())
    if (nextCodePoint(bytes, pos) < 0) return false;
  return true;
}

}  // namespace velor::mailserver
