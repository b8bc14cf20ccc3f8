// IWABObject: the memory functions every WAB client needs. The import, export, vCard, LDAP URL
// and "me" services of the Windows address book are not offered.
#include "com/com_object.h"
#include "com/factory.h"
#include "com/mapi_buffer.h"

#include <new>

namespace wabstand {

namespace {

class WabObject final : public ComObject<IWABObject> {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, LPVOID* out) override {
    return Answer(riid, {&IID_IUnknown}, out);
  }

  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP AllocateBuffer(ULONG size, LPVOID* buffer) override {
    return BufferAllocate(size, buffer);
  }
  STDMETHODIMP AllocateMore(ULONG size, LPVOID parent, LPVOID* buffer) override {
    return BufferAllocateMore(size, parent, buffer);
  }
  STDMETHODIMP FreeBuffer(LPVOID buffer) override {
    return static_cast<HRESULT>(BufferFree(buffer));
  }
  STDMETHODIMP Backup(LPSTR) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP Import(LPSTR) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP Find(LPADRBOOK, HWND) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP VCardDisplay(LPADRBOOK, HWND, LPSTR) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP LDAPUrl(LPADRBOOK, HWND, ULONG, LPSTR, LPMAILUSER*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP VCardCreate(LPADRBOOK, ULONG, LPSTR, LPMAILUSER) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP VCardRetrieve(LPADRBOOK, ULONG, LPSTR, LPMAILUSER*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP GetMe(LPADRBOOK, ULONG, DWORD*, SBinary*, ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP SetMe(LPADRBOOK, ULONG, SBinary, ULONG) override { return MAPI_E_NO_SUPPORT; }

 private:
  ~WabObject() override = default;
};

}  // namespace

HRESULT NewWabObject(IWABObject** out) {
  *out = new (std::nothrow) WabObject();
  return *out ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

}  // namespace wabstand
