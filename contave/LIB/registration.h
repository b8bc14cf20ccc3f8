// CFG: registering the program: the address book library's SharedDLLs usage counter and the
// machine-wide record of where the program lives, which Outlook Express's integration reads.
#pragma once

#include <string>

#include "contave/LIB/registry.h"

namespace contave {

inline constexpr char kInstallKey[] = "Software\\Velor\\Contave";  // under HKEY_LOCAL_MACHINE
inline constexpr char kSharedDllsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// Raises the library's usage counter (once: a second registration only rewrites the path) and
// records programPath. A failure leaves the counter as it was.
Status RegisterProgram(Registry& registry, const std::string& programPath);

// Lowers the counter and removes the record; without a record the counter is not ours to lower.
Status UnregisterProgram(Registry& registry);

}  // namespace contave
