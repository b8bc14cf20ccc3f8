// The running checksum of the status file: CRC-16/CCITT-FALSE (polynomial 0x1021, most
// significant bit first, initial value 0xFFFF, no final exclusive-or).
#pragma once

#include <cstddef>
#include <cstdint>

namespace contave {

class Crc16 {
 public:
  static constexpr std::uint16_t kInitial = 0xFFFF;

  void Update(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) Step(bytes[i]);
  }
  std::uint16_t Value() const { return value_; }

 private:
  // The table-free byte step: the polynomial's terms folded into shifts of the top nibble.
  void Step(std::uint8_t byte) {
    std::uint8_t x = static_cast<std::uint8_t>(byte ^ (value_ >> 8));
    x = static_cast<std::uint8_t>(x ^ (x >> 4));
    value_ = static_cast<std::uint16_t>((value_ << 8) ^ (static_cast<unsigned>(x) << 12) ^
                                        (static_cast<unsigned>(x) << 5) ^ x);
  }

  std::uint16_t value_ = kInitial;
};

}  // namespace contave
