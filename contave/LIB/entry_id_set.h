// The entry identifiers of a folder's mail users, ordered (EIDSET).
#pragma once

#include <cstddef>
#include <set>

#include "contave/LIB/contents_table.h"
#include "contave/LIB/entry_id.h"

namespace contave {

class EntryIdSet {
 public:
  // Reads every mail user of the folder; a folder without a contents table gives an empty set.
  Status Build(ContentsTable& table);

  void Insert(EntryId id) { ids_.insert(std::move(id)); }
  bool Contains(const EntryId& id) const { return ids_.count(id) != 0; }
  std::size_t Count() const { return ids_.size(); }
  void Clear() { ids_.clear(); }

 private:
  std::set<EntryId> ids_;
};

}  // namespace contave
