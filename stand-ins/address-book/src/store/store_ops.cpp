#include "store/store_ops.h"

#include <mapidefs_shim.h>

#include <objbase.h>

#include <algorithm>

namespace wabstand {

namespace {

ULONGLONG Now() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

std::string DisplayName(const PropMap& props) {
  const PropValue* name = Find(props, PR_DISPLAY_NAME_A);
  return name ? name->bytes : std::string();
}

bool SameText(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

const Record* FindDuplicate(const StoreData& data, ULONG folder, Kind kind, const PropMap& props) {
  std::string name = DisplayName(props);
  if (name.empty()) return nullptr;
  for (const auto& [id, record] : data.records) {
    if (record.folder == folder && record.kind == kind && SameText(DisplayName(record.props), name))
      return &record;
  }
  return nullptr;
}

}  // namespace

StoreData NewStoreData() {
  StoreData data;
  CoCreateGuid(&data.uid);
  ULONG id;
  CreateFolder(data, kIdentityFolderName, &id);
  CreateFolder(data, kSharedFolderName, &id);
  return data;
}

ULONGLONG NextStamp(StoreData& data) {
  data.lastStamp = std::max(Now(), data.lastStamp + 1);
  return data.lastStamp;
}

const Record* FindRecord(const StoreData& data, ULONG id) {
  auto it = data.records.find(id);
  return it == data.records.end() ? nullptr : &it->second;
}

std::vector<const Record*> Folders(const StoreData& data) {
  std::vector<const Record*> folders;
  for (const auto& [id, record] : data.records)
    if (record.kind == Kind::Folder) folders.push_back(&record);
  return folders;
}

const Record* FindFolderByName(const StoreData& data, const std::string& name) {
  for (const Record* folder : Folders(data))
    if (SameText(DisplayName(folder->props), name)) return folder;
  return nullptr;
}

ULONG DefaultFolder(const StoreData& data) {
  auto folders = Folders(data);
  return folders.empty() ? 0 : folders.front()->id;
}

std::vector<const Record*> EntriesOf(const StoreData& data, ULONG folder) {
  std::vector<const Record*> entries;
  for (const auto& [id, record] : data.records) {
    if (record.kind != Kind::MailUser && record.kind != Kind::DistList) continue;
    if (folder && record.folder != folder) continue;
    entries.push_back(&record);
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Record* a, const Record* b) {
    return lstrcmpiA(DisplayName(a->props).c_str(), DisplayName(b->props).c_str()) < 0;
  });
  return entries;
}

HRESULT CreateFolder(StoreData& data, const std::string& name, ULONG* id) {
  if (name.empty()) return MAPI_E_INVALID_PARAMETER;
  if (FindFolderByName(data, name)) return MAPI_E_COLLISION;
  Record folder;
  folder.id = data.nextId++;
  folder.kind = Kind::Folder;
  folder.created = folder.modified = NextStamp(data);
  Put(folder.props, MakeString(PR_DISPLAY_NAME_A, name));
  *id = folder.id;
  data.records.emplace(folder.id, std::move(folder));
  return S_OK;
}

HRESULT CreateEntry(StoreData& data, ULONG folder, Kind kind, const PropMap& props, ULONG flags,
                    ULONG* id) {
  const Record* parent = FindRecord(data, folder);
  if (!parent || parent->kind != Kind::Folder) return MAPI_E_NOT_FOUND;
  if (kind != Kind::MailUser && kind != Kind::DistList) return MAPI_E_INVALID_PARAMETER;

  if (flags & (CREATE_CHECK_DUP_STRICT | CREATE_CHECK_DUP_LOOSE)) {
    if (const Record* dup = FindDuplicate(data, folder, kind, props)) {
      if (!(flags & (CREATE_REPLACE | CREATE_MERGE))) return MAPI_E_COLLISION;
      Record& target = data.records[dup->id];
      if (flags & CREATE_REPLACE) target.props.clear();
      for (const auto& [pid, value] : props) target.props[pid] = value;
      target.modified = NextStamp(data);
      *id = target.id;
      return S_OK;
    }
  }

  Record entry;
  entry.id = data.nextId++;
  entry.kind = kind;
  entry.folder = folder;
  entry.created = entry.modified = NextStamp(data);
  entry.props = props;
  *id = entry.id;
  data.records.emplace(entry.id, std::move(entry));
  return S_OK;
}

HRESULT UpdateEntry(StoreData& data, ULONG id, const PropMap& set, const std::set<ULONG>& deleted,
                    bool* changed) {
  *changed = false;
  auto it = data.records.find(id);
  if (it == data.records.end()) return MAPI_E_OBJECT_DELETED;
  Record& record = it->second;
  PropMap updated = record.props;
  for (ULONG pid : deleted) updated.erase(pid);
  for (const auto& [pid, value] : set) updated[pid] = value;
  if (updated == record.props) return S_OK;
  record.props = std::move(updated);
  record.modified = NextStamp(data);
  *changed = true;
  return S_OK;
}

HRESULT DeleteEntry(StoreData& data, ULONG id) {
  auto it = data.records.find(id);
  if (it == data.records.end() || it->second.kind == Kind::Folder) return MAPI_E_NOT_FOUND;
  data.records.erase(it);
  data.erased.push_back(id);
  return S_OK;
}

}  // namespace wabstand
