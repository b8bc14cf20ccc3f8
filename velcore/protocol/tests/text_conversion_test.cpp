// ANSI <-> UTF-8 and folder names to and from the wire. These tests assume the Western code
// page 1252 as the ANSI code page (the native build's, and the locale the Wine wrapper sets).
#include "velcore/protocol/TextConversion.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

using velor::AnsiToUtf8;
using velor::FromWireName;
using velor::ToWireName;
using velor::Utf8ToAnsi;

#ifdef _WIN32
TEST(AnsiCodePage, IsWindows1252ForTheseTests) { ASSERT_EQ(GetACP(), 1252u); }
#endif

TEST(AnsiUtf8, WesternTextGoesBothWays) {
    EXPECT_EQ(AnsiToUtf8("Gr\xFC\xDF" "e \x80"), "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC");
    EXPECT_EQ(Utf8ToAnsi("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC"), "Gr\xFC\xDF" "e \x80");
    EXPECT_EQ(AnsiToUtf8(""), "");
    EXPECT_EQ(Utf8ToAnsi(""), "");
}

TEST(AnsiUtf8, CharactersTheCodePageLacksBecomeItsDefaultCharacter) {
    EXPECT_EQ(Utf8ToAnsi("\xD0\x96" "a"), "?a");  // Cyrillic Zhe
}

TEST(WireNames, FolderNamesOutsideAsciiAndAmpersands) {
    EXPECT_EQ(ToWireName("Gr\xFCn"), "Gr&APw-n");
    EXPECT_EQ(FromWireName("Gr&APw-n"), "Gr\xFCn");
    EXPECT_EQ(ToWireName("R&D/Pl\xE4ne"), "R&-D/Pl&AOQ-ne");
    EXPECT_EQ(FromWireName("R&-D/Pl&AOQ-ne"), "R&D/Pl\xE4ne");
    EXPECT_EQ(ToWireName("INBOX/Projects"), "INBOX/Projects");
}

TEST(WireNames, EveryWesternLetterSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0x20; b <= 0xFF; ++b) {
        if (b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;
        all += static_cast<char>(b);
    }
    std::string wire = ToWireName(all);
    for (char c : wire) ASSERT_LT(static_cast<unsigned char>(c), 0x80);
    EXPECT_EQ(FromWireName(wire), all);
}

TEST(WireNames, AnEncodedZeroKeepsTheTextAfterIt) {
    EXPECT_EQ(FromWireName("A&AAA-B/C"), std::string("A\0B/C", 5));
    EXPECT_EQ(ToWireName(std::string_view("A\0B", 3)), "A&AAA-B");
    EXPECT_EQ(AnsiToUtf8(std::string_view("x\0y", 3)), std::string("x\0y", 3));
}
