// The rows of the address book's tables, built from one consistent reading of the store.
#pragma once

#include "store/records.h"

#include <vector>

namespace wabstand {

// Columns a table starts with, before the caller chooses its own.
std::vector<ULONG> DefaultContentsColumns();
std::vector<ULONG> DefaultHierarchyColumns();

// Mail users and distribution lists of one folder, or of every folder for the root (folder 0),
// ordered by display name as the address book window shows them, then by age.
std::vector<PropMap> ContentsRows(const StoreData& data, ULONG folder);

// The folders (when profiles are on) and, unless localOnly, the directory services.
std::vector<PropMap> HierarchyRows(const StoreData& data, bool profiles, bool localOnly);

// The members of a distribution list that still exist, in the list's order.
std::vector<PropMap> MemberRows(const StoreData& data, const PropMap& list);

}  // namespace wabstand
