#include "store/store.h"

#include "store/file_io.h"
#include "store/store_file.h"
#include "store/store_ops.h"

#include <mapidefs_shim.h>

#include <cctype>
#include <cstdio>

namespace wabstand {

namespace {

std::string FullPath(const std::string& path) {
  char full[MAX_PATH * 2];
  DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  return n && n < sizeof full ? std::string(full) : path;
}

// Paths are case-insensitive on Windows: one file, one mutex, however a program spells it.
std::string MutexName(const std::string& path) {
  ULONGLONG hash = 1469598103934665603ULL;
  for (char c : path) {
    hash ^= static_cast<unsigned char>(toupper(static_cast<unsigned char>(c)));
    hash *= 1099511628211ULL;
  }
  char name[64];
  std::snprintf(name, sizeof name, "Local\\VelorWabStandIn.%016llX", hash);
  return name;
}

}  // namespace

class Store::Lock {
 public:
  explicit Lock(HANDLE mutex) : mutex_(mutex) {
    // An abandoned mutex means its owner died; the file is whole either way, since it is only
    // ever replaced by a rename.
    DWORD wait = WaitForSingleObject(mutex_, INFINITE);
    held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  }
  ~Lock() { if (held_) ReleaseMutex(mutex_); }
  bool held() const { return held_; }

 private:
  HANDLE mutex_;
  bool held_;
};

HRESULT Store::Open(const std::string& path, std::shared_ptr<Store>* out) {
  auto store = std::make_shared<Store>();
  store->path_ = FullPath(path);
  store->mutex_.Reset(CreateMutexA(nullptr, FALSE, MutexName(store->path_).c_str()));
  if (!store->mutex_.valid()) return HRESULT_FROM_WIN32(GetLastError());
  Lock lock(store->mutex_.get());
  if (!lock.held()) return MAPI_E_CALL_FAILED;
  HRESULT hr = store->Refresh();
  if (FAILED(hr)) return hr;
  if (!store->loaded_) {
    StoreData fresh = NewStoreData();
    hr = store->Write(fresh);
    if (FAILED(hr)) return hr;
  }
  *out = std::move(store);
  return S_OK;
}

HRESULT Store::Refresh() {
  std::string head;
  HRESULT hr = ReadWholeFile(path_, &head, 256);
  if (FAILED(hr)) return hr;
  if (hr == S_FALSE) return S_OK;  // gone: keep the copy, the next write puts it back
  GUID uid;
  ULONGLONG generation;
  if (loaded_ && ParseStoreStamp(head, &uid, &generation) && IsEqualGUID(uid, data_.uid) &&
      generation == data_.generation)
    return S_OK;
  std::string text;
  hr = ReadWholeFile(path_, &text);
  if (FAILED(hr)) return hr;
  if (hr == S_FALSE) return S_OK;
  StoreData data;
  hr = ParseStore(text, &data);
  if (FAILED(hr)) return hr;
  data_ = std::move(data);
  loaded_ = true;
  return S_OK;
}

HRESULT Store::Write(StoreData& data) {
  ++data.generation;
  HRESULT hr = ReplaceFile(path_, FormatStore(data));
  if (FAILED(hr)) return hr;
  data_ = std::move(data);
  loaded_ = true;
  return S_OK;
}

HRESULT Store::Read(const std::function<void(const StoreData&)>& read) {
  Lock lock(mutex_.get());
  if (!lock.held()) return MAPI_E_CALL_FAILED;
  HRESULT hr = Refresh();
  if (FAILED(hr)) return hr;
  read(data_);
  return S_OK;
}

HRESULT Store::Update(const std::function<HRESULT(StoreData&, bool*)>& change) {
  Lock lock(mutex_.get());
  if (!lock.held()) return MAPI_E_CALL_FAILED;
  HRESULT hr = Refresh();
  if (FAILED(hr)) return hr;
  StoreData work = data_;
  bool changed = false;
  hr = change(work, &changed);
  if (FAILED(hr) || !changed) return hr;
  HRESULT written = Write(work);
  return FAILED(written) ? written : hr;
}

}  // namespace wabstand
