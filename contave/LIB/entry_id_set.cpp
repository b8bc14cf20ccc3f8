#include "contave/LIB/entry_id_set.h"

#include "contave/LIB/internal_failure.h"
#include "contave/LIB/mapi_tags.h"

namespace contave {

Status EntryIdSet::Build(ContentsTable& table) {
  ids_.clear();
  std::uint32_t rowCount = 0;
  Status status = table.Open(rowCount);
  if (status == kMapiNotFound) return kOk;
  if (Failed(status)) return status;
  for (;;) {
    ContentsRow row;
    bool end = false;
    status = table.Next(row, end);
    if (Failed(status)) {
      ids_.clear();
      return status;
    }
    if (end) return kOk;
    if (row.objectType != kMapiMailUser) continue;
    // A mail user row without an identifier is a broken table, not a contact.
    if (row.entryId.empty()) CONTAVE_INTERNAL_FAILURE(module::kEidset, kMapiCorruptData);
    ids_.emplace(row.entryId.data(), row.entryId.size());
  }
}

}  // namespace contave
