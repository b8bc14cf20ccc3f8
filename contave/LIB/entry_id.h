// An address-book entry identifier: an owned copy of its bytes, ordered byte by byte (ENTRYID).
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace contave {

class EntryId {
 public:
  EntryId() = default;
  // A null pointer or a length of 0 is an internal failure.
  EntryId(const void* bytes, std::size_t length);

  // Only on an empty identifier; setting one twice is an internal failure.
  void Set(const void* bytes, std::size_t length);

  bool Empty() const { return bytes_.empty(); }
  // Reading an empty identifier is an internal failure.
  std::size_t Size() const;
  const std::uint8_t* Data() const;

  // Unsigned bytes compared in turn; a proper prefix sorts first.
  friend std::strong_ordering operator<=>(const EntryId& a, const EntryId& b);
  friend bool operator==(const EntryId& a, const EntryId& b) { return a.bytes_ == b.bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace contave
