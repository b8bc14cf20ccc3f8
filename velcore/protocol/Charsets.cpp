#include "velcore/protocol/Charsets.h"

#include "velcore/protocol/CodePageTables.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

namespace velor::charset {
namespace {

struct CharsetEntry {
    const char* name;
    CharsetId id;
    const std::uint16_t* table;  // single-byte sets only
};

// Looked up in this order: the two sets the program converts between most come first.
constexpr CharsetEntry kCharsets[] = {
    {"utf-7m", kUtf7m, nullptr},
    {"utf-8", kUtf8, nullptr},
    {"us-ascii", kUsAscii, nullptr},
    {"iso-8859-1", kIso88591, kTableIso88591},
    {"iso-8859-10", kIso885910, kTableIso885910},
    {"iso-8859-13", kIso885913, kTableIso885913},
    {"iso-8859-14", kIso885914, kTableIso885914},
    {"iso-8859-15", kIso885915, kTableIso885915},
    {"iso-8859-16", kIso885916, kTableIso885916},
    {"iso-8859-2", kIso88592, kTableIso88592},
    {"iso-8859-3", kIso88593, kTableIso88593},
    {"iso-8859-4", kIso88594, kTableIso88594},
    {"iso-8859-5", kIso88595, kTableIso88595},
    {"iso-8859-6", kIso88596, kTableIso88596},
    {"iso-8859-7", kIso88597, kTableIso88597},
    {"iso-8859-8", kIso88598, kTableIso88598},
    {"iso-8859-9", kIso88599, kTableIso88599},
    {"windows-1250", kWindows1250, kTableWindows1250},
    {"windows-1252", kWindows1252, kTableWindows1252},
    {"ibm852", kIbm852, kTableIbm852},
    {"windows-1251", kWindows1251, kTableWindows1251},
    {"windows-1255", kWindows1255, kTableWindows1255},
};

// Latin letters with diacritics and the ASCII letter each falls back to, sorted by code point
// for the binary search of the us-ascii encoder.
struct Fallback {
    std::uint16_t ucs;
    char ascii;
};
constexpr Fallback kAsciiFallback[] = {
    {0x00C1, 'A'}, {0x00C2, 'A'}, {0x00C4, 'A'}, {0x00C7, 'C'}, {0x00C9, 'E'}, {0x00CB, 'E'},
    {0x00CD, 'I'}, {0x00CE, 'I'}, {0x00D3, 'O'}, {0x00D4, 'O'}, {0x00D6, 'O'}, {0x00DA, 'U'},
    {0x00DC, 'U'}, {0x00DD, 'Y'}, {0x00E1, 'a'}, {0x00E2, 'a'}, {0x00E4, 'a'}, {0x00E7, 'c'},
    {0x00E9, 'e'}, {0x00EB, 'e'}, {0x00ED, 'i'}, {0x00EE, 'i'}, {0x00F3, 'o'}, {0x00F4, 'o'},
    {0x00F6, 'o'}, {0x00FA, 'u'}, {0x00FC, 'u'}, {0x00FD, 'y'}, {0x0102, 'A'}, {0x0103, 'a'},
    {0x0104, 'A'}, {0x0105, 'a'}, {0x0106, 'C'}, {0x0107, 'c'}, {0x010C, 'C'}, {0x010D, 'c'},
    {0x010E, 'D'}, {0x010F, 'd'}, {0x0110, 'D'}, {0x0111, 'd'}, {0x0118, 'E'}, {0x0119, 'e'},
    {0x011A, 'E'}, {0x011B, 'e'}, {0x0139, 'L'}, {0x013A, 'l'}, {0x013D, 'L'}, {0x013E, 'l'},
    {0x0141, 'L'}, {0x0142, 'l'}, {0x0143, 'N'}, {0x0144, 'n'}, {0x0147, 'N'}, {0x0148, 'n'},
    {0x0150, 'O'}, {0x0151, 'o'}, {0x0154, 'R'}, {0x0155, 'r'}, {0x0158, 'R'}, {0x0159, 'r'},
    {0x015A, 'S'}, {0x015B, 's'}, {0x015E, 'S'}, {0x015F, 's'}, {0x0160, 'S'}, {0x0161, 's'},
    {0x0162, 'T'}, {0x0163, 't'}, {0x0164, 'T'}, {0x0165, 't'}, {0x016E, 'U'}, {0x016F, 'u'},
    {0x0170, 'U'}, {0x0171, 'u'}, {0x0179, 'Z'}, {0x017A, 'z'}, {0x017B, 'Z'}, {0x017C, 'z'},
    {0x017D, 'Z'}, {0x017E, 'z'},
};
static_assert(std::size(kAsciiFallback) == 80);

constexpr std::uint16_t kQuestionMark = '?';

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+,";

int base64Value(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == ',') return 63;
    return -1;
}

const CharsetEntry* findCharset(const char* name) {
    if (!name) return nullptr;
    for (const CharsetEntry& entry : kCharsets) {
        const char* a = entry.name;
        const char* b = name;
        while (*a && std::tolower(static_cast<unsigned char>(*b)) == *a) {
            ++a;
            ++b;
        }
        if (*a == '\0' && *b == '\0') return &entry;
    }
    return nullptr;
}

// Reads the source one character at a time. Modified UTF-7 keeps its base64 run open across
// calls, so the reader carries that state.
class Decoder {
public:
    Decoder(const CharsetEntry& set, const unsigned char* source, std::size_t length)
        : set_(set), src_(source), length_(length) {}

