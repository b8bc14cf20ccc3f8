// pstorestand.dll: see pstore.h.
#include "pstore/pstore.h"

#include <objbase.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/unique_key.h"

namespace {

constexpr char kStoreKey[] = "Software\\Velor\\Stand-ins\\Protected Storage";
constexpr char kDataValue[] = "Data";
constexpr size_t kReferenceSize = 18;

// Scrambling keeps the password out of plain sight in a registry dump; the item identifier and a
// fixed salt make the key stream differ per item.
void Scramble(const GUID& item, std::vector<unsigned char>* bytes) {
  const unsigned char* id = reinterpret_cast<const unsigned char*>(&item);
  for (size_t i = 0; i < bytes->size(); ++i)
    (*bytes)[i] ^= static_cast<unsigned char>(id[i % 16] ^ (0x5A + 7 * i));
}

std::string ItemKeyName(const GUID& item) {
  wchar_t wide[40];
  StringFromGUID2(item, wide, 40);
  char name[40];
  WideCharToMultiByte(CP_ACP, 0, wide, -1, name, sizeof name, nullptr, nullptr);
  return std::string(kStoreKey) + "\\" + name;
}

HRESULT ReadReference(HKEY account, LPCSTR value, GUID* item) {
  unsigned char ref[64];
  DWORD size = sizeof ref, type = 0;
  LONG rc = RegQueryValueExA(account, value, nullptr, &type, ref, &size);
  if (rc == ERROR_MORE_DATA) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  if (type != REG_BINARY || size < kReferenceSize || ref[0] != 1 || ref[1] != 2)
    return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  std::memcpy(item, ref + 2, sizeof *item);
  return S_OK;
}

}  // namespace

extern "C" HRESULT WINAPI PStoreReadPassword(HKEY account, LPCSTR value, LPSTR buffer, DWORD* size) {
  if (!account || !value || !size) return E_INVALIDARG;
  GUID item;
  HRESULT hr = ReadReference(account, value, &item);
  if (FAILED(hr)) return hr;
  oestand::UniqueKey key;
  LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, ItemKeyName(item).c_str(), 0, KEY_READ, key.put());
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  DWORD n = 0, type = 0;
  rc = RegQueryValueExA(key.get(), kDataValue, nullptr, &type, nullptr, &n);
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  if (type != REG_BINARY) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  std::vector<unsigned char> data(n);
  if (n) {
    rc = RegQueryValueExA(key.get(), kDataValue, nullptr, &type, data.data(), &n);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  }
  Scramble(item, &data);
  DWORD needed = n + 1;
  if (!buffer || *size < needed) {
    *size = needed;
    return HRESULT_FROM_WIN32(ERROR_MORE_DATA);
  }
  if (n) std::memcpy(buffer, data.data(), n);
  buffer[n] = '\0';
  *size = needed;
  return S_OK;
}

extern "C" HRESULT WINAPI PStoreDeletePassword(HKEY account, LPCSTR value) {
  if (!account || !value) return E_INVALIDARG;
  GUID item;
  HRESULT hr = ReadReference(account, value, &item);
  if (hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) return S_FALSE;
  if (SUCCEEDED(hr)) RegDeleteKeyA(HKEY_CURRENT_USER, ItemKeyName(item).c_str());
  LONG rc = RegDeleteValueA(account, value);
  return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
}

extern "C" HRESULT WINAPI PStoreWritePassword(HKEY account, LPCSTR value, LPCSTR password) {
  if (!account || !value || !password) return E_INVALIDARG;
  PStoreDeletePassword(account, value);
  GUID item;
  HRESULT hr = CoCreateGuid(&item);
  if (FAILED(hr)) return hr;
  oestand::UniqueKey key;
  LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, ItemKeyName(item).c_str(), 0, nullptr, 0,
                            KEY_WRITE, nullptr, key.put(), nullptr);
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  std::vector<unsigned char> data(password, password + std::strlen(password));
  Scramble(item, &data);
  rc = RegSetValueExA(key.get(), kDataValue, 0, REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  unsigned char ref[kReferenceSize] = {1, 2};
  std::memcpy(ref + 2, &item, sizeof item);
  rc = RegSetValueExA(account, value, 0, REG_BINARY, ref, sizeof ref);
  return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
}
