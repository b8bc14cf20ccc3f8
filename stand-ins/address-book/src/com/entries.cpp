// Mail users and distribution lists.
#include "com/entry_object.h"
#include "com/factory.h"
#include "com/rows.h"
#include "com/table.h"

#include <new>

namespace wabstand {

namespace {

class MailUser final : public EntryObject<IMailUser> {
 public:
  MailUser(SessionPtr session, const Record& record, bool writable, bool isNew, ULONG flags)
      : EntryObject(std::move(session), record, writable, isNew, flags) {}

  STDMETHODIMP QueryInterface(REFIID riid, LPVOID* out) override {
    return Answer(riid, {&IID_IUnknown, &IID_IMAPIProp, &IID_IMailUser}, out);
  }

 private:
  ~MailUser() override = default;
};

// A distribution list keeps its members as entry ids in PR_WAB_DL_ENTRIES; its contents table
// shows those members. Members are changed through that property, not through the container
// methods, which the list does not offer.
class DistList final : public EntryObject<IDistList> {
 public:
  DistList(SessionPtr session, const Record& record, bool writable, bool isNew, ULONG flags)
      : EntryObject(std::move(session), record, writable, isNew, flags) {}

  STDMETHODIMP QueryInterface(REFIID riid, LPVOID* out) override {
    return Answer(riid, {&IID_IUnknown, &IID_IMAPIProp, &IID_IMAPIContainer, &IID_IDistList}, out);
  }

  STDMETHODIMP GetContentsTable(ULONG flags, LPMAPITABLE* table) override {
    if (!table) return MAPI_E_INVALID_PARAMETER;
    *table = nullptr;
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    PropMap props;
    HRESULT hr = CurrentProps(&props);
    if (FAILED(hr)) return hr;
    std::vector<PropMap> rows;
    hr = session_->store->Read([&](const StoreData& data) { rows = MemberRows(data, props); });
    if (FAILED(hr)) return hr;
    return Table::Create(std::move(rows), DefaultContentsColumns(), table);
  }
  STDMETHODIMP GetHierarchyTable(ULONG, LPMAPITABLE*) override { return MAPI_E_NO_SUPPORT; }
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
  STDMETHODIMP CreateEntry(ULONG, LPENTRYID, ULONG, LPMAPIPROP*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP CopyEntries(LPENTRYLIST, ULONG, LPMAPIPROGRESS, ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP DeleteEntries(LPENTRYLIST, ULONG) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP ResolveNames(LPSPropTagArray, ULONG, LPADRLIST, LPFlagList) override {
    return MAPI_E_NO_SUPPORT;
  }

 private:
  ~DistList() override = default;
};

}  // namespace

HRESULT NewEntryObject(SessionPtr session, const Record& record, bool writable, bool isNew,
                       ULONG createFlags, IMAPIProp** out) {
  if (record.kind == Kind::DistList)
    *out = new (std::nothrow) DistList(std::move(session), record, writable, isNew, createFlags);
  else if (record.kind == Kind::MailUser)
    *out = new (std::nothrow) MailUser(std::move(session), record, writable, isNew, createFlags);
  else
    return MAPI_E_INVALID_PARAMETER;
  return *out ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

}  // namespace wabstand
