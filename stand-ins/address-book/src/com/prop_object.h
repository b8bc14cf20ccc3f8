// IMAPIProp for every object with properties (mail users, distribution lists, containers). The
// object says what its properties are now and how it saves; reading, editing and the methods the
// address book does not offer are the same for all of them.
#pragma once

#include "com/com_object.h"
#include "com/mapi_buffer.h"
#include "com/prop_convert.h"
#include "com/prop_edit.h"
#include "store/faults.h"

#include <vector>

namespace wabstand {

template <class Interface>
class PropObject : public ComObject<Interface> {
 public:
  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR*) override { return MAPI_E_NO_SUPPORT; }

  STDMETHODIMP SaveChanges(ULONG flags) override {
    if (!writable_) return MAPI_E_NO_ACCESS;
    if (FaultHits(FaultPoint::SaveChanges)) return MAPI_E_DISK_ERROR;
    HRESULT hr = Save(flags);
    if (FAILED(hr)) return hr;
    edits_.Clear();
    // Without KEEP_OPEN_READWRITE the object is done with writing, as MAPI has it.
    if (!(flags & KEEP_OPEN_READWRITE)) writable_ = false;
    return hr;
  }

  STDMETHODIMP GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count,
                        LPSPropValue* values) override {
    if (!count || !values) return MAPI_E_INVALID_PARAMETER;
    PropMap props;
    HRESULT hr = CurrentProps(&props);
    if (FAILED(hr)) return hr;
    return BuildPropArray(props, tags, flags, count, values);
  }

  STDMETHODIMP GetPropList(ULONG flags, LPSPropTagArray* tags) override {
    if (!tags) return MAPI_E_INVALID_PARAMETER;
    PropMap props;
    HRESULT hr = CurrentProps(&props);
    if (FAILED(hr)) return hr;
    std::vector<ULONG> list;
    for (const auto& [id, value] : props) list.push_back(value.tag);
    return CopyTagArray(list, tags);
  }

  STDMETHODIMP SetProps(ULONG count, LPSPropValue values,
                        LPSPropProblemArray* problems) override {
    if (problems) *problems = nullptr;
    if (!writable_) return MAPI_E_NO_ACCESS;
    return SetPropsInto(edits_, count, values, problems);
  }

  STDMETHODIMP DeleteProps(LPSPropTagArray tags, LPSPropProblemArray* problems) override {
    if (problems) *problems = nullptr;
    if (!writable_) return MAPI_E_NO_ACCESS;
    PropMap props;
    HRESULT hr = CurrentProps(&props);
    if (FAILED(hr)) return hr;
    return DeletePropsInto(edits_, props, tags, problems);
  }

  STDMETHODIMP OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN*) override {
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

 protected:
  explicit PropObject(bool writable) : writable_(writable) {}

  // The properties as a caller sees them now, unsaved edits included.
  virtual HRESULT CurrentProps(PropMap* props) = 0;
  // Writes edits_ to the store.
  virtual HRESULT Save(ULONG flags) = 0;

  PendingEdits edits_;
  bool writable_;
};

}  // namespace wabstand
