// These tests assume the local code page is windows-1252 (the native build's stand-in, and the
// code page the Wine test runs are set up with).
#include <gtest/gtest.h>

#include <string>

#include "contave/LIB/codepage.h"
#include "contave/LIB/tests/test_support.h"

namespace contave {
namespace {

TEST(Codepage, ConvertsLatinLettersAndTheEuroSign) {
  EXPECT_EQ(LocalToUtf8("M\xFCller \x80"), "M\xC3\xBCller \xE2\x82\xAC");
  EXPECT_EQ(Utf8ToLocal("M\xC3\xBCller \xE2\x82\xAC"), "M\xFCller \x80");
  EXPECT_EQ(LocalToUtf8("\x9F"), "\xC5\xB8");  // Y with diaeresis
  EXPECT_EQ(LocalToUtf8(""), "");
  EXPECT_EQ(Utf8ToLocal(""), "");
}

TEST(Codepage, EveryLocalByteSurvivesTheRoundTrip) {
  for (int byte = 1; byte < 256; ++byte) {
    const std::string local(1, static_cast<char>(byte));
    EXPECT_EQ(Utf8ToLocal(LocalToUtf8(local.c_str()).c_str()), local) << byte;
  }
}

TEST(Codepage, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToLocal("a\xE4\xB8\xAD" "b"), "a?b");       // a CJK character
  // Outside the basic plane: two UTF-16 units, each replaced, as Windows does.
  EXPECT_EQ(Utf8ToLocal("a\xF0\x9F\x98\x80" "b"), "a??b");
}

TEST(Codepage, NullArgumentIsAnInternalFailure) {
  test::CatchInternalFailures catcher;
  EXPECT_THROW(LocalToUtf8(nullptr), test::InternalFailureSeen);
  EXPECT_THROW(Utf8ToLocal(nullptr), test::InternalFailureSeen);
}

}  // namespace
}  // namespace contave
