#include "contave/LIB/registration.h"

#include <cstring>

#include "contave/LIB/wab_library_path.h"

namespace contave {
namespace {

constexpr RegistryRoot kMachine = RegistryRoot::kLocalMachine;

// The counter: present (as a DWORD), absent, or something else.
enum class Counter { kNumber, kMissing, kOther };

Counter ReadCounter(Registry& registry, const std::string& library, std::uint32_t& count) {
  RegistryValue value;
  const Status status = registry.Read(kMachine, kSharedDllsKey, library, 64, value);
  if (IsMissingRegistryValue(status)) return Counter::kMissing;
  if (Failed(status) || value.type != kRegDword || value.data.size() != 4) return Counter::kOther;
  std::memcpy(&count, value.data.data(), 4);
  return Counter::kNumber;
}

}  // namespace

Status RegisterProgram(Registry& registry, const std::string& programPath) {
  std::string library;
  if (Status status = ReadWabLibraryPath(registry, library); Failed(status)) return status;
  // Already registered: the counter already holds our use.
  const bool registered = registry.KeyExists(kMachine, kInstallKey);
  std::uint32_t count = 0;
  switch (ReadCounter(registry, library, count)) {
    case Counter::kOther:
      return kMapiInvalidType;
    case Counter::kMissing:
      count = 0;
      break;
    case Counter::kNumber:
      break;
  }
  if (!registered || count == 0) {
    if (Status status = registry.Write(kMachine, kSharedDllsKey, library, RegistryValue::Number(count + 1));
        Failed(status))
      return status;
  }
  return registry.Write(kMachine, kInstallKey, "", RegistryValue::Text(programPath));
}

Status UnregisterProgram(Registry& registry) {
  if (!registry.KeyExists(kMachine, kInstallKey)) return kOk;
  std::string library;
  std::uint32_t count = 0;
  if (!Failed(ReadWabLibraryPath(registry, library)) && ReadCounter(registry, library, count) == Counter::kNumber) {
    if (count <= 1)
      registry.DeleteValue(kMachine, kSharedDllsKey, library);
    else
      registry.Write(kMachine, kSharedDllsKey, library, RegistryValue::Number(count - 1));
  }
  return registry.DeleteKey(kMachine, kInstallKey);
}

}  // namespace contave
