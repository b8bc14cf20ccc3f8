// Internal failures: a broken invariant of the engine, never bad input. The engine reports the
// module, the line and a code through one hook; the application connects the hook to its
// "Internal Error" window and ends the process, tests connect it to an exception they catch.
#pragma once

#include "contave/LIB/status_codes.h"

namespace contave {

// Module names as the report shows them.
namespace module {
inline constexpr char kCfg[] = "CFG";
inline constexpr char kStrcont[] = "STRCONT";
inline constexpr char kSupport[] = "SUPPORT";
inline constexpr char kEntryid[] = "ENTRYID";
inline constexpr char kEidset[] = "EIDSET";
inline constexpr char kDellist[] = "DELLIST";
inline constexpr char kPersist[] = "PERSIST";
inline constexpr char kWabproxy[] = "WABPROXY";
inline constexpr char kLdapproxy[] = "LDAPPROXY";
inline constexpr char kSynclib[] = "SYNCLIB";
}  // namespace module

using InternalFailureHook = void (*)(const char* moduleName, int line, Status code);

// Installs the hook and returns the previous one; null restores the default, which aborts.
InternalFailureHook SetInternalFailureHook(InternalFailureHook hook);

// Calls the hook. When the hook returns (it should not), the process is aborted: carrying on
// past a broken invariant would only corrupt the user's data.
[[noreturn]] void InternalFailure(const char* moduleName, int line, Status code);

}  // namespace contave

#define CONTAVE_INTERNAL_FAILURE(moduleName, code) ::contave::InternalFailure((moduleName), __LINE__, (code))
