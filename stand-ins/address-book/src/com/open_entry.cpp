// Turning an entry id back into an object, for the address book and every container alike.
#include "com/directory_services.h"
#include "com/factory.h"
#include "store/entry_id.h"
#include "store/store_ops.h"

namespace wabstand {

namespace {

ULONG ObjectTypeOf(Kind kind) {
  switch (kind) {
    case Kind::MailUser: return MAPI_MAILUSER;
    case Kind::DistList: return MAPI_DISTLIST;
    default: return MAPI_ABCONT;
  }
}

}  // namespace

HRESULT OpenEntry(const SessionPtr& session, ULONG size, LPENTRYID entryId, LPCIID iid, ULONG flags,
                  ULONG* objectType, LPUNKNOWN* out) {
  if (!objectType || !out || (size && !entryId)) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  bool modify = (flags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) != 0;

  // No entry id names the root container.
  Kind kind = Kind::Root;
  ULONG id = 0;
  Record record;
  HRESULT found = S_OK;
  HRESULT hr = session->store->Read([&](const StoreData& data) {
    if (size == 0) return;
    if (!ParseEntryId(entryId, size, data.uid, &kind, &id)) {
      found = MAPI_E_UNKNOWN_ENTRYID;
      return;
    }
    if (kind == Kind::Folder || kind == Kind::MailUser || kind == Kind::DistList) {
      const Record* r = FindRecord(data, id);
      if (!r || r->kind != kind) found = MAPI_E_NOT_FOUND;
      else record = *r;
    }
  });
  if (FAILED(hr)) return hr;
  if (FAILED(found)) return found;

  IMAPIProp* object = nullptr;
  switch (kind) {
    case Kind::Root:
    case Kind::Folder:
      hr = NewContainer(session, kind, id, modify, &object);
      break;
    case Kind::Directory: {
      DirectoryService service;
      if (!FindDirectoryService(id, &service)) return MAPI_E_NOT_FOUND;
      hr = NewContainer(session, kind, id, false, &object);
      break;
    }
    case Kind::MailUser:
    case Kind::DistList:
      hr = NewEntryObject(session, record, modify, false, 0, &object);
      break;
    default:
      return MAPI_E_NO_SUPPORT;  // the creation templates are used, not opened
  }
  if (FAILED(hr)) return hr;

  *objectType = ObjectTypeOf(kind);
  if (!iid) {
    *out = object;
    return S_OK;
  }
  void* asked = nullptr;
  hr = object->QueryInterface(*iid, &asked);
  object->Release();
  if (FAILED(hr)) return MAPI_E_INTERFACE_NOT_SUPPORTED;
  *out = static_cast<LPUNKNOWN>(asked);
  return S_OK;
}

}  // namespace wabstand
