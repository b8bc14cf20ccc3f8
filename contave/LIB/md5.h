// MD5 (RFC 1321): names the status files and fingerprints the server folder in them. Written
// here once so that both builds give the same digests without a crypto library.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace contave {

using Md5Digest = std::array<std::uint8_t, 16>;

class Md5 {
 public:
  Md5();
  void Update(const void* data, std::size_t size);
  Md5Digest Finish();

 private:
  void Block(const std::uint8_t* block);

  std::uint32_t state_[4];
  std::uint64_t length_ = 0;  // bytes hashed so far
  std::uint8_t buffer_[64];
  std::size_t buffered_ = 0;
};

Md5Digest Md5Of(const void* data, std::size_t size);
Md5Digest Md5Of(std::string_view text);

// 32 upper-case hexadecimal digits, high nibble first.
std::string Md5Hex(const Md5Digest& digest);

}  // namespace contave
