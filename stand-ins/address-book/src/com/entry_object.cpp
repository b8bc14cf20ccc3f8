#include "com/entry_object.h"

#include "store/computed.h"
#include "store/store_ops.h"

namespace wabstand {

HRESULT EntryProps(const Session& session, const Record& record, bool isNew,
                   const PendingEdits& edits, PropMap* props) {
  if (isNew) {
    // Not in the store yet: no entry id, no times; only what the caller set and the type.
    *props = PropMap();
    bool list = record.kind == Kind::DistList;
    Put(*props, MakeLong(PR_OBJECT_TYPE, list ? MAPI_DISTLIST : MAPI_MAILUSER));
    Put(*props, MakeLong(PR_DISPLAY_TYPE, list ? DT_PRIVATE_DISTLIST : DT_MAILUSER));
  } else {
    *props = FullProps(record, StoreUid(session));
  }
  edits.ApplyTo(*props);
  return S_OK;
}

HRESULT SaveEntry(const Session& session, Record& record, bool& isNew, ULONG createFlags,
                  const PendingEdits& edits) {
  ULONG id = record.id;
  HRESULT hr;
  if (isNew) {
    PropMap props;
    edits.ApplyTo(props);
    hr = session.store->Update([&](StoreData& data, bool* changed) {
      *changed = true;
      return CreateEntry(data, record.folder, record.kind, props, createFlags, &id);
    });
  } else {
    hr = session.store->Update([&](StoreData& data, bool* changed) {
      return UpdateEntry(data, id, edits.set, edits.deleted, changed);
    });
  }
  if (FAILED(hr)) return hr;
  HRESULT found = MAPI_E_OBJECT_DELETED;
  session.store->Read([&](const StoreData& data) {
    if (const Record* saved = FindRecord(data, id)) {
      record = *saved;
      found = S_OK;
    }
  });
  if (SUCCEEDED(found)) isNew = false;
  return found;
}

}  // namespace wabstand
