#include "contave/LIB/entry_id_set.h"

#include <algorithm>

#include "contave/LIB/internal_failure.h"
#include "contave/LIB/mapi_tags.h"

namespace contave {

void EntryIdSet::Insert(EntryId id) {
  if (ordered_ && !ids_.empty() && !(ids_.back() < id)) ordered_ = false;
  ids_.push_back(std::move(id));
}

bool EntryIdSet::Contains(const EntryId& id) const {
  Order();
  return std::binary_search(ids_.begin(), ids_.end(), id);
}

std::size_t EntryIdSet::Count() const {
  Order();
  return ids_.size();
}

void EntryIdSet::Clear() {
  std::vector<EntryId>().swap(ids_);
  ordered_ = true;
}

void EntryIdSet::Order() const {
  if (ordered_) return;
  std::sort(ids_.begin(), ids_.end());
  ids_.erase(std::unique(ids_.begin(), ids_.end()), ids_.end());
  ordered_ = true;
}

Status EntryIdSet::Build(ContentsTable& table) {
  Clear();
  std::uint32_t rowCount = 0;
  Status status = table.Open(rowCount);
  if (status == kMapiNotFound) return kOk;
  if (Failed(status)) return status;
  for (;;) {
    ContentsRow row;
    bool end = false;
    status = table.Next(row, end);
    if (Failed(status)) {
      Clear();
      return status;
    }
    if (end) return kOk;
    if (row.objectType != kMapiMailUser) continue;
    // A mail user row without an identifier is a broken table, not a contact.
    if (row.entryId.empty()) CONTAVE_INTERNAL_FAILURE(module::kEidset, kMapiCorruptData);
    Insert(EntryId(row.entryId.data(), row.entryId.size()));
  }
}

}  // namespace contave
