// The entry points of the address book DLL: WABOpen, found by programs through the registry
// value HKLM\Software\Microsoft\WAB\DLLPath and GetProcAddress, as on Windows.
#include <initguid.h>

#include "com/factory.h"
#include "store/store_path.h"

#include <cstddef>

using namespace wabstand;

namespace {

// Older programs pass a shorter WAB_PARAM; a field counts only when the size given covers it.
bool Covers(const WAB_PARAM* param, size_t offset, size_t size) {
  return param && param->cbSize >= offset + size;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

extern "C" HRESULT STDMETHODCALLTYPE WABOpen(LPADRBOOK* addrBook, LPWABOBJECT* wabObject,
                                             LPWAB_PARAM param, DWORD) {
  if (!addrBook || !wabObject) return MAPI_E_INVALID_PARAMETER;
  *addrBook = nullptr;
  *wabObject = nullptr;

  const char* fileName = nullptr;
  if (Covers(param, offsetof(WAB_PARAM, szFileName), sizeof param->szFileName))
    fileName = param->szFileName;
  ULONG flags = 0;
  if (Covers(param, offsetof(WAB_PARAM, ulFlags), sizeof param->ulFlags)) flags = param->ulFlags;

  auto session = std::make_shared<Session>();
  session->profiles = (flags & WAB_ENABLE_PROFILES) != 0;
  HRESULT hr = Store::Open(ResolveStorePath(fileName), &session->store);
  if (FAILED(hr)) return hr;

  IWABObject* object = nullptr;
  hr = NewWabObject(&object);
  if (FAILED(hr)) return hr;
  IAddrBook* book = nullptr;
  hr = NewAddrBook(session, &book);
  if (FAILED(hr)) {
    object->Release();
    return hr;
  }
  *addrBook = book;
  *wabObject = object;
  return S_OK;
}
