#include "store/file_io.h"

#include "store/handles.h"

#include <vector>

namespace wabstand {

namespace {

HRESULT LastError() { return HRESULT_FROM_WIN32(GetLastError()); }

}  // namespace

HRESULT ReadWholeFile(const std::string& path, std::string* text, size_t limit) {
  text->clear();
  // Share everything: a writer in another process may rename a new file over this one.
  UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return S_FALSE;
    return HRESULT_FROM_WIN32(error);
  }
  char buffer[16384];
  for (;;) {
    DWORD want = sizeof buffer;
    if (limit && limit - text->size() < want) want = static_cast<DWORD>(limit - text->size());
    if (want == 0) break;
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, want, &got, nullptr)) return LastError();
    if (got == 0) break;
    text->append(buffer, got);
  }
  return S_OK;
}

HRESULT CreateParentFolders(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos || slash == 0) return S_OK;
  std::string folder = path.substr(0, slash);
  if (GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return S_OK;
  if (folder.size() == 2 && folder[1] == ':') return S_OK;
  HRESULT hr = CreateParentFolders(folder);
  if (FAILED(hr)) return hr;
  if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return LastError();
  return S_OK;
}

HRESULT ReplaceFile(const std::string& path, const std::string& text) {
  HRESULT hr = CreateParentFolders(path);
  if (FAILED(hr)) return hr;
  // One writer at a time holds the store's lock, so one temporary name per file is enough; a
  // leftover from a crashed writer is simply overwritten.
  std::string temporary = path + ".new";
  {
    UniqueHandle file(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return LastError();
    DWORD written = 0;
    if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size() || !FlushFileBuffers(file.get())) {
      hr = LastError();
      file.Reset();
      DeleteFileA(temporary.c_str());
      return FAILED(hr) ? hr : E_FAIL;
    }
  }
  if (!MoveFileExA(temporary.c_str(), path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    hr = LastError();
    DeleteFileA(temporary.c_str());
    return hr;
  }
  return S_OK;
}

HRESULT AppendFile(const std::string& path, const std::string& text) {
  UniqueHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastError();
  DWORD written = 0;
  if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size() || !FlushFileBuffers(file.get())) {
    HRESULT hr = LastError();
    return FAILED(hr) ? hr : E_FAIL;
  }
  return S_OK;
}

HRESULT FileSizeOf(const std::string& path, ULONGLONG* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return S_FALSE;
    return HRESULT_FROM_WIN32(error);
  }
  *size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return S_OK;
}

}  // namespace wabstand
