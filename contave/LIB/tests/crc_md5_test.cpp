#include <gtest/gtest.h>

#include <string>

#include "contave/LIB/crc16.h"
#include "contave/LIB/md5.h"

namespace contave {
namespace {

TEST(Crc16, CheckValueOfTheNineDigits) {
  Crc16 crc;
  EXPECT_EQ(crc.Value(), 0xFFFF);
  crc.Update("123456789", 9);
  EXPECT_EQ(crc.Value(), 0x29B1);
}

TEST(Crc16, RunsOnAcrossPieces) {
  Crc16 whole, pieces;
  whole.Update("123456789", 9);
  pieces.Update("1234", 4);
  pieces.Update("56789", 5);
  EXPECT_EQ(pieces.Value(), whole.Value());
}

TEST(Md5, TestSuiteOfRfc1321) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "D41D8CD98F00B204E9800998ECF8427E"},
      {"a", "0CC175B9C0F1B6A831C399E269772661"},
      {"abc", "900150983CD24FB0D6963F7D28E17F72"},
      {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
      {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57EDF4A22BE3C955AC49DA2E2107B67A"},
  };
  for (const auto& [text, digest] : cases) EXPECT_EQ(Md5Hex(Md5Of(text)), digest) << '"' << text << '"';
}

TEST(Md5, PiecesAcrossBlockBoundariesGiveTheSameDigest) {
  const std::string text(200, 'q');
  Md5 md5;
  for (std::size_t i = 0; i < text.size(); i += 7) md5.Update(text.data() + i, std::min<std::size_t>(7, text.size() - i));
  EXPECT_EQ(md5.Finish(), Md5Of(text));
}

}  // namespace
}  // namespace contave
