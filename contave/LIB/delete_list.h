// The contacts deleted locally since the last run, by server id (DELLIST). The value of an
// entry is the synced revision the status file recorded, until the passes decide: -1 done,
// -2 pending (the server still has the contact and its deletion was not carried out).
#pragma once

#include <cstdint>
#include <map>
#include <span>

#include "contave/LIB/contents_table.h"
#include "contave/LIB/entry_id_set.h"

namespace contave {

class StatusFile;

class DeleteList {
 public:
  static constexpr std::int32_t kDone = -1;
  static constexpr std::int32_t kPending = -2;

  // Every record of the loaded status file whose contact is no longer in the folder. Building
  // a list that is built already is an internal failure.
  void Build(const StatusFile& status, const EntryIdSet& folder);
  // The same, reading the folder's mail users first; the folder's errors are returned.
  Status Build(const StatusFile& status, ContentsTable& folder);

  bool Built() const { return built_; }
  // Only on a built list (else an internal failure).
  bool Lookup(std::int32_t serverId, std::int32_t& value) const;
  // The id must be in the list (else an internal failure).
  void MarkDone(std::int32_t serverId);
  // Entries whose contact the server still has become pending unless done; all others done.
  void Reconcile(std::span<const std::int32_t> serverIds);
  bool IsPending(std::int32_t serverId) const;
  std::size_t Count() const { return entries_.size(); }
  void Clear();

 private:
  std::map<std::int32_t, std::int32_t> entries_;
  bool built_ = false;
};

}  // namespace contave
