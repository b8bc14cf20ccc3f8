// Screenshots of the host for review: 24-bit pixels to a PNG file's bytes. Stored (uncompressed)
// deflate blocks keep it free of a compression library; a window's picture is a few megabytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oestand {

uint32_t Crc32(const unsigned char* data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const unsigned char* data, size_t size);

// rgb holds height rows of width pixels, three bytes each (red, green, blue), top row first.
std::string EncodePng(int width, int height, const std::vector<unsigned char>& rgb);

}  // namespace oestand
