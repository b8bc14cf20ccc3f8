// WABPROXY: where the address book library is registered: the default value of
// HKEY_LOCAL_MACHINE "Software\Microsoft\WAB\DLLPath".
#pragma once

#include <string>

#include "contave/LIB/registry.h"

namespace contave {

inline constexpr char kWabLibraryKey[] = "Software\\Microsoft\\WAB\\DLLPath";

// The library's path; a missing or empty value, or one that is not text, is a failure.
Status ReadWabLibraryPath(Registry& registry, std::string& path);

constexpr bool IsMissingRegistryValue(Status status) { return status == SystemStatus(kErrorFileNotFound); }

}  // namespace contave
