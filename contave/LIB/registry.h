// CFG: the registry as the settings, the registration and their tests see it: values read with
// a size limit, written, deleted, under the current user's or the machine's root.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "contave/LIB/status_codes.h"

namespace contave {

enum class RegistryRoot { kCurrentUser, kLocalMachine };

// Value types with their system numbers.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

inline constexpr std::int32_t kErrorMoreData = 234;

struct RegistryValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;

  static RegistryValue Text(const std::string& text);  // REG_SZ with its terminating NUL
  static RegistryValue Number(std::uint32_t number);   // REG_DWORD
};

class Registry {
 public:
  virtual ~Registry() = default;
  // A missing key or value gives SystemStatus(kErrorFileNotFound); a value larger than maxSize
  // gives SystemStatus(kErrorMoreData). The name "" is the key's default value.
  virtual Status Read(RegistryRoot root, const std::string& key, const std::string& name, std::size_t maxSize,
                      RegistryValue& value) = 0;
  // Creates the key when it is missing.
  virtual Status Write(RegistryRoot root, const std::string& key, const std::string& name,
                       const RegistryValue& value) = 0;
  virtual Status DeleteValue(RegistryRoot root, const std::string& key, const std::string& name) = 0;
  // The key with everything below it.
  virtual Status DeleteKey(RegistryRoot root, const std::string& key) = 0;
  virtual bool KeyExists(RegistryRoot root, const std::string& key) = 0;
};

// The system's registry (Windows builds only).
Registry& PlatformRegistry();

// A registry in memory for tests: keys compared without regard to case as the system does, and
// a failure to write on request.
class MemoryRegistry final : public Registry {
 public:
  Status Read(RegistryRoot root, const std::string& key, const std::string& name, std::size_t maxSize,
              RegistryValue& value) override;
  Status Write(RegistryRoot root, const std::string& key, const std::string& name, const RegistryValue& value) override;
  Status DeleteValue(RegistryRoot root, const std::string& key, const std::string& name) override;
  Status DeleteKey(RegistryRoot root, const std::string& key) override;
  bool KeyExists(RegistryRoot root, const std::string& key) override;

  // Every write fails with this status while it is set (0 lets writes through).
  Status failWrites = kOk;
  std::size_t writeCount = 0;
  // The value, or null when missing.
  const RegistryValue* Find(RegistryRoot root, const std::string& key, const std::string& name) const;

 private:
  using Name = std::tuple<RegistryRoot, std::string, std::string>;  // root, key, value (lower case)
  std::map<Name, RegistryValue> values_;
  std::map<std::pair<RegistryRoot, std::string>, bool> keys_;
};

}  // namespace contave
