#include "contave/LIB/status_stream.h"

#include <cstring>

#include "contave/LIB/status_codes.h"

namespace contave {
namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

}  // namespace

StatusWriter::StatusWriter(OutputFile& file) : file_(file) { buffer_.reserve(kBufferSize); }

void StatusWriter::Put(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    if (buffer_.size() == kBufferSize) Drain();
    const std::size_t room = kBufferSize - buffer_.size();
    const std::size_t take = size < room ? size : room;
    buffer_.insert(buffer_.end(), bytes, bytes + take);
    bytes += take;
    size -= take;
  }
}

void StatusWriter::Drain() {
  if (!buffer_.empty() && !Failed(status_)) status_ = file_.Write(buffer_.data(), buffer_.size());
  buffer_.clear();
}

void StatusWriter::Bytes(const void* data, std::size_t size) {
  crc_.Update(data, size);
  Put(data, size);
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
  const std::uint16_t value = crc_.Value();
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
  Put(bytes, 2);
}

Status StatusWriter::Finish() {
  Drain();
  return status_;
}

StatusReader::StatusReader(InputFile& file) : file_(file), buffer_(kBufferSize) {}

Status StatusReader::Take(void* data, std::size_t size) {
  auto* out = static_cast<std::uint8_t*>(data);
  while (size > 0) {
    if (position_ == filled_) {
      std::size_t got = 0;
      if (Status status = file_.Read(buffer_.data(), buffer_.size(), got); Failed(status)) return status;
      if (got == 0) return kCveStatusCorrupted;
      position_ = 0;
      filled_ = got;
    }
    const std::size_t available = filled_ - position_;
    const std::size_t take = size < available ? size : available;
    std::memcpy(out, buffer_.data() + position_, take);
    position_ += take;
    out += take;
    size -= take;
  }
  return kOk;
}

Status StatusReader::Bytes(void* data, std::size_t size) {
  if (Status status = Take(data, size); Failed(status)) return status;
  crc_.Update(data, size);
  return kOk;
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
  std::uint8_t bytes[2];
  if (Status status = Take(bytes, 2); Failed(status)) return status;
  const std::uint16_t stored = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
  return stored == crc_.Value() ? kOk : kCveStatusCorrupted;
}

}  // namespace contave