    bool atEnd() const { return pos_ >= length_; }
    std::size_t position() const { return pos_; }

    // One UCS-2 value; false when the source ended without completing one.
    bool next(std::uint16_t& value) {
        switch (set_.id) {
            case kUsAscii:
                // Taken as a signed character and widened, as the converter always has.
                value = static_cast<std::uint16_t>(static_cast<std::int16_t>(static_cast<signed char>(src_[pos_++])));
                return true;
            case kUtf8: return nextUtf8(value);
            case kUtf7m: return nextUtf7m(value);
            default: {
                unsigned char byte = src_[pos_++];
                value = byte < 0x80 ? byte : set_.table[byte - 0x80];
                return true;
            }
        }
    }

private:
    bool nextUtf8(std::uint16_t& value) {
        unsigned char lead = src_[pos_];
        std::size_t left = length_ - pos_;
        if (lead < 0x80) {
            value = lead;
            pos_ += 1;
        } else if ((lead & 0xE0) == 0xC0) {
            if (left < 2) {
                value = kQuestionMark;
                pos_ += 1;
            } else {
                value = static_cast<std::uint16_t>(((lead & 0x1F) << 6) | (src_[pos_ + 1] & 0x3F));
                pos_ += 2;
            }
        } else if ((lead & 0xF0) == 0xE0) {
            if (left < 3) {
                value = kQuestionMark;
                pos_ += std::min<std::size_t>(2, left);
            } else {
                value = static_cast<std::uint16_t>(((lead & 0x0F) << 12) | ((src_[pos_ + 1] & 0x3F) << 6) |
                                                   (src_[pos_ + 2] & 0x3F));
                pos_ += 3;
            }
        } else {
            // A stray continuation byte or the lead of a sequence beyond the Basic Multilingual
            // Plane: one "?" for the whole sequence. Consuming nothing here would stall the
            // converter and fill the target with zero bytes, losing the rest of the text.
            value = kQuestionMark;
            pos_ += 1;
            while (pos_ < length_ && (src_[pos_] & 0xC0) == 0x80) ++pos_;
        }
        return true;
    }

