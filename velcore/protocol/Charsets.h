// Conversion between the named character sets that the server and the program meet: a
// table-driven converter that decodes one character of the source set into a UCS-2 value and
// encodes it in the target set. The program itself uses the pair UTF-8 / modified UTF-7 for
// folder names; the single-byte sets and us-ascii serve the rules' character-set options.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velor::charset {

enum CharsetId : int {
    kUnknown = -1,
    kUsAscii = 1,
    kUtf7m = 2,  // modified UTF-7 of IMAP mailbox names
    kUtf8 = 3,   // at most three bytes per character: the Basic Multilingual Plane only
    kIso88591 = 4,
    kIso885910 = 5,
    kIso885913 = 6,
    kIso885914 = 7,
    kIso885915 = 8,
    kIso885916 = 9,
    kIso88592 = 10,
    kIso88593 = 11,
    kIso88594 = 12,
    kIso88595 = 13,
    kIso88596 = 14,
    kIso88597 = 15,
    kIso88598 = 16,
    kIso88599 = 17,
    kWindows1250 = 18,
    kWindows1252 = 19,
    kIbm852 = 20,
    kWindows1251 = 21,
    kWindows1255 = 22,
};

// The names as callers of the converter write them.
inline constexpr const char kUtf8Name[] = "UTF-8";
inline constexpr const char kUtf7mName[] = "UTF-7M";
inline constexpr const char kWindows1252Name[] = "windows-1252";

// The set's identifier, names compared without regard to case; kUnknown for any other name.
CharsetId LookupCharset(const char* name);

// Converts the zero-terminated source from one set to the other into target (targetSize bytes,
// always zero-terminated when targetSize > 0). Returns the number of characters converted and,
// when consumed is given, stores the number of source bytes used. Conversion stops early when
// the target runs short, keeping room to finish a multi-byte sequence. When either name is null
// or unknown the source is copied unchanged, cut to the target, and the copied length returned.
int Convert(const char* sourceSet, const char* targetSet, const char* source, char* target,
            std::size_t targetSize, std::size_t* consumed = nullptr);

// The same over a source of the given length, which may hold zero bytes.
int Convert(const char* sourceSet, const char* targetSet, const char* source, std::size_t sourceLength,
            char* target, std::size_t targetSize, std::size_t* consumed = nullptr);

// Converts the whole text, with a target large enough for any of these sets. The result keeps
// its full length, zero bytes included.
std::string ConvertAll(const char* sourceSet, const char* targetSet, std::string_view text);

}  // namespace velor::charset
