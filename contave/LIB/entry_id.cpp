#include "contave/LIB/entry_id.h"

#include <cstring>
#include <limits>
#include <utility>

#include "contave/LIB/internal_failure.h"

namespace contave {

EntryId::EntryId(const EntryId& other) {
  if (!other.Empty()) Set(other.Bytes(), other.size_);
}

EntryId::EntryId(EntryId&& other) noexcept : size_(other.size_) {
  std::memcpy(storage_, other.storage_, sizeof storage_);
  other.size_ = 0;  // the heap block, if any, is ours now
}

EntryId& EntryId::operator=(const EntryId& other) {
  if (this != &other) {
    EntryId copy(other);
    *this = std::move(copy);
  }
  return *this;
}

EntryId& EntryId::operator=(EntryId&& other) noexcept {
  if (this != &other) {
    Release();
    std::memcpy(storage_, other.storage_, sizeof storage_);
    size_ = other.size_;
    other.size_ = 0;
  }
  return *this;
}

void EntryId::Release() {
  if (OnHeap()) delete[] HeapBytes();
  size_ = 0;
}

std::uint8_t* EntryId::HeapBytes() const {
  std::uint8_t* bytes;
  std::memcpy(&bytes, storage_, sizeof bytes);
  return bytes;
}

void EntryId::SetChecked(const void* bytes, std::size_t length) {
  if (size_ != 0) CONTAVE_INTERNAL_FAILURE(module::kEntryid, kUnexpected);
  if (bytes == nullptr || length == 0 || length > std::numeric_limits<std::uint32_t>::max())
    CONTAVE_INTERNAL_FAILURE(module::kEntryid, kInvalidArg);
  if (length <= kInlineSize) {
    std::memcpy(storage_, bytes, length);
  } else {
    auto* heap = new std::uint8_t[length];
    std::memcpy(heap, bytes, length);
    std::memcpy(storage_, &heap, sizeof heap);
  }
  size_ = static_cast<std::uint32_t>(length);
}

void EntryId::BadHalvesLength() { CONTAVE_INTERNAL_FAILURE(module::kEntryid, kInvalidArg); }

void EntryId::ReadOfEmpty() const { CONTAVE_INTERNAL_FAILURE(module::kEntryid, kUnexpected); }

std::strong_ordering operator<=>(const EntryId& a, const EntryId& b) {
  const std::size_t common = a.size_ < b.size_ ? a.size_ : b.size_;
  // memcmp compares unsigned bytes; an empty identifier has no bytes to compare.
  const int order = common == 0 ? 0 : std::memcmp(a.Bytes(), b.Bytes(), common);
  if (order != 0) return order < 0 ? std::strong_ordering::less : std::strong_ordering::greater;
  return a.size_ <=> b.size_;
}

bool operator==(const EntryId& a, const EntryId& b) {
  return a.size_ == b.size_ && (a.size_ == 0 || std::memcmp(a.Bytes(), b.Bytes(), a.size_) == 0);
}

}  // namespace contave
