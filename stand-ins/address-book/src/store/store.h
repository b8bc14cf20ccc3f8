// One address book file as the objects of a session see it. Every access takes a mutex named
// after the file, so threads and processes take turns; under it the loaded copy is brought up to
// date with the file (another process may have written since), and a change is written back whole
// before the lock is released. Two programs working on one address book one after the other (or
// interleaved) therefore always see each other's changes and never lose one.
#pragma once

#include "store/handles.h"
#include "store/records.h"

#include <functional>
#include <memory>
#include <string>

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

  std::string path_;
  UniqueHandle mutex_;
  StoreData data_;
  bool loaded_ = false;
};

}  // namespace wabstand
