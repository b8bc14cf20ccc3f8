#include "contave/LIB/status_stream.h"

#include <cstring>

#include "contave/LIB/status_codes.h"

namespace contave {

StatusWriter::StatusWriter(OutputFile& file) : file_(file), buffer_(new std::uint8_t[kBufferSize]) {}

void StatusWriter::Sum() {
  crc_.Update(buffer_.get() + summed_, used_ - summed_);
  summed_ = used_;
}

// The file receives whole buffers of kBufferSize bytes and then the rest, as it always has.
void StatusWriter::Put(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    if (used_ == kBufferSize) Drain();
    const std::size_t room = kBufferSize - used_;
    const std::size_t take = size < room ? size : room;
    std::memcpy(buffer_.get() + used_, bytes, take);
    used_ += take;
    bytes += take;
    size -= take;
  }
}

void StatusWriter::Drain() {
  Sum();
  if (used_ != 0 && !Failed(status_)) status_ = file_.Write(buffer_.get(), used_);
  used_ = 0;
  summed_ = 0;
}

void StatusWriter::U32(std::uint32_t value) {
  std::uint8_t bytes[4];
  StoreU32(bytes, value);
  Bytes(bytes, 4);
}

void StatusWriter::U64(std::uint64_t value) {
  U32(static_cast<std::uint32_t>(value));
  U32(static_cast<std::uint32_t>(value >> 32));
}

void StatusWriter::Checkpoint() {
  Sum();
  const std::uint16_t value = crc_.Value();
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
  // The checkpoint is not part of the CRC: byte by byte, each taken out of the CRC's way at
  // once, since a full buffer is drained (and summed) between the two.
  for (const std::uint8_t byte : bytes) {
    Put(&byte, 1);
    summed_ = used_;
  }
}

Status StatusWriter::Finish() {
  Drain();
  return status_;
}

StatusReader::StatusReader(InputFile& file) : file_(file), buffer_(new std::uint8_t[kBufferSize]) {}

void StatusReader::Sum() {
  crc_.Update(buffer_.get() + summed_, position_ - summed_);
  summed_ = position_;
}

Status StatusReader::Take(void* data, std::size_t size) {
  auto* out = static_cast<std::uint8_t*>(data);
  while (size > 0) {
    if (position_ == filled_) {
      Sum();
      std::size_t got = 0;
      if (Status status = file_.Read(buffer_.get(), capacity_, got); Failed(status)) return status;
      if (got == 0) return kCveStatusCorrupted;
      position_ = 0;
      filled_ = got;
      summed_ = 0;
    }
    const std::size_t available = filled_ - position_;
    const std::size_t take = size < available ? size : available;
    std::memcpy(out, buffer_.get() + position_, take);
    position_ += take;
    out += take;
    size -= take;
  }
  return kOk;
}

void StatusReader::Expect(std::size_t bytes) {
  if (bytes < kLargeBufferSize || capacity_ >= kLargeBufferSize) return;
  // What was consumed goes into the CRC from the old buffer; what was read but not consumed
  // moves to the start of the new one.
  Sum();
  std::unique_ptr<std::uint8_t[]> larger(new std::uint8_t[kLargeBufferSize]);
  const std::size_t unread = filled_ - position_;
  std::memcpy(larger.get(), buffer_.get() + position_, unread);
  buffer_ = std::move(larger);
  capacity_ = kLargeBufferSize;
  position_ = summed_ = 0;
  filled_ = unread;
}

Status StatusReader::U32(std::uint32_t& value) {
  std::uint8_t bytes[4];
  if (Status status = Bytes(bytes, 4); Failed(status)) return status;
  value = LoadU32(bytes);
  return kOk;
}

Status StatusReader::I32(std::int32_t& value) {
  std::uint32_t bits = 0;
  if (Status status = U32(bits); Failed(status)) return status;
  value = static_cast<std::int32_t>(bits);
  return kOk;
}

Status StatusReader::U64(std::uint64_t& value) {
  std::uint32_t low = 0, high = 0;
  if (Status status = U32(low); Failed(status)) return status;
  if (Status status = U32(high); Failed(status)) return status;
  value = static_cast<std::uint64_t>(high) << 32 | low;
  return kOk;
}

Status StatusReader::Checkpoint() {
  Sum();
  const std::uint16_t expected = crc_.Value();
  // Byte by byte, each taken out of the CRC's way at once: a refill between the two must not
  // sum the first.
  std::uint8_t bytes[2];
  for (std::uint8_t& byte : bytes) {
    if (Status status = Take(&byte, 1); Failed(status)) return status;
    summed_ = position_;
  }
  const std::uint16_t stored = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
  return stored == expected ? kOk : kCveStatusCorrupted;
}

}  // namespace contave
