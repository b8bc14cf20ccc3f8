// One owner for a registry key handle.
#pragma once

#include <windows.h>

namespace oestand {

class UniqueKey {
public:
  UniqueKey() = default;
  explicit UniqueKey(HKEY key) : key_(key) {}
  UniqueKey(const UniqueKey&) = delete;
  UniqueKey& operator=(const UniqueKey&) = delete;
  UniqueKey(UniqueKey&& other) noexcept : key_(other.release()) {}
  UniqueKey& operator=(UniqueKey&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueKey() { reset(); }

  HKEY get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }
  HKEY* put() {
    reset();
    return &key_;
  }
  HKEY release() {
    HKEY k = key_;
    key_ = nullptr;
    return k;
  }
  void reset(HKEY key = nullptr) {
    if (key_) RegCloseKey(key_);
    key_ = key;
  }

private:
  HKEY key_ = nullptr;
};

}  // namespace oestand
