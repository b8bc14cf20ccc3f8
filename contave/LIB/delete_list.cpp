#include "contave/LIB/delete_list.h"

#include <set>

#include "contave/LIB/internal_failure.h"
#include "contave/LIB/status_file.h"

namespace contave {

void DeleteList::Build(const StatusFile& status, const EntryIdSet& folder) {
  if (built_) CONTAVE_INTERNAL_FAILURE(module::kDellist, kUnexpected);
  for (const StatusRecord& record : status.Records()) {
    // A record without a server link (server id -1) stands for a contact the server never
    // had: there is nothing to delete there. Every other id, negative ones included, is a
    // server contact's, and skipping it would bring a contact deleted here back from the server.
    if (record.serverId == -1) continue;
    if (!folder.Contains(record.entryId)) entries_[record.serverId] = record.syncedRevision;
  }
  built_ = true;
}

Status DeleteList::Build(const StatusFile& status, ContentsTable& folder) {
  if (built_) CONTAVE_INTERNAL_FAILURE(module::kDellist, kUnexpected);
  EntryIdSet ids;
  if (Status result = ids.Build(folder); Failed(result)) return result;
  Build(status, ids);
  return kOk;
}

bool DeleteList::Lookup(std::int32_t serverId, std::int32_t& value) const {
  if (!built_) CONTAVE_INTERNAL_FAILURE(module::kDellist, kUnexpected);
  const auto found = entries_.find(serverId);
  if (found == entries_.end()) return false;
  value = found->second;
  return true;
}

void DeleteList::MarkDone(std::int32_t serverId) {
  const auto found = entries_.find(serverId);
  if (found == entries_.end()) CONTAVE_INTERNAL_FAILURE(module::kDellist, kInvalidArg);
  found->second = kDone;
}

void DeleteList::Reconcile(std::span<const std::int32_t> serverIds) {
  for (std::int32_t id : serverIds) {
    const auto found = entries_.find(id);
    if (found != entries_.end() && found->second != kDone) found->second = kPending;
  }
  for (auto& entry : entries_) {
    if (entry.second != kDone && entry.second != kPending) entry.second = kDone;
  }
}

bool DeleteList::IsPending(std::int32_t serverId) const {
  const auto found = entries_.find(serverId);
  return found != entries_.end() && found->second != kDone;
}

void DeleteList::Clear() {
  entries_.clear();
  built_ = false;
}

}  // namespace contave
