// CFG on Windows: the registry through the Reg* functions.
#include <windows.h>

#include "contave/LIB/registry.h"

namespace contave {
namespace {

HKEY RootKey(RegistryRoot root) { return root == RegistryRoot::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

class Key {
 public:
  ~Key() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

class SystemRegistry final : public Registry {
 public:
  Status Read(RegistryRoot root, const std::string& key, const std::string& name, std::size_t maxSize,
              RegistryValue& value) override {
    Key opened;
    LONG error = RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_QUERY_VALUE, opened.Out());
    if (error != ERROR_SUCCESS) return SystemStatus(error);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(maxSize);
    std::vector<std::uint8_t> data(maxSize);
    error = RegQueryValueExA(opened.Get(), name.empty() ? nullptr : name.c_str(), nullptr, &type, data.data(), &size);
    if (error != ERROR_SUCCESS) return SystemStatus(error);
    data.resize(size);
    value.type = type;
    value.data = std::move(data);
    return kOk;
  }

  Status Write(RegistryRoot root, const std::string& key, const std::string& name, const RegistryValue& value) override {
    Key opened;
    LONG error = RegCreateKeyExA(RootKey(root), key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, opened.Out(), nullptr);
    if (error != ERROR_SUCCESS) return SystemStatus(error);
    error = RegSetValueExA(opened.Get(), name.empty() ? nullptr : name.c_str(), 0, value.type, value.data.data(),
                           static_cast<DWORD>(value.data.size()));
    return SystemStatus(error);
  }

  Status DeleteValue(RegistryRoot root, const std::string& key, const std::string& name) override {
    Key opened;
    LONG error = RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_SET_VALUE, opened.Out());
    if (error != ERROR_SUCCESS) return SystemStatus(error);
    return SystemStatus(RegDeleteValueA(opened.Get(), name.c_str()));
  }

  Status DeleteKey(RegistryRoot root, const std::string& key) override {
    // The tree's contents first, then the key itself.
    LONG error = RegDeleteTreeA(RootKey(root), key.c_str());
    if (error != ERROR_SUCCESS) return SystemStatus(error);
    error = RegDeleteKeyA(RootKey(root), key.c_str());
    return error == ERROR_FILE_NOT_FOUND ? kOk : SystemStatus(error);
  }

  bool KeyExists(RegistryRoot root, const std::string& key) override {
    Key opened;
    return RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_QUERY_VALUE, opened.Out()) == ERROR_SUCCESS;
  }
};

}  // namespace

Registry& PlatformRegistry() {
  static SystemRegistry registry;
  return registry;
}

}  // namespace contave
