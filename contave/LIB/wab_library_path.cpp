#include "contave/LIB/wab_library_path.h"

#include <cstring>

namespace contave {

Status ReadWabLibraryPath(Registry& registry, std::string& path) {
  RegistryValue value;
  if (Status status = registry.Read(RegistryRoot::kLocalMachine, kWabLibraryKey, "", 1024, value); Failed(status))
    return status;
  if (value.type != kRegSz && value.type != kRegExpandSz) return kMapiInvalidType;
  const auto* text = reinterpret_cast<const char*>(value.data.data());
  path.assign(text, strnlen(text, value.data.size()));
  if (path.empty()) return SystemStatus(kErrorFileNotFound);
  return kOk;
}

}  // namespace contave
