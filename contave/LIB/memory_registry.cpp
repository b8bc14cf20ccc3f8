#include <cctype>

#include "contave/LIB/registry.h"

namespace contave {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool Below(const std::string& key, const std::string& parent) {
  return key == parent || (key.size() > parent.size() && key.compare(0, parent.size(), parent) == 0 &&
                           key[parent.size()] == '\\');
}

}  // namespace

RegistryValue RegistryValue::Text(const std::string& text) {
  RegistryValue value;
  value.type = kRegSz;
  value.data.assign(text.begin(), text.end());
  value.data.push_back(0);
  return value;
}

RegistryValue RegistryValue::Number(std::uint32_t number) {
  RegistryValue value;
  value.type = kRegDword;
  for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
  return value;
}

const RegistryValue* MemoryRegistry::Find(RegistryRoot root, const std::string& key, const std::string& name) const {
  auto found = values_.find({root, Lower(key), Lower(name)});
  return found == values_.end() ? nullptr : &found->second;
}

Status MemoryRegistry::Read(RegistryRoot root, const std::string& key, const std::string& name, std::size_t maxSize,
                            RegistryValue& value) {
  const RegistryValue* found = Find(root, key, name);
  if (found == nullptr) return SystemStatus(kErrorFileNotFound);
  if (found->data.size() > maxSize) return SystemStatus(kErrorMoreData);
  value = *found;
  return kOk;
}

Status MemoryRegistry::Write(RegistryRoot root, const std::string& key, const std::string& name,
                             const RegistryValue& value) {
  if (failWrites != kOk) return failWrites;
  ++writeCount;
  std::string path = Lower(key);
  // Creating a key creates its parents.
  for (std::size_t at = 0; (at = path.find('\\', at + 1)) != std::string::npos;) keys_[{root, path.substr(0, at)}] = true;
  keys_[{root, path}] = true;
  values_[{root, path, Lower(name)}] = value;
  return kOk;
}

Status MemoryRegistry::DeleteValue(RegistryRoot root, const std::string& key, const std::string& name) {
  if (failWrites != kOk) return failWrites;
  return values_.erase({root, Lower(key), Lower(name)}) != 0 ? kOk : SystemStatus(kErrorFileNotFound);
}

Status MemoryRegistry::DeleteKey(RegistryRoot root, const std::string& key) {
  if (failWrites != kOk) return failWrites;
  const std::string path = Lower(key);
  if (!KeyExists(root, key)) return SystemStatus(kErrorFileNotFound);
  for (auto it = values_.begin(); it != values_.end();)
    it = std::get<0>(it->first) == root && Below(std::get<1>(it->first), path) ? values_.erase(it) : std::next(it);
  for (auto it = keys_.begin(); it != keys_.end();)
    it = it->first.first == root && Below(it->first.second, path) ? keys_.erase(it) : std::next(it);
  return kOk;
}

bool MemoryRegistry::KeyExists(RegistryRoot root, const std::string& key) {
  return keys_.count({root, Lower(key)}) != 0;
}

}  // namespace contave
