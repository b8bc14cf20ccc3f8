// Status file bytes built independently of the engine's writer: a bit-by-bit CRC and fields
// laid out by hand, so that a fault shared by the writer and the reader cannot hide.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace contave::test {

class StatusBytes {
 public:
  // Appends bytes covered by the CRC.
  StatusBytes& Raw(const std::vector<std::uint8_t>& bytes) {
    for (std::uint8_t byte : bytes) Add(byte);
    return *this;
  }
  StatusBytes& Text(const std::string& text) {
    for (char c : text) Add(static_cast<std::uint8_t>(c));
    return *this;
  }
  StatusBytes& U32(std::uint32_t value) {
    for (int i = 0; i < 4; ++i) Add(static_cast<std::uint8_t>(value >> (8 * i)));
    return *this;
  }
  StatusBytes& U64(std::uint64_t value) { return U32(static_cast<std::uint32_t>(value)).U32(static_cast<std::uint32_t>(value >> 32)); }
  StatusBytes& Checkpoint() {
    bytes.push_back(static_cast<std::uint8_t>(crc));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    return *this;
  }
  // Magic, versions, count, text with its NUL and the spare byte, checkpoint 1.
  StatusBytes& Header(std::uint32_t count) {
    Raw({0x3D, 0x1F, 0xA7, 0x09, 0x01, 0x01, 0x00, 0x06});
    U32(count);
    Text(" Velor CONTAVE Status file. Don't delete, don't modify. ");
    Raw({0x00, 0x00});
    return Checkpoint();
  }
  StatusBytes& Session(const std::vector<std::uint8_t>& digest, std::uint32_t flag) {
    return Raw(digest).U32(flag).Checkpoint();
  }
  StatusBytes& Record(const std::vector<std::uint8_t>& id, std::int32_t serverId, std::int32_t revision,
                      std::uint64_t time) {
    return U32(static_cast<std::uint32_t>(id.size())).Raw(id).U32(static_cast<std::uint32_t>(serverId))
        .U32(static_cast<std::uint32_t>(revision)).U64(time);
  }

  std::vector<std::uint8_t> bytes;
  std::uint16_t crc = 0xFFFF;

 private:
  // Polynomial 0x1021, most significant bit first.
  void Add(std::uint8_t byte) {
    bytes.push_back(byte);
    crc ^= static_cast<std::uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
  }
};

}  // namespace contave::test
