#include "contave/LIB/entry_id.h"

#include <algorithm>

#include "contave/LIB/internal_failure.h"

namespace contave {

EntryId::EntryId(const void* bytes, std::size_t length) { Set(bytes, length); }

void EntryId::Set(const void* bytes, std::size_t length) {
  if (!bytes_.empty()) CONTAVE_INTERNAL_FAILURE(module::kEntryid, kUnexpected);
  if (bytes == nullptr || length == 0) CONTAVE_INTERNAL_FAILURE(module::kEntryid, kInvalidArg);
  const auto* first = static_cast<const std::uint8_t*>(bytes);
  bytes_.assign(first, first + length);
}

std::size_t EntryId::Size() const {
  if (bytes_.empty()) CONTAVE_INTERNAL_FAILURE(module::kEntryid, kUnexpected);
  return bytes_.size();
}

const std::uint8_t* EntryId::Data() const {
  if (bytes_.empty()) CONTAVE_INTERNAL_FAILURE(module::kEntryid, kUnexpected);
  return bytes_.data();
}

std::strong_ordering operator<=>(const EntryId& a, const EntryId& b) {
  return std::lexicographical_compare_three_way(a.bytes_.begin(), a.bytes_.end(), b.bytes_.begin(), b.bytes_.end());
}

}  // namespace contave
