// The converter between named character sets: lookup, the folder-name pair UTF-8 / modified
// UTF-7, the single-byte tables, us-ascii's fallback letters and the target-size rules.
#include "velcore/protocol/Charsets.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

using namespace velor::charset;

namespace {

std::string convert(const char* from, const char* to, const std::string& text, std::size_t targetSize = 4096,
                    int* characters = nullptr, std::size_t* consumed = nullptr) {
    std::vector<char> target(targetSize + 1, '\x7F');  // one guard byte past the target
    int n = Convert(from, to, text.data(), text.size(), target.data(), targetSize, consumed);
    EXPECT_EQ(target[targetSize], '\x7F') << "wrote past the target";
    if (characters) *characters = n;
    return targetSize ? std::string(target.data()) : std::string();
}

std::string utf8(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

const char* const kSingleByteSets[] = {
    "iso-8859-1", "iso-8859-10", "iso-8859-13", "iso-8859-14", "iso-8859-15", "iso-8859-16", "iso-8859-2",
    "iso-8859-3", "iso-8859-4", "iso-8859-5", "iso-8859-6", "iso-8859-7", "iso-8859-8", "iso-8859-9",
    "windows-1250", "windows-1252", "ibm852", "windows-1251", "windows-1255"};

}  // namespace

TEST(CharsetLookup, NamesAreCaseInsensitiveAndUnknownNamesAreMinusOne) {
    EXPECT_EQ(LookupCharset("UTF-8"), kUtf8);
    EXPECT_EQ(LookupCharset("utf-7M"), kUtf7m);
    EXPECT_EQ(LookupCharset("US-ASCII"), kUsAscii);
    EXPECT_EQ(LookupCharset("Windows-1252"), kWindows1252);
    EXPECT_EQ(LookupCharset("IBM852"), kIbm852);
    EXPECT_EQ(LookupCharset("iso-8859-16"), kIso885916);
    EXPECT_EQ(LookupCharset("iso-8859-1"), kIso88591);  // not mistaken for iso-8859-10..16
    EXPECT_EQ(LookupCharset("iso-8859-11"), kUnknown);
    EXPECT_EQ(LookupCharset("utf-8x"), kUnknown);
    EXPECT_EQ(LookupCharset("utf"), kUnknown);
    EXPECT_EQ(LookupCharset(""), kUnknown);
    EXPECT_EQ(LookupCharset(nullptr), kUnknown);
}

TEST(ModifiedUtf7, LettersOutsideAsciiTravelAsBase64Runs) {
    EXPECT_EQ(convert(kUtf8Name, kUtf7mName, "Gr" + utf8(0xFC) + "n"), "Gr&APw-n");
    EXPECT_EQ(convert(kUtf7mName, kUtf8Name, "Gr&APw-n"), "Gr" + utf8(0xFC) + "n");
    // The mailbox-name example every IMAP implementer knows.
    std::string name = "~peter/mail/" + utf8(0x53F0) + utf8(0x5317) + "/" + utf8(0x65E5) + utf8(0x672C) + utf8(0x8A9E);
    EXPECT_EQ(convert(kUtf8Name, kUtf7mName, name), "~peter/mail/&U,BTFw-/&ZeVnLIqe-");
    EXPECT_EQ(convert(kUtf7mName, kUtf8Name, "~peter/mail/&U,BTFw-/&ZeVnLIqe-"), name);
    // A run at the very end is closed too.
    EXPECT_EQ(convert(kUtf8Name, kUtf7mName, utf8(0xE9)), "&AOk-");
}

TEST(ModifiedUtf7, AmpersandIsWrittenAsAmpersandMinus) {
    EXPECT_EQ(convert(kUtf8Name, kUtf7mName, "R&D"), "R&-D");
    EXPECT_EQ(convert(kUtf7mName, kUtf8Name, "R&-D"), "R&D");
    EXPECT_EQ(convert(kUtf8Name, kUtf7mName, utf8(0xE9) + "&"), "&AOk-&-");
    EXPECT_EQ(convert(kUtf7mName, kUtf8Name, "&AOk-&-"), utf8(0xE9) + "&");
}

TEST(ModifiedUtf7, EveryBmpCodePointRoundTrips) {
    for (char32_t c = 1; c <= 0xFFFF; ++c) {
        std::string text = "x" + utf8(c) + "y";
        std::string wire = convert(kUtf8Name, kUtf7mName, text);
        for (char ch : wire) ASSERT_LT(static_cast<unsigned char>(ch), 0x80) << "U+" << std::hex << static_cast<unsigned>(c);
        ASSERT_EQ(convert(kUtf7mName, kUtf8Name, wire), text) << "U+" << std::hex << static_cast<unsigned>(c) << " as " << wire;
    }
}

TEST(ModifiedUtf7, RandomMixedTextsRoundTrip) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> kind(0, 3), ascii(0x20, 0x7E), bmp(0x80, 0xFFFF);
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        int length = round % 17;
        for (int i = 0; i < length; ++i) text += kind(random) == 0 ? utf8(bmp(random)) : utf8(ascii(random));
        std::string wire = convert(kUtf8Name, kUtf7mName, text, text.size() * 6 + 6);
        ASSERT_EQ(convert(kUtf7mName, kUtf8Name, wire), text) << wire;
    }
}

