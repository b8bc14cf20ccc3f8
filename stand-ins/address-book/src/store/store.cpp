#include "store/store.h"

#include "store/file_io.h"
#include "store/store_file.h"
#include "store/store_ops.h"

#include <mapidefs_shim.h>

#include <algorithm>
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
  if (hr == S_FALSE) {  // gone: keep the copy, the next write puts it back whole
    appendable_ = false;
    return S_OK;
  }
  GUID uid;
  ULONGLONG generation;
  ULONGLONG size = 0;
  if (loaded_ && ParseStoreStamp(head, &uid, &generation) && IsEqualGUID(uid, data_.uid) &&
      generation == snapshotGeneration_ && FileSizeOf(path_, &size) == S_OK && size == fileSize_)
    return S_OK;
  std::string text;
  hr = ReadWholeFile(path_, &text);
  if (FAILED(hr)) return hr;
  if (hr == S_FALSE) return S_OK;
  StoreData data;
  size_t snapshotEnd = 0, validEnd = 0;
  hr = ParseStore(text, &data, &snapshotEnd, &validEnd);
  if (FAILED(hr)) return hr;
  ParseStoreStamp(text.substr(0, 256), &uid, &snapshotGeneration_);
  data_ = std::move(data);
  loaded_ = true;
  snapshotSize_ = snapshotEnd;
  fileSize_ = text.size();
  // A block cut short by a crash ends the file: the next change writes the file whole.
  appendable_ = validEnd == text.size();
  // Under the lock nobody is writing a new file: one that is there was left by a writer that died.
  DeleteFileA((path_ + ".new").c_str());
  return S_OK;
}

HRESULT Store::Write(StoreData& data) {
  ++data.generation;
  const std::string text = FormatStore(data);
  HRESULT hr = ReplaceFile(path_, text);
  if (FAILED(hr)) return hr;
  data_ = std::move(data);
  loaded_ = true;
  snapshotGeneration_ = data_.generation;
  snapshotSize_ = fileSize_ = text.size();
  appendable_ = true;
  return S_OK;
}

// The records that the change wrote carry a stamp handed out during it (or an id it gave out);
// those and the deleted ids make the block.
HRESULT Store::Append(ULONGLONG stampBefore, ULONG nextIdBefore, const std::vector<ULONG>& gone) {
  std::vector<const Record*> records;
  for (const auto& [id, record] : data_.records)
    if (record.modified > stampBefore || record.created > stampBefore || id >= nextIdBefore)
      records.push_back(&record);
  ++data_.generation;
  const std::string block = FormatChange(data_, records, gone);
  HRESULT hr = AppendFile(path_, block);
  if (FAILED(hr)) return hr;
  fileSize_ += block.size();
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
  // The change works on the loaded copy itself; should it fail half-way, or its write fail, the
  // copy is read again from the file, which holds exactly what was written.
  const ULONGLONG stampBefore = data_.lastStamp;
  const ULONG nextIdBefore = data_.nextId;
  data_.erased.clear();
  bool changed = false;
  hr = change(data_, &changed);
  std::vector<ULONG> gone;
  gone.swap(data_.erased);
  const bool touched = data_.lastStamp != stampBefore || data_.nextId != nextIdBefore || !gone.empty();
  if (FAILED(hr) || !changed) {
    if (touched) loaded_ = false;
    return hr;
  }
  // Blocks are appended until they outgrow the records; then the file is written whole again,
  // so reading it stays proportional to the address book.
  const ULONGLONG journal = fileSize_ - snapshotSize_;
  HRESULT written;
  if (appendable_ && journal < std::max<ULONGLONG>(snapshotSize_, 64 * 1024)) {
    written = Append(stampBefore, nextIdBefore, gone);
  } else {
    StoreData whole = std::move(data_);
    written = Write(whole);
  }
  if (FAILED(written)) {
    loaded_ = false;
    return written;
  }
  return hr;
}

}  // namespace wabstand
