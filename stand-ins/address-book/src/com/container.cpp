// IABContainer: the root of the address book, its folders and the directory services.
#include "com/directory_services.h"
#include "com/factory.h"
#include "com/prop_object.h"
#include "com/rows.h"
#include "com/table.h"
#include "store/computed.h"
#include "store/entry_id.h"
#include "store/store_ops.h"
#include "store/faults.h"

#include <new>

namespace wabstand {

namespace {

class Container final : public PropObject<IABContainer> {
 public:
  // A container's own properties are computed; `modify` (MAPI_MODIFY at opening) governs
  // creating and deleting entries in it.
  Container(SessionPtr session, Kind kind, ULONG id, bool modify)
      : PropObject(false), session_(std::move(session)), kind_(kind), id_(id), modify_(modify) {}

  STDMETHODIMP QueryInterface(REFIID riid, LPVOID* out) override {
    return Answer(riid, {&IID_IUnknown, &IID_IMAPIProp, &IID_IMAPIContainer, &IID_IABContainer},
                  out);
  }

  STDMETHODIMP GetContentsTable(ULONG flags, LPMAPITABLE* table) override;
  STDMETHODIMP GetHierarchyTable(ULONG flags, LPMAPITABLE* table) override;
  STDMETHODIMP OpenEntry(ULONG size, LPENTRYID eid, LPCIID iid, ULONG flags, ULONG* type,
                         LPUNKNOWN* out) override {
    return wabstand::OpenEntry(session_, size, eid, iid, flags, type, out);
  }
  STDMETHODIMP SetSearchCriteria(LPSRestriction, LPENTRYLIST, ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP GetSearchCriteria(ULONG, LPSRestriction*, LPENTRYLIST*, ULONG*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP CreateEntry(ULONG size, LPENTRYID eid, ULONG flags, LPMAPIPROP* entry) override;
  STDMETHODIMP CopyEntries(LPENTRYLIST, ULONG, LPMAPIPROGRESS, ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP DeleteEntries(LPENTRYLIST entries, ULONG flags) override;
  STDMETHODIMP ResolveNames(LPSPropTagArray, ULONG, LPADRLIST, LPFlagList) override {
    return MAPI_E_NO_SUPPORT;
  }

 protected:
  HRESULT CurrentProps(PropMap* props) override;
  HRESULT Save(ULONG) override { return S_OK; }

 private:
  ~Container() override = default;

  bool IsDirectory() const { return kind_ == Kind::Directory; }
  bool Holds(const Record& entry) const { return kind_ == Kind::Root || entry.folder == id_; }

  SessionPtr session_;
  Kind kind_;
  ULONG id_;
  bool modify_;
};

HRESULT Container::CurrentProps(PropMap* props) {
  HRESULT found = S_OK;
  HRESULT hr = session_->store->Read([&](const StoreData& data) {
    if (kind_ == Kind::Root) {
      *props = ContainerProps(nullptr, data.uid);
    } else if (kind_ == Kind::Folder) {
      const Record* folder = FindRecord(data, id_);
      if (folder) *props = ContainerProps(folder, data.uid);
      else found = MAPI_E_OBJECT_DELETED;
    } else {
      DirectoryService service;
      if (FindDirectoryService(id_, &service)) *props = DirectoryProps(service, data.uid);
      else found = MAPI_E_OBJECT_DELETED;
    }
  });
  return FAILED(hr) ? hr : found;
}

STDMETHODIMP Container::GetContentsTable(ULONG flags, LPMAPITABLE* table) {
  if (!table) return MAPI_E_INVALID_PARAMETER;
  *table = nullptr;
  if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
  // A directory service is searched, never listed whole.
  if (IsDirectory()) return MAPI_E_NO_SUPPORT;
  std::vector<PropMap> rows;
  HRESULT hr = session_->store->Read(
      [&](const StoreData& data) { rows = ContentsRows(data, kind_ == Kind::Root ? 0 : id_); });
  if (FAILED(hr)) return hr;
  // As the Windows address book does for a folder of a profile that holds nothing.
  if (rows.empty() && kind_ == Kind::Folder) return MAPI_E_NOT_FOUND;
  return Table::Create(std::move(rows), DefaultContentsColumns(), table);
}

STDMETHODIMP Container::GetHierarchyTable(ULONG flags, LPMAPITABLE* table) {
  if (!table) return MAPI_E_INVALID_PARAMETER;
  *table = nullptr;
  if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
  std::vector<PropMap> rows;
  if (kind_ == Kind::Root) {
    HRESULT hr = session_->store->Read([&](const StoreData& data) {
      rows = HierarchyRows(data, session_->profiles, (flags & WAB_LOCAL_CONTAINERS) != 0);
    });
    if (FAILED(hr)) return hr;
  }
  return Table::Create(std::move(rows), DefaultHierarchyColumns(), table);
}

STDMETHODIMP Container::CreateEntry(ULONG size, LPENTRYID eid, ULONG flags, LPMAPIPROP* entry) {
  if (!entry || !eid) return MAPI_E_INVALID_PARAMETER;
  *entry = nullptr;
  if (IsDirectory()) return MAPI_E_NO_SUPPORT;
  if (!modify_) return MAPI_E_NO_ACCESS;
  if (FaultHits(FaultPoint::CreateEntry)) return MAPI_E_DISK_ERROR;
  Record record;
  bool known = false;
  HRESULT hr = session_->store->Read([&](const StoreData& data) {
    Kind kind;
    ULONG id;
    if (!ParseEntryId(eid, size, data.uid, &kind, &id)) return;
    if (kind == Kind::MailUserTemplate) record.kind = Kind::MailUser;
    else if (kind == Kind::DistListTemplate) record.kind = Kind::DistList;
    else return;
    record.folder = kind_ == Kind::Root ? DefaultFolder(data) : id_;
    known = record.folder != 0;
  });
  if (FAILED(hr)) return hr;
  if (!known) return MAPI_E_UNKNOWN_ENTRYID;
  IMAPIProp* object = nullptr;
  hr = NewEntryObject(session_, record, true, true, flags, &object);
  if (FAILED(hr)) return hr;
  *entry = object;
  return S_OK;
}

STDMETHODIMP Container::DeleteEntries(LPENTRYLIST entries, ULONG) {
  if (!entries || (entries->cValues && !entries->lpbin)) return MAPI_E_INVALID_PARAMETER;
  if (IsDirectory()) return MAPI_E_NO_SUPPORT;
  if (!modify_) return MAPI_E_NO_ACCESS;
  if (FaultHits(FaultPoint::DeleteEntries)) return MAPI_E_DISK_ERROR;
  ULONG missing = 0;
  HRESULT hr = session_->store->Update([&](StoreData& data, bool* changed) {
    missing = 0;
    for (ULONG i = 0; i < entries->cValues; ++i) {
      Kind kind;
      ULONG id;
      const Record* entry = nullptr;
      if (ParseEntryId(entries->lpbin[i].lpb, entries->lpbin[i].cb, data.uid, &kind, &id))
        entry = FindRecord(data, id);
      if (!entry || entry->kind == Kind::Folder || !Holds(*entry)) {
        ++missing;
        continue;
      }
      DeleteEntry(data, id);
      *changed = true;
    }
    return S_OK;
  });
  if (FAILED(hr)) return hr;
  return missing ? MAPI_W_PARTIAL_COMPLETION : S_OK;
}

}  // namespace

HRESULT NewContainer(SessionPtr session, Kind kind, ULONG id, bool modify, IMAPIProp** out) {
  *out = new (std::nothrow) Container(std::move(session), kind, id, modify);
  return *out ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

}  // namespace wabstand