TEST(SingleByteTables, EveryAssignedByteRoundTripsThroughUtf8) {
    for (const char* set : kSingleByteSets) {
        for (int b = 0x80; b <= 0xFF; ++b) {
            std::string byte(1, static_cast<char>(b));
            std::string text = convert(set, kUtf8Name, byte);
            ASSERT_FALSE(text.empty()) << set;
            if (text == "?") continue;  // a byte the code page leaves unassigned
            EXPECT_EQ(convert(kUtf8Name, set, text), byte) << set << " byte " << b;
        }
        EXPECT_EQ(convert(set, kUtf8Name, "plain ASCII"), "plain ASCII") << set;
    }
}

// Every byte of every set against the published page, kept apart from the converter's tables:
// unassigned bytes decode to "?", every other byte to its character and back to itself.
TEST(SingleByteTables, EveryByteOfEverySetMatchesThePublishedPage) {
    struct Page {
        const char* name;
        int ucs[256];
    };
    static const Page kPublished[] = {
#include "PublishedCodePages.inc"
    };
    ASSERT_EQ(std::size(kPublished), std::size(kSingleByteSets));
    for (const Page& page : kPublished) {
        ASSERT_NE(LookupCharset(page.name), kUnknown) << page.name;
        int assigned = 0;
        for (int b = 0; b < 256; ++b) {
            const std::string byte(1, static_cast<char>(b));
            const std::string decoded = ConvertAll(page.name, kUtf8Name, byte);
            if (page.ucs[b] < 0) {
                EXPECT_EQ(decoded, "?") << page.name << " byte " << b << " is unassigned";
                continue;
            }
            ++assigned;
            EXPECT_EQ(decoded, utf8(static_cast<char32_t>(page.ucs[b]))) << page.name << " byte " << b;
            EXPECT_EQ(ConvertAll(kUtf8Name, page.name, decoded), byte) << page.name << " byte " << b;
        }
        EXPECT_GE(assigned, 128 + 80) << page.name;
    }
}

TEST(SingleByteTables, FollowThePublishedCodePages) {
    EXPECT_EQ(convert("windows-1252", kUtf8Name, "\x80"), utf8(0x20AC));
    EXPECT_EQ(convert("windows-1252", kUtf8Name, "\x81"), "?");
    EXPECT_EQ(convert("windows-1252", kUtf8Name, "\x9F"), utf8(0x0178));
    EXPECT_EQ(convert("iso-8859-1", kUtf8Name, "\x80"), utf8(0x0080));
    EXPECT_EQ(convert("iso-8859-15", kUtf8Name, "\xA4"), utf8(0x20AC));
    EXPECT_EQ(convert("iso-8859-2", kUtf8Name, "\xB1"), utf8(0x0105));
    EXPECT_EQ(convert("iso-8859-5", kUtf8Name, "\xD0"), utf8(0x0430));
    EXPECT_EQ(convert("iso-8859-7", kUtf8Name, "\xAE"), "?");
    EXPECT_EQ(convert("windows-1250", kUtf8Name, "\x8A"), utf8(0x0160));
    EXPECT_EQ(convert("windows-1251", kUtf8Name, "\xC0"), utf8(0x0410));
    EXPECT_EQ(convert("windows-1255", kUtf8Name, "\xE0"), utf8(0x05D0));
    EXPECT_EQ(convert("ibm852", kUtf8Name, "\x80"), utf8(0x00C7));
    EXPECT_EQ(convert("iso-8859-16", kUtf8Name, "\xAA"), utf8(0x0218));
    // A character the target set lacks becomes "?".
    EXPECT_EQ(convert(kUtf8Name, "iso-8859-5", utf8(0x00E9)), "?");
}

