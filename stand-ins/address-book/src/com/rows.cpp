#include "com/rows.h"

#include "com/directory_services.h"
#include "store/computed.h"
#include "store/entry_id.h"
#include "store/store_ops.h"

#include <mapidefs_shim.h>

namespace wabstand {

std::vector<ULONG> DefaultContentsColumns() {
  return {PR_INSTANCE_KEY, PR_ENTRYID, PR_DISPLAY_NAME_A, PR_OBJECT_TYPE, PR_DISPLAY_TYPE,
          PR_EMAIL_ADDRESS_A};
}

std::vector<ULONG> DefaultHierarchyColumns() {
  return {PR_INSTANCE_KEY,  PR_ENTRYID,         PR_DISPLAY_NAME_A, PR_OBJECT_TYPE,
          PR_DISPLAY_TYPE, PR_CONTAINER_FLAGS, PR_DEPTH};
}

std::vector<PropMap> ContentsRows(const StoreData& data, ULONG folder) {
  std::vector<PropMap> rows;
  for (const Record* entry : EntriesOf(data, folder)) rows.push_back(FullProps(*entry, data.uid));
  return rows;
}

std::vector<PropMap> HierarchyRows(const StoreData& data, bool profiles, bool localOnly) {
  std::vector<PropMap> rows;
  if (profiles)
    for (const Record* folder : Folders(data)) rows.push_back(ContainerProps(folder, data.uid));
  if (!localOnly)
    for (const DirectoryService& service : ListDirectoryServices())
      rows.push_back(DirectoryProps(service, data.uid));
  return rows;
}

std::vector<PropMap> MemberRows(const StoreData& data, const PropMap& list) {
  std::vector<PropMap> rows;
  const PropValue* members = Find(list, PR_WAB_DL_ENTRIES);
  if (!members) return rows;
  for (const std::string& eid : members->items) {
    Kind kind;
    ULONG id;
    if (!ParseEntryId(eid.data(), static_cast<ULONG>(eid.size()), data.uid, &kind, &id)) continue;
    const Record* member = FindRecord(data, id);
    if (member && (member->kind == Kind::MailUser || member->kind == Kind::DistList))
      rows.push_back(FullProps(*member, data.uid));
  }
  return rows;
}

}  // namespace wabstand
