#include "core/png_writer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace oestand {
namespace {

TEST(Png, ChecksumsMatchTheirStandards) {
  const unsigned char text[] = "123456789";
  EXPECT_EQ(Crc32(text, 9), 0xCBF43926u);
  const unsigned char wiki[] = "Wikipedia";
  EXPECT_EQ(Adler32(wiki, 9), 0x11E60398u);
}

uint32_t Be32(const std::string& s, size_t at) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(s[at])) << 24) |
         (static_cast<unsigned char>(s[at + 1]) << 16) | (static_cast<unsigned char>(s[at + 2]) << 8) |
         static_cast<unsigned char>(s[at + 3]);
}

// Walks the chunks, checks each CRC, and undoes the stored deflate blocks.
TEST(Png, StoredBlocksCarryTheRowsIntact) {
  const int w = 200, h = 150;  // 60150 filtered bytes: one block; 300 x 300 needs several
  for (int size : {1, 2}) {
    int width = w * size, height = h * size;
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<unsigned char>(i * 7);
    std::string png = EncodePng(width, height, rgb);
    ASSERT_EQ(png.compare(0, 8, std::string("\x89PNG\r\n\x1a\n", 8)), 0);
    std::string idat;
    size_t at = 8;
    std::vector<std::string> types;
    while (at < png.size()) {
      uint32_t n = Be32(png, at);
      std::string type = png.substr(at + 4, 4);
      types.push_back(type);
      EXPECT_EQ(Crc32(reinterpret_cast<const unsigned char*>(png.data() + at + 4), n + 4), Be32(png, at + 8 + n));
      if (type == "IHDR") {
        EXPECT_EQ(Be32(png, at + 8), static_cast<uint32_t>(width));
        EXPECT_EQ(Be32(png, at + 12), static_cast<uint32_t>(height));
      }
      if (type == "IDAT") idat += png.substr(at + 8, n);
      at += 12 + n;
    }
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    std::string raw;
    size_t p = 2;
    for (;;) {
      bool last = idat[p] & 1;
      size_t len = static_cast<unsigned char>(idat[p + 1]) | (static_cast<unsigned char>(idat[p + 2]) << 8);
      size_t nlen = static_cast<unsigned char>(idat[p + 3]) | (static_cast<unsigned char>(idat[p + 4]) << 8);
      ASSERT_EQ(len ^ 0xFFFF, nlen);
      raw += idat.substr(p + 5, len);
      p += 5 + len;
      if (last) break;
    }
    EXPECT_EQ(Be32(idat, p), Adler32(reinterpret_cast<const unsigned char*>(raw.data()), raw.size()));
    ASSERT_EQ(raw.size(), static_cast<size_t>(height) * (width * 3 + 1));
    for (int y = 0; y < height; ++y) {
      EXPECT_EQ(raw[y * (width * 3 + 1)], 0);
      ASSERT_EQ(std::memcmp(raw.data() + y * (width * 3 + 1) + 1, rgb.data() + y * width * 3, width * 3), 0);
    }
  }
}

}  // namespace
}  // namespace oestand
