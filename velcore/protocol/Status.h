// Status codes of the runtime library: 32-bit COM-style values. 0 is success; the small positive
// values are the server's refusals (a NO, or a greeting of BAD or BYE) and a cancelled logon;
// negative values are failures.
#pragma once

#include <cstdint>

namespace velor::status {

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kNo = 1;            // the server answered NO, or the user cancelled
constexpr std::int32_t kBadGreeting = 2;
constexpr std::int32_t kByeGreeting = 3;

constexpr std::int32_t kInvalidArg = static_cast<std::int32_t>(0x80070057);
constexpr std::int32_t kOutOfMemory = static_cast<std::int32_t>(0x8007000E);
constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);
constexpr std::int32_t kUnexpected = static_cast<std::int32_t>(0x8000FFFF);
constexpr std::int32_t kAbort = static_cast<std::int32_t>(0x80004004);

// A Win32 or socket error code as a status: 0x8007xxxx with the code in the low 16 bits; a code
// that is not positive is passed on as it is.
constexpr std::int32_t FromWin32(std::int32_t code) {
    return code > 0 ? static_cast<std::int32_t>(0x80070000u | (static_cast<std::uint32_t>(code) & 0xFFFFu)) : code;
}

}  // namespace velor::status
