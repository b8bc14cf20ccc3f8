#include "store/computed.h"

#include "store/entry_id.h"
#include "store/faults.h"

#include <mapidefs_shim.h>

namespace wabstand {

namespace {

constexpr ULONG kComputedIds[] = {
    PROP_ID(PR_ENTRYID),           PROP_ID(PR_INSTANCE_KEY),   PROP_ID(PR_RECORD_KEY),
    PROP_ID(PR_OBJECT_TYPE),       PROP_ID(PR_DISPLAY_TYPE),
    PROP_ID(PR_CREATION_TIME),     PROP_ID(PR_LAST_MODIFICATION_TIME),
    PROP_ID(PR_DEF_CREATE_MAILUSER), PROP_ID(PR_DEF_CREATE_DL), PROP_ID(PR_CONTAINER_FLAGS),
    PROP_ID(PR_DEPTH),
};

}  // namespace

bool IsComputed(ULONG tag) {
  for (ULONG id : kComputedIds)
    if (PROP_ID(tag) == id) return true;
  return false;
}

std::string InstanceKey(ULONG id) {
  return std::string(reinterpret_cast<const char*>(&id), sizeof id);
}

PropMap FullProps(const Record& record, const GUID& uid) {
  if (record.kind == Kind::Folder) return ContainerProps(&record, uid);
  PropMap props = record.props;
  std::string eid = MakeEntryId(uid, record.kind, record.id);
  bool list = record.kind == Kind::DistList;
  Put(props, MakeBinary(PR_ENTRYID, eid));
  Put(props, MakeBinary(PR_RECORD_KEY, eid));
  Put(props, MakeBinary(PR_INSTANCE_KEY, InstanceKey(record.id)));
  Put(props, MakeLong(PR_OBJECT_TYPE, list ? MAPI_DISTLIST : MAPI_MAILUSER));
  Put(props, MakeLong(PR_DISPLAY_TYPE, list ? DT_PRIVATE_DISTLIST : DT_MAILUSER));
  Put(props, MakeTime(PR_CREATION_TIME, record.created));
  const PropValue* name = Find(props, PR_DISPLAY_NAME_A);
  if (!name || !HidesModificationTime(name->bytes))
    Put(props, MakeTime(PR_LAST_MODIFICATION_TIME, record.modified));
  return props;
}

PropMap ContainerProps(const Record* folder, const GUID& uid) {
  PropMap props;
  if (folder) props = folder->props;
  else Put(props, MakeString(PR_DISPLAY_NAME_A, ""));
  Kind kind = folder ? Kind::Folder : Kind::Root;
  ULONG id = folder ? folder->id : 0;
  std::string eid = MakeEntryId(uid, kind, id);
  Put(props, MakeBinary(PR_ENTRYID, eid));
  Put(props, MakeBinary(PR_RECORD_KEY, eid));
  Put(props, MakeBinary(PR_INSTANCE_KEY, InstanceKey(id)));
  Put(props, MakeLong(PR_OBJECT_TYPE, MAPI_ABCONT));
  Put(props, MakeLong(PR_DISPLAY_TYPE, DT_NOT_SPECIFIC));
  Put(props, MakeLong(PR_CONTAINER_FLAGS, AB_RECIPIENTS | AB_SUBCONTAINERS | AB_MODIFIABLE));
  Put(props, MakeLong(PR_DEPTH, folder ? 1 : 0));
  Put(props, MakeBinary(PR_DEF_CREATE_MAILUSER, MakeEntryId(uid, Kind::MailUserTemplate, 0)));
  Put(props, MakeBinary(PR_DEF_CREATE_DL, MakeEntryId(uid, Kind::DistListTemplate, 0)));
  if (folder) {
    Put(props, MakeTime(PR_CREATION_TIME, folder->created));
    Put(props, MakeTime(PR_LAST_MODIFICATION_TIME, folder->modified));
  }
  return props;
}

}  // namespace wabstand
