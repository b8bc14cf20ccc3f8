// One address book file as the objects of a session see it. Every access takes a mutex named
// after the file, so threads and processes take turns; under it the loaded copy is brought up to
// date with the file (another process may have written since), and a change reaches the file
// before the lock is released: as a change block appended to it, or, once the blocks outgrow the
// records, as the whole file written anew. Two programs working on one address book one after the other (or
// interleaved) therefore always see each other's changes and never lose one.
#pragma once

#include "store/handles.h"
#include "store/records.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace wabstand {

class Store {
 public:
  // Opens the file, creating a new address book with the standard folders when it is missing.
  static HRESULT Open(const std::string& path, std::shared_ptr<Store>* store);

  const std::string& path() const { return path_; }

  HRESULT Read(const std::function<void(const StoreData&)>& read);
  // `change` edits a copy and says whether it changed anything; only then is the file written,
  // and only a successful write makes the copy current.
  HRESULT Update(const std::function<HRESULT(StoreData&, bool* changed)>& change);

  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;
  Store() = default;

 private:
  class Lock;
  HRESULT Refresh();
  HRESULT Write(StoreData& data);
  HRESULT Append(ULONGLONG stampBefore, ULONG nextIdBefore, const std::vector<ULONG>& gone);

  std::string path_;
  UniqueHandle mutex_;
  StoreData data_;
  bool loaded_ = false;
  // The file as this copy knows it: the generation in its header, where its records end, its
  // size; appending is safe only while the file ends with a whole change block.
  ULONGLONG snapshotGeneration_ = 0;
  ULONGLONG snapshotSize_ = 0;
  ULONGLONG fileSize_ = 0;
  bool appendable_ = false;
};

}  // namespace wabstand
