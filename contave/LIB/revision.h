// Revision numbers of contacts (SYNCLIB). The server raises a contact's revision on every
// change and the address book side raises its own counter on every local change; both are
// unsigned 32-bit numbers, so a revision past 2^31 still counts as newer than one below it.
#pragma once

#include <cstdint>

namespace contave {

enum class RevisionOrder { kBelow, kEqual, kAbove };

// Where revision a stands against the reference b, compared as unsigned numbers.
constexpr RevisionOrder CompareRevisions(std::uint32_t a, std::uint32_t b) {
  if (a > b) return RevisionOrder::kAbove;
  return a == b ? RevisionOrder::kEqual : RevisionOrder::kBelow;
}

// The same for values kept in signed fields (address-book PT_LONG properties, status records).
constexpr RevisionOrder CompareRevisions(std::int32_t a, std::int32_t b) {
  return CompareRevisions(static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b));
}

}  // namespace contave
