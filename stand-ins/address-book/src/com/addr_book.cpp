// IAddrBook: the way into the address book. It opens entries and compares their ids; the
// dialogs, name resolution and search paths of the Windows address book are not offered.
#include "com/com_object.h"
#include "com/factory.h"
#include "com/mapi_buffer.h"
#include "store/entry_id.h"
#include "store/store_ops.h"

#include <cstring>
#include <new>

namespace wabstand {

namespace {

class AddrBook final : public ComObject<IAddrBook> {
 public:
  explicit AddrBook(SessionPtr session) : session_(std::move(session)) {}

  STDMETHODIMP QueryInterface(REFIID riid, LPVOID* out) override {
    return Answer(riid, {&IID_IUnknown, &IID_IMAPIProp, &IID_IAddrBook}, out);
  }

  // IMAPIProp: the address book object itself has no properties here.
  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP SaveChanges(ULONG) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP GetProps(LPSPropTagArray, ULONG, ULONG*, LPSPropValue*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP GetPropList(ULONG, LPSPropTagArray*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP SetProps(ULONG, LPSPropValue, LPSPropProblemArray*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP DeleteProps(LPSPropTagArray, LPSPropProblemArray*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                      LPSPropProblemArray*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP CopyProps(LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                         LPSPropProblemArray*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG*, LPMAPINAMEID**) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray*) override {
    return MAPI_E_NO_SUPPORT;
  }

  // IAddrBook.
  STDMETHODIMP OpenEntry(ULONG size, LPENTRYID eid, LPCIID iid, ULONG flags, ULONG* type,
                         LPUNKNOWN* out) override {
    return wabstand::OpenEntry(session_, size, eid, iid, flags, type, out);
  }
  STDMETHODIMP CompareEntryIDs(ULONG size1, LPENTRYID eid1, ULONG size2, LPENTRYID eid2, ULONG,
                               ULONG* result) override {
    if (!result || (size1 && !eid1) || (size2 && !eid2)) return MAPI_E_INVALID_PARAMETER;
    // Ids of this address book carry everything that names the object, so equal objects have
    // equal bytes.
    *result = size1 == size2 && std::memcmp(eid1, eid2, size1) == 0;
    return S_OK;
  }
  STDMETHODIMP GetPAB(ULONG* size, LPENTRYID* eid) override {
    if (!size || !eid) return MAPI_E_INVALID_PARAMETER;
    std::string bytes;
    HRESULT hr = session_->store->Read([&](const StoreData& data) {
      bytes = MakeEntryId(data.uid, Kind::Folder, DefaultFolder(data));
    });
    if (FAILED(hr)) return hr;
    void* copy = nullptr;
    SCODE sc = BufferCopy(bytes, nullptr, &copy);
    if (FAILED(sc)) return sc;
    *size = static_cast<ULONG>(bytes.size());
    *eid = static_cast<LPENTRYID>(copy);
    return S_OK;
  }

  STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP Unadvise(ULONG) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP CreateOneOff(LPTSTR, LPTSTR, LPTSTR, ULONG, ULONG*, LPENTRYID*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP NewEntry(ULONG, ULONG, ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG*,
                        LPENTRYID*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP ResolveName(ULONG_PTR, ULONG, LPTSTR, LPADRLIST) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP Address(ULONG*, LPADRPARM, LPADRLIST*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP Details(ULONG*, LPFNDISMISS, LPVOID, ULONG, LPENTRYID, LPFNBUTTON, LPVOID, LPTSTR,
                       ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP RecipOptions(ULONG, ULONG, LPADRENTRY) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP QueryDefaultRecipOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP SetPAB(ULONG, LPENTRYID) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP GetDefaultDir(ULONG*, LPENTRYID*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP SetDefaultDir(ULONG, LPENTRYID) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP GetSearchPath(ULONG, LPSRowSet*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP SetSearchPath(ULONG, LPSRowSet) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP PrepareRecips(ULONG, LPSPropTagArray, LPADRLIST) override {
    return MAPI_E_NO_SUPPORT;
  }

 private:
  ~AddrBook() override = default;

  SessionPtr session_;
};

}  // namespace

HRESULT NewAddrBook(SessionPtr session, IAddrBook** out) {
  *out = new (std::nothrow) AddrBook(std::move(session));
  return *out ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

}  // namespace wabstand