    bool nextUtf7m(std::uint16_t& value) {
        while (pos_ < length_) {
            unsigned char c = src_[pos_];
            if (!inRun_) {
                if (c == '&') {
                    if (pos_ + 1 < length_ && src_[pos_ + 1] == '-') {
                        value = '&';
                        pos_ += 2;
                        return true;
                    }
                    inRun_ = true;
                    bits_ = 0;
                    bitCount_ = 0;
                    ++pos_;
                    continue;
                }
                value = c < 0x80 ? c : kQuestionMark;
                ++pos_;
                return true;
            }
            int sextet = base64Value(c);
            if (sextet < 0) {
                // "-" ends the run; anything else ends it too and is read as plain text.
                inRun_ = false;
                if (c == '-') ++pos_;
                continue;
            }
            ++pos_;
            bits_ = (bits_ << 6) | static_cast<std::uint32_t>(sextet);
            bitCount_ += 6;
            if (bitCount_ >= 16) {
                bitCount_ -= 16;
                value = static_cast<std::uint16_t>(bits_ >> bitCount_);
                bits_ &= (1u << bitCount_) - 1;
                if (pos_ < length_ && src_[pos_] == '-') {
                    inRun_ = false;
                    ++pos_;
                }
                return true;
            }
        }
        return false;
    }

    const CharsetEntry& set_;
    const unsigned char* src_;
    std::size_t length_;
    std::size_t pos_ = 0;
    bool inRun_ = false;
    std::uint32_t bits_ = 0;
    int bitCount_ = 0;
};

// Writes into the target; never past its end, whatever the reserve arithmetic says.
class Encoder {
public:
    Encoder(const CharsetEntry& set, char* target, std::size_t capacity)
        : set_(set), dst_(target), capacity_(capacity) {}

    std::size_t written() const { return len_; }
    std::size_t freeSpace() const { return capacity_ - len_; }

    void put(std::uint16_t value) {
        switch (set_.id) {
            case kUsAscii: putAscii(value); break;
            case kUtf8: putUtf8(value); break;
            case kUtf7m: putUtf7m(value); break;
            default: putSingleByte(value); break;
        }
    }

    // Closes an open modified-UTF-7 run: the leftover bits as one more character, then "-".
    void finish() {
        if (set_.id != kUtf7m || !inRun_) return;
        flushRun();
    }

    void terminate() {
        if (capacity_ == 0) return;
        dst_[std::min(len_, capacity_ - 1)] = '\0';
    }

private:
    void byte(unsigned char b) {
        // The last byte of the target is kept for the terminating zero.
        if (len_ + 1 < capacity_) dst_[len_++] = static_cast<char>(b);
    }

    void putAscii(std::uint16_t value) {
        if (value < 0x80) return byte(static_cast<unsigned char>(value));
        auto it = std::lower_bound(std::begin(kAsciiFallback), std::end(kAsciiFallback), value,
                                   [](const Fallback& row, std::uint16_t v) { return row.ucs < v; });
        byte(it != std::end(kAsciiFallback) && it->ucs == value ? it->ascii : '?');
    }

    void putSingleByte(std::uint16_t value) {
        if (value < 0x80) return byte(static_cast<unsigned char>(value));
        for (int i = 0; i < 128; ++i) {
            if (set_.table[i] == value) return byte(static_cast<unsigned char>(0x80 + i));
        }
        byte('?');
    }

    void putUtf8(std::uint16_t value) {
        if (value < 0x80) {
            byte(static_cast<unsigned char>(value));
        } else if (value < 0x800) {
            byte(static_cast<unsigned char>(0xC0 | (value >> 6)));
            byte(static_cast<unsigned char>(0x80 | (value & 0x3F)));
        } else {
            byte(static_cast<unsigned char>(0xE0 | (value >> 12)));
            byte(static_cast<unsigned char>(0x80 | ((value >> 6) & 0x3F)));
            byte(static_cast<unsigned char>(0x80 | (value & 0x3F)));
        }
    }

    void putUtf7m(std::uint16_t value) {
        // Only printable ASCII stands for itself; control characters travel in base64 like any
        // other, so a name never carries a raw line end into a command.
        if (value >= 0x20 && value < 0x7F) {
            if (inRun_) flushRun();
            byte(static_cast<unsigned char>(value));
            if (value == '&') byte('-');
            return;
        }
        if (!inRun_) {
            byte('&');
            inRun_ = true;
            bits_ = 0;
            bitCount_ = 0;
        }
        bits_ = (bits_ << 16) | value;
        bitCount_ += 16;
        while (bitCount_ >= 6) {
            bitCount_ -= 6;
            byte(static_cast<unsigned char>(kBase64[(bits_ >> bitCount_) & 0x3F]));
        }
        bits_ &= (1u << bitCount_) - 1;
    }

