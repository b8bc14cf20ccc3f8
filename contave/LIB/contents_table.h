// A folder's contents table as the engine reads it: one row at a time with the columns
// PR_ENTRYID, PR_INSTANCE_KEY and PR_OBJECT_TYPE, and the few properties of a contact that
// the status file records. The address book side implements it; tests implement it in memory.
#pragma once

#include <cstdint>
#include <vector>

#include "contave/LIB/entry_id.h"
#include "contave/LIB/status_codes.h"

namespace contave {

struct ContentsRow {
  std::vector<std::uint8_t> entryId;
  std::vector<std::uint8_t> instanceKey;
  std::int32_t objectType = 0;
};

// What the status file keeps of a contact. A contact without PR_CONTAVE_SERVER_ID has server
// id -1; without PR_CONTAVE_SYNCED_REV, revision 0.
struct ContactStamp {
  std::int32_t serverId = -1;
  std::int32_t syncedRevision = 0;
  std::uint64_t lastModification = 0;  // FILETIME as one number
};

class ContentsTable {
 public:
  virtual ~ContentsTable() = default;

  // Opens the table and tells its row count; kMapiNotFound when the folder has no contents
  // table, which the engine takes for an empty folder.
  virtual Status Open(std::uint32_t& rowCount) = 0;
  // The next row; end is set instead after the last one.
  virtual Status Next(ContentsRow& row, bool& end) = 0;
  // Opens the contact read-only and reads its stamp.
  virtual Status ReadStamp(const EntryId& contact, ContactStamp& stamp) = 0;
};

}  // namespace contave
