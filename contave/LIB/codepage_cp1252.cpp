// The native build has no ANSI code page; it stands in windows-1252, the code page of the
// machines the product runs on, converting through code points as Windows does through UTF-16.
#include "contave/LIB/codepage.h"

#include <cstdint>

#include "contave/LIB/internal_failure.h"

namespace contave {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char kUnmappable = '?';  // what WideCharToMultiByte puts for a missing character

// Bytes 0x80..0x9F; the five that windows-1252 leaves free map to the C1 controls of the same
// value, as Windows' own table does, so every byte survives a round trip.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t FromCp1252(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
  return byte;
}

char ToCp1252(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return static_cast<char>(codePoint);
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == codePoint) return static_cast<char>(0x80 + i);
  }
  return kUnmappable;
}

void AppendUtf8(std::string& out, char32_t cp) {
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

// Decodes one UTF-8 sequence at text[i]; a malformed one yields U+FFFD and consumes one byte,
// as MultiByteToWideChar does without MB_ERR_INVALID_CHARS.
char32_t DecodeUtf8(const unsigned char* text, std::size_t& i) {
  const unsigned char lead = text[i];
  int extra = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    ++i;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07, minimum = 0x10000;
  } else {
    ++i;
    return kReplacement;
  }
  for (int k = 1; k <= extra; ++k) {
    const unsigned char next = text[i + k];  // the terminator stops this before the end
    if ((next & 0xC0) != 0x80) {
      ++i;
      return kReplacement;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return kReplacement;
  }
  i += 1 + extra;
  return cp;
}

}  // namespace

std::string LocalToUtf8(const char* text) {
  if (text == nullptr) CONTAVE_INTERNAL_FAILURE(module::kSupport, kInvalidArg);
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) AppendUtf8(out, FromCp1252(static_cast<unsigned char>(*p)));
  return out;
}

std::string Utf8ToLocal(const char* text) {
  if (text == nullptr) CONTAVE_INTERNAL_FAILURE(module::kSupport, kInvalidArg);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  std::string out;
  for (std::size_t i = 0; bytes[i] != 0;) {
    const char32_t cp = DecodeUtf8(bytes, i);
    // Outside the basic plane a character is two UTF-16 units, and Windows replaces each.
    if (cp >= 0x10000) out += kUnmappable;
    out += ToCp1252(cp);
  }
  return out;
}

}  // namespace contave