    void flushRun() {
        if (bitCount_ > 0) byte(static_cast<unsigned char>(kBase64[(bits_ << (6 - bitCount_)) & 0x3F]));
        byte('-');
        inRun_ = false;
        bits_ = 0;
        bitCount_ = 0;
    }

    const CharsetEntry& set_;
    char* dst_;
    std::size_t capacity_;
    std::size_t len_ = 0;
    bool inRun_ = false;
    std::uint32_t bits_ = 0;
    int bitCount_ = 0;
};

int copyUnchanged(const char* source, std::size_t sourceLength, char* target, std::size_t targetSize,
                  std::size_t* consumed) {
    std::size_t n = 0;
    if (targetSize > 0) {
        n = std::min(sourceLength, targetSize - 1);
        if (n) std::memmove(target, source, n);
        target[n] = '\0';
    }
    if (consumed) *consumed = n;
    return static_cast<int>(n);
}

}  // namespace

CharsetId LookupCharset(const char* name) {
    const CharsetEntry* entry = findCharset(name);
    return entry ? entry->id : kUnknown;
}

int Convert(const char* sourceSet, const char* targetSet, const char* source, char* target,
            std::size_t targetSize, std::size_t* consumed) {
    return Convert(sourceSet, targetSet, source, source ? std::strlen(source) : 0, target, targetSize, consumed);
}

namespace {

int convert(const char* sourceSet, const char* targetSet, const char* source, std::size_t sourceLength,
            char* target, std::size_t targetSize, std::size_t* consumed, std::size_t* written) {
    if (written) *written = 0;
    if (!source) sourceLength = 0;
    const CharsetEntry* from = findCharset(sourceSet);
    const CharsetEntry* to = findCharset(targetSet);
    if (!from || !to) {
        int n = copyUnchanged(source, sourceLength, target, targetSize, consumed);
        if (written) *written = static_cast<std::size_t>(n);
        return n;
    }

    if (targetSize <= 1) {
        if (targetSize == 1) target[0] = '\0';
        if (consumed) *consumed = 0;
        return 0;
    }

    // Room kept at the end of the target to finish a multi-byte sequence and terminate.
    const std::size_t reserve = (to->id == kUtf8 || to->id == kUtf7m) ? 5 : 1;
    Decoder decoder(*from, reinterpret_cast<const unsigned char*>(source), sourceLength);
    Encoder encoder(*to, target, targetSize);
    int characters = 0;
    std::uint16_t value = 0;
    while (!decoder.atEnd() && encoder.freeSpace() > reserve) {
        if (!decoder.next(value)) break;
        encoder.put(value);
        ++characters;
    }
    encoder.finish();
    encoder.terminate();
    if (consumed) *consumed = decoder.position();
    if (written) *written = std::min(encoder.written(), targetSize - 1);
    return characters;
}

}  // namespace

int Convert(const char* sourceSet, const char* targetSet, const char* source, std::size_t sourceLength,
            char* target, std::size_t targetSize, std::size_t* consumed) {
    return convert(sourceSet, targetSet, source, sourceLength, target, targetSize, consumed, nullptr);
}

std::string ConvertAll(const char* sourceSet, const char* targetSet, std::string_view text) {
    // Six bytes per source byte hold any conversion here; the rest covers the reserve.
    std::vector<char> buffer(text.size() * 6 + 1 + 5);
    // The converted length is kept: a zero byte in the text is data, not its end.
    std::size_t written = 0;
    convert(sourceSet, targetSet, text.data(), text.size(), buffer.data(), buffer.size(), nullptr, &written);
    return std::string(buffer.data(), written);
}

}  // namespace velor::charset
