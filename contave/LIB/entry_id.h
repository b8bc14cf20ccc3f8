// An address-book entry identifier: an owned copy of its bytes, ordered byte by byte (ENTRYID).
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace contave {

class EntryId {
 public:
  EntryId() = default;
  // A null pointer or a length of 0 is an internal failure.
  EntryId(const void* bytes, std::size_t length) { Set(bytes, length); }
  // An identifier of 16 to 28 bytes given as its first and its last 16 bytes, which overlap
  // unless it has 32: two fixed-size moves, for a reader that has both in registers already.
  // Another length is an internal failure.
  EntryId(const std::uint8_t (&head)[16], const std::uint8_t (&tail)[16], std::size_t length)
      : size_(static_cast<std::uint32_t>(length)) {
    if (length - 16 > kInlineSize - 16) BadHalvesLength();
    std::memcpy(storage_, head, 16);
    std::memcpy(storage_ + length - 16, tail, 16);
  }
  EntryId(const EntryId& other);
  EntryId(EntryId&& other) noexcept;
  EntryId& operator=(const EntryId& other);
  EntryId& operator=(EntryId&& other) noexcept;
  ~EntryId() {
    if (OnHeap()) Release();
  }

  // Only on an empty identifier; setting one twice is an internal failure.
  void Set(const void* bytes, std::size_t length) {
    if (size_ == 0 && bytes != nullptr && length - 1 < kInlineSize) {
      CopyInline(storage_, static_cast<const std::uint8_t*>(bytes), length);
      size_ = static_cast<std::uint32_t>(length);
    } else {
      SetChecked(bytes, length);
    }
  }

  bool Empty() const { return size_ == 0; }
  // Whether the bytes live inside the object: then destroying it frees nothing.
  bool IsInline() const { return !OnHeap(); }
  // Whether an identifier of that many bytes is kept inside the object.
  static constexpr bool FitsInline(std::size_t length) { return length <= kInlineSize; }
  // Reading an empty identifier is an internal failure.
  std::size_t Size() const {
    if (size_ == 0) ReadOfEmpty();
    return size_;
  }
  const std::uint8_t* Data() const {
    if (size_ == 0) ReadOfEmpty();
    return Bytes();
  }

  // Copies the Size() bytes to `to`, an inline identifier in a few fixed-size moves.
  void CopyTo(std::uint8_t* to) const {
    if (size_ == 0) ReadOfEmpty();
    if (OnHeap()) {
      std::memcpy(to, HeapBytes(), size_);
    } else {
      CopyInline(to, storage_, size_);
    }
  }

  // Unsigned bytes compared in turn; a proper prefix sorts first.
  friend std::strong_ordering operator<=>(const EntryId& a, const EntryId& b);
  friend bool operator==(const EntryId& a, const EntryId& b);

 private:
  // A folder holds many identifiers of a few dozen bytes (the address book's own take 28):
  // those live inside the object, so that a status file of many records is not a heap block
  // per record, and a record stays 48 bytes. Longer ones are on the heap, the pointer kept in
  // the first bytes of the storage.
  static constexpr std::size_t kInlineSize = 28;

  // Copies 1 to kInlineSize bytes in a few overlapping fixed-size moves: a copy of variable
  // length becomes a string instruction whose start-up costs more than the identifier.
  static void CopyInline(std::uint8_t* to, const std::uint8_t* from, std::size_t length) {
    static_assert(kInlineSize <= 48);
    if (length >= 16) {
      std::memcpy(to, from, 16);
      if (length > 32) std::memcpy(to + 16, from + 16, 16);
      std::memcpy(to + length - 16, from + length - 16, 16);
    } else if (length >= 8) {
      std::memcpy(to, from, 8);
      std::memcpy(to + length - 8, from + length - 8, 8);
    } else if (length >= 4) {
      std::memcpy(to, from, 4);
      std::memcpy(to + length - 4, from + length - 4, 4);
    } else {
      for (std::size_t i = 0; i < length; ++i) to[i] = from[i];
    }
  }

  bool OnHeap() const { return size_ > kInlineSize; }
  std::uint8_t* HeapBytes() const;
  const std::uint8_t* Bytes() const { return OnHeap() ? HeapBytes() : storage_; }
  void Release();
  void SetChecked(const void* bytes, std::size_t length);
  void ReadOfEmpty() const;
  [[noreturn]] static void BadHalvesLength();

  // Not cleared when made: only the first size_ bytes are ever read, and a set of many records
  // is filled in place without writing each one twice.
  alignas(void*) std::uint8_t storage_[kInlineSize];
  std::uint32_t size_ = 0;
};

}  // namespace contave
