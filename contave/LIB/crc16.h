// The running checksum of the status file: CRC-16/CCITT-FALSE (polynomial 0x1021, most
// significant bit first, initial value 0xFFFF, no final exclusive-or).
#pragma once

#include <cstddef>
#include <cstdint>

namespace contave {

// The ways of computing the same CRC. The status file hands over whole buffers, so the speed
// of the long-run path decides how close loading comes to a plain read of the file.
namespace crc16 {
// One byte at a time, without a table: the reference the faster ways are checked against.
std::uint16_t UpdateBytewise(std::uint16_t crc, const void* data, std::size_t size);
// Sixteen bytes a step through sixteen tables; runs on any CPU.
std::uint16_t UpdateSliced(std::uint16_t crc, const void* data, std::size_t size);
// Whether this CPU has carry-less multiplication (checked once, at run time).
bool HaveCarrylessMultiply();
// Folding with carry-less multiplication; only where HaveCarrylessMultiply() is true.
std::uint16_t UpdateCarryless(std::uint16_t crc, const void* data, std::size_t size);
// Whether this CPU multiplies two pieces at once in 256-bit registers (64-bit builds only).
bool HaveWideCarrylessMultiply();
// Folding two pieces a register; only where HaveWideCarrylessMultiply() is true.
std::uint16_t UpdateWide(std::uint16_t crc, const void* data, std::size_t size);
// Whether this CPU multiplies four pieces at once in 512-bit registers (64-bit builds only).
bool HaveWidestCarrylessMultiply();
// Folding four pieces a register; only where HaveWidestCarrylessMultiply() is true.
std::uint16_t UpdateWidest(std::uint16_t crc, const void* data, std::size_t size);
// The fastest way this CPU has.
std::uint16_t Update(std::uint16_t crc, const void* data, std::size_t size);
}  // namespace crc16

class Crc16 {
 public:
  static constexpr std::uint16_t kInitial = 0xFFFF;

  void Update(const void* data, std::size_t size) { value_ = crc16::Update(value_, data, size); }
  std::uint16_t Value() const { return value_; }

 private:
  std::uint16_t value_ = kInitial;
};

}  // namespace contave
