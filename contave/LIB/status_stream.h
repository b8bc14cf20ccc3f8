// Byte streams of the status file that keep the one running CRC over everything they carry
// except the checkpoints, and buffer so that a file of many records costs few system calls.
// The CRC is taken over whole stretches of the buffer (at a checkpoint, and before the buffer
// is handed over or refilled) rather than field by field, which is what lets it run at the
// speed of memory.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>

#include "contave/LIB/crc16.h"
#include "contave/LIB/file_system.h"

namespace contave {

class StatusWriter {
 public:
  explicit StatusWriter(OutputFile& file);

  void Bytes(const void* data, std::size_t size) {
    if (size <= kBufferSize - used_) {
      std::memcpy(buffer_.get() + used_, data, size);
      used_ += size;
    } else {
      Put(data, size);
    }
  }
  void U8(std::uint8_t value) { Bytes(&value, 1); }
  void U32(std::uint32_t value);
  void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
  void U64(std::uint64_t value);
  // The free part of the buffer, for a caller that encodes many records straight into it;
  // Advance takes what it wrote there (at most `available`).
  std::uint8_t* Room(std::size_t& available) {
    available = kBufferSize - used_;
    return buffer_.get() + used_;
  }
  void Advance(std::size_t size) { used_ += size; }
  // Writes the running CRC, low byte first; the CRC itself goes on unchanged.
  void Checkpoint();
  // Hands the buffered bytes to the file; the first failure of any write is kept and returned.
  Status Finish();

 private:
  static constexpr std::size_t kBufferSize = 64 * 1024;

  void Put(const void* data, std::size_t size);
  void Drain();
  // Takes the bytes written since the last CRC step into the CRC.
  void Sum();

  OutputFile& file_;
  Crc16 crc_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t used_ = 0;
  std::size_t summed_ = 0;  // the buffer's bytes before this are in the CRC (or are a checkpoint)
  Status status_ = kOk;
};

class StatusReader {
 public:
  explicit StatusReader(InputFile& file);

  // A short read is a corrupted file; a failing read gives the system's error.
  Status Bytes(void* data, std::size_t size) {
    if (size <= filled_ - position_) {
      std::memcpy(data, buffer_.get() + position_, size);
      position_ += size;
      return kOk;
    }
    return Take(data, size);
  }
  // The next `size` bytes where they lie in the buffer, consumed as Bytes would; null (and
  // nothing consumed) when they run past the buffer's end and must be read with Bytes.
  const std::uint8_t* Contiguous(std::size_t size) {
    if (size > filled_ - position_) return nullptr;
    const std::uint8_t* bytes = buffer_.get() + position_;
    position_ += size;
    return bytes;
  }
  // The unread bytes of the buffer, for a caller that decodes many records straight from it;
  // Skip consumes what it took (at most `available`).
  const std::uint8_t* Window(std::size_t& available) const {
    available = filled_ - position_;
    return buffer_.get() + position_;
  }
  void Skip(std::size_t size) { position_ += size; }
  Status U32(std::uint32_t& value);
  Status I32(std::int32_t& value);
  Status U64(std::uint64_t& value);
  // Reads a checkpoint and compares it with the running CRC.
  Status Checkpoint();
  // Told that the stream carries at least `bytes` more: a large file is read on in pieces of
  // kLargeBufferSize, the unread bytes of the buffer carried over.
  void Expect(std::size_t bytes);

 private:
  static constexpr std::size_t kBufferSize = 64 * 1024;
  // Fewer and longer reads cost less in all (about 10% of loading 100,000 records) while a
  // piece still stays in a core's second-level cache to be checked and decoded. Small files
  // keep the small buffer.
  static constexpr std::size_t kLargeBufferSize = 512 * 1024;

  Status Take(void* data, std::size_t size);
  void Sum();

  InputFile& file_;
  Crc16 crc_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t capacity_ = kBufferSize;
  std::size_t position_ = 0;
  std::size_t filled_ = 0;
  std::size_t summed_ = 0;  // the buffer's bytes before this are in the CRC (or are a checkpoint)
};

// Little-endian fields of a byte array.
constexpr std::uint32_t LoadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
constexpr void StoreU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace contave