TEST(UsAscii, LettersWithDiacriticsFallBackToTheirBaseLetter) {
    EXPECT_EQ(convert(kUtf8Name, "us-ascii", utf8(0xE9)), "e");
    EXPECT_EQ(convert(kUtf8Name, "us-ascii", utf8(0x20AC)), "?");
    EXPECT_EQ(convert(kUtf8Name, "us-ascii", "Ko" + utf8(0x0161) + "ice " + utf8(0x017D) + "ilina " + utf8(0x0150)),
              "Kosice Zilina O");
    // Ends of the table and a letter that is not in it.
    EXPECT_EQ(convert(kUtf8Name, "us-ascii", utf8(0x00C1) + utf8(0x017E) + utf8(0x00C0)), "Az?");
    // A us-ascii source byte above 0x7F is widened as a signed character.
    EXPECT_EQ(convert("us-ascii", kUtf8Name, "\xE9"), utf8(0xFFE9));
}

TEST(Utf8Decoding, BrokenSequencesBecomeQuestionMarksWithoutLosingTheRest) {
    EXPECT_EQ(convert(kUtf8Name, "windows-1252", "a\xC3"), "a?");
    EXPECT_EQ(convert(kUtf8Name, "windows-1252", "a\xE2\x82"), "a?");
    // Stray continuation bytes and four-byte sequences: one "?" each, and the text goes on.
    EXPECT_EQ(convert(kUtf8Name, "windows-1252", "a\x80" "b"), "a?b");
    EXPECT_EQ(convert(kUtf8Name, "windows-1252", "a\xF0\x9F\x98\x80" "b"), "a?b");
    EXPECT_EQ(convert(kUtf8Name, kUtf7mName, "\xFF" "x"), "?x");
}

TEST(ConvertTarget, UnknownOrMissingSetNamesCopyTheTextCutToTheTarget) {
    int n = 0;
    EXPECT_EQ(convert("klingon", kUtf8Name, "caf\xE9", 64, &n), "caf\xE9");
    EXPECT_EQ(n, 4);
    EXPECT_EQ(convert(kUtf8Name, nullptr, "text", 64, &n), "text");
    EXPECT_EQ(convert(nullptr, kUtf7mName, "abcdef", 4, &n), "abc");
    EXPECT_EQ(n, 3);
}

TEST(ConvertTarget, SizeOneGivesAnEmptyTextAndNothingConsumed) {
    int n = -1;
    std::size_t consumed = 99;
    EXPECT_EQ(convert(kUtf8Name, kUtf7mName, "abc", 1, &n, &consumed), "");
    EXPECT_EQ(n, 0);
    EXPECT_EQ(consumed, 0u);
}

TEST(ConvertTarget, StopsAtTheReserveAndReportsWhatItConsumed) {
    int n = 0;
    std::size_t consumed = 0;
    // Towards UTF-8, five bytes are kept: an 8-byte target takes three letters.
    EXPECT_EQ(convert("windows-1252", kUtf8Name, "abcdefgh", 8, &n, &consumed), "abc");
    EXPECT_EQ(n, 3);
    EXPECT_EQ(consumed, 3u);
    // A single-byte target keeps only the terminator.
    EXPECT_EQ(convert(kUtf8Name, "iso-8859-2", "abcdefgh", 5, &n, &consumed), "abcd");
    EXPECT_EQ(consumed, 4u);
    EXPECT_EQ(convert(kUtf8Name, "iso-8859-2", utf8(0x0105) + utf8(0x0105), 2, &n, &consumed), "\xB1");
    EXPECT_EQ(consumed, 2u);
}

TEST(ConvertTarget, ACutModifiedUtf7TextIsStillClosedAndDecodesToThePrefix) {
    std::string text;
    for (char32_t c : {0xFCu, 0x20ACu, 0x41u, 0x5317u, 0x26u, 0xE9u, 0xE9u, 0x7Au, 0x65E5u}) text += utf8(c);
    std::string whole = convert(kUtf8Name, kUtf7mName, text);
    for (std::size_t size = 2; size <= whole.size() + 6; ++size) {
        int n = 0;
        std::size_t consumed = 0;
        std::string wire = convert(kUtf8Name, kUtf7mName, text, size, &n, &consumed);
        ASSERT_LT(wire.size(), size);
        std::string back = convert(kUtf7mName, kUtf8Name, wire);
        EXPECT_EQ(back, text.substr(0, consumed)) << "target size " << size << ": " << wire;
        EXPECT_EQ(convert(kUtf8Name, kUtf7mName, back), wire) << "target size " << size;
    }
}
