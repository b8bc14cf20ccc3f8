// What the status file remembers of one local contact.
#pragma once

#include <cstdint>

#include "contave/LIB/entry_id.h"

namespace contave {

struct StatusRecord {
  EntryId entryId;
  std::int32_t serverId = -1;  // -1: the contact has no server link
  std::int32_t syncedRevision = 0;
  std::uint64_t lastModification = 0;  // FILETIME, low double word in the low bits
};

// Orders records by entry identifier and finds them by one.
struct RecordOrder {
  using is_transparent = void;
  bool operator()(const StatusRecord& a, const StatusRecord& b) const { return a.entryId < b.entryId; }
  bool operator()(const StatusRecord& a, const EntryId& b) const { return a.entryId < b; }
  bool operator()(const EntryId& a, const StatusRecord& b) const { return a < b.entryId; }
};

}  // namespace contave
