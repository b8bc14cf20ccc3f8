// Reference counting shared by every object the address book hands out: created with one
// reference, counted with Interlocked*, deleted at zero through the virtual destructor, which each
// object keeps non-public so nothing but Release destroys it.
#pragma once

#include <mapidefs_shim.h>

#include <initializer_list>

namespace wabstand {

template <class Interface>
class ComObject : public Interface {
 public:
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
  }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;

  // Answers QueryInterface for one of the identifiers the object lists as its own.
  HRESULT Answer(REFIID asked, std::initializer_list<const IID*> own, void** out) {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    for (const IID* iid : own) {
      if (IsEqualIID(asked, *iid)) {
        *out = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
      }
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

 private:
  LONG refs_ = 1;
};

}  // namespace wabstand
