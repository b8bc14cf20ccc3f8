#include "tool/registration.h"

#include "store/handles.h"
#include "store/store_path.h"

namespace wabtool {

HRESULT InstallDll(const std::string& dllPath, std::string* installed) {
  char full[MAX_PATH * 2];
  DWORD n = GetFullPathNameA(dllPath.c_str(), sizeof full, full, nullptr);
  if (!n || n >= sizeof full) return HRESULT_FROM_WIN32(ERROR_BAD_PATHNAME);
  if (GetFileAttributesA(full) == INVALID_FILE_ATTRIBUTES) return HRESULT_FROM_WIN32(GetLastError());
  wabstand::UniqueKey key;
  LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, wabstand::kDllPathKey, 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, key.put(), nullptr);
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  rc = RegSetValueExA(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(full),
                      static_cast<DWORD>(lstrlenA(full) + 1));
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  *installed = full;
  return S_OK;
}

HRESULT UninstallDll() {
  LONG rc = RegDeleteKeyA(HKEY_LOCAL_MACHINE, wabstand::kDllPathKey);
  if (rc == ERROR_FILE_NOT_FOUND) return S_FALSE;
  return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
}

HRESULT InstalledDll(std::string* path) {
  wabstand::UniqueKey key;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, wabstand::kDllPathKey, 0, KEY_READ, key.put());
  if (rc == ERROR_FILE_NOT_FOUND) return S_FALSE;
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  char value[MAX_PATH * 2] = {};
  DWORD size = sizeof value - 1, type = 0;
  rc = RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  if (rc == ERROR_FILE_NOT_FOUND || type != REG_SZ) return S_FALSE;
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  *path = value;
  return S_OK;
}

}  // namespace wabtool
