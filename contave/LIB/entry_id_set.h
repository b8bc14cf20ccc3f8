// The entry identifiers of a folder's mail users, ordered (EIDSET).
#pragma once

#include <cstddef>
#include <vector>

#include "contave/LIB/contents_table.h"
#include "contave/LIB/entry_id.h"

namespace contave {

class EntryIdSet {
 public:
  // Reads every mail user of the folder; a folder without a contents table gives an empty set.
  Status Build(ContentsTable& table);

  void Insert(EntryId id);
  bool Contains(const EntryId& id) const;
  std::size_t Count() const;
  void Clear();

 private:
  // One sorted block without repeats; identifiers entered out of order are sorted in when the
  // set is next asked.
  void Order() const;

  mutable std::vector<EntryId> ids_;
  mutable bool ordered_ = true;
};

}  // namespace contave
