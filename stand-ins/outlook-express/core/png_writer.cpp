#include "core/png_writer.h"

namespace oestand {
namespace {

void Put32(std::string* out, uint32_t v) {
  *out += static_cast<char>(v >> 24);
  *out += static_cast<char>(v >> 16);
  *out += static_cast<char>(v >> 8);
  *out += static_cast<char>(v);
}

void Chunk(std::string* out, const char type[4], const std::string& data) {
  Put32(out, static_cast<uint32_t>(data.size()));
  std::string body(type, 4);
  body += data;
  *out += body;
  Put32(out, Crc32(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
}

}  // namespace

uint32_t Crc32(const unsigned char* data, size_t size, uint32_t crc) {
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

uint32_t Adler32(const unsigned char* data, size_t size) {
  uint32_t a = 1, b = 0;
  for (size_t i = 0; i < size; ++i) {
    a = (a + data[i]) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

std::string EncodePng(int width, int height, const std::vector<unsigned char>& rgb) {
  std::string raw;
  raw.reserve(static_cast<size_t>(height) * (width * 3 + 1));
  for (int y = 0; y < height; ++y) {
    raw += '\0';  // filter type: none
    raw.append(reinterpret_cast<const char*>(rgb.data()) + static_cast<size_t>(y) * width * 3,
               static_cast<size_t>(width) * 3);
  }
  std::string z = "\x78\x01";
  for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
    size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
    bool last = at + n >= raw.size();
    z += static_cast<char>(last ? 1 : 0);
    z += static_cast<char>(n & 0xFF);
    z += static_cast<char>(n >> 8);
    z += static_cast<char>(~n & 0xFF);
    z += static_cast<char>((~n >> 8) & 0xFF);
    z.append(raw, at, n);
    if (last) break;
  }
  Put32(&z, Adler32(reinterpret_cast<const unsigned char*>(raw.data()), raw.size()));

  std::string png("\x89PNG\r\n\x1a\n", 8);
  std::string header;
  Put32(&header, static_cast<uint32_t>(width));
  Put32(&header, static_cast<uint32_t>(height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, truecolour, deflate, no filter, no interlace
  Chunk(&png, "IHDR", header);
  Chunk(&png, "IDAT", z);
  Chunk(&png, "IEND", "");
  return png;
}

}  // namespace oestand
