// The changes the address book knows, as plain operations on the loaded data. The Store runs them
// under its lock, between reading the file again and writing it.
#pragma once

#include "store/records.h"

#include <set>
#include <vector>

namespace wabstand {

StoreData NewStoreData();  // a fresh address book: a new uid and the two standard folders

// A modification time later than every one handed out before, even within one clock tick, so a
// client comparing times never takes two successive changes for one.
ULONGLONG NextStamp(StoreData& data);

const Record* FindRecord(const StoreData& data, ULONG id);
std::vector<const Record*> Folders(const StoreData& data);  // in creation order
const Record* FindFolderByName(const StoreData& data, const std::string& name);  // case-insensitive
ULONG DefaultFolder(const StoreData& data);  // 0 when there is none

// Mail users and distribution lists of one folder, or of all folders (folder 0), ordered by
// display name as the address book window lists them, then by age.
std::vector<const Record*> EntriesOf(const StoreData& data, ULONG folder);

HRESULT CreateFolder(StoreData& data, const std::string& name, ULONG* id);

// Duplicate checks follow IABContainer::CreateEntry: only with CREATE_CHECK_DUP_STRICT or
// CREATE_CHECK_DUP_LOOSE is an entry of the same kind and display name in the folder a duplicate;
// then CREATE_REPLACE overwrites its properties, CREATE_MERGE adds to them, and otherwise the
// answer is MAPI_E_COLLISION. *id receives the entry that now holds the properties.
HRESULT CreateEntry(StoreData& data, ULONG folder, Kind kind, const PropMap& props, ULONG flags,
                    ULONG* id);

// Applies the properties set and the identifiers deleted since the object was opened. *changed
// tells whether anything differs afterwards; only then is the modification time moved.
HRESULT UpdateEntry(StoreData& data, ULONG id, const PropMap& set, const std::set<ULONG>& deleted,
                    bool* changed);

HRESULT DeleteEntry(StoreData& data, ULONG id);

}  // namespace wabstand
