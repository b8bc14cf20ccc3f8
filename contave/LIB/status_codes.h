// Status codes of the engine: 32-bit COM-style values, 0 for success, negative for failure.
// Contave's own codes live in facility 0x71, directory (LDAP) codes in facility 0x72, system
// errors in facility 7 and address-book errors keep their MAPI values.
#pragma once

#include <cstdint>

namespace contave {

using Status = std::int32_t;

// The codes are written as the unsigned hexadecimal values everybody knows them by.
constexpr Status MakeStatus(std::uint32_t bits) { return static_cast<Status>(bits); }
constexpr std::uint32_t StatusBits(Status status) { return static_cast<std::uint32_t>(status); }
constexpr bool Failed(Status status) { return status < 0; }

inline constexpr Status kOk = 0;
inline constexpr Status kFail = MakeStatus(0x80004005);          // E_FAIL
inline constexpr Status kInvalidArg = MakeStatus(0x80070057);    // E_INVALIDARG
inline constexpr Status kOutOfMemory = MakeStatus(0x8007000E);   // E_OUTOFMEMORY
inline constexpr Status kUnexpected = MakeStatus(0x8000FFFF);    // E_UNEXPECTED
inline constexpr Status kAbort = MakeStatus(0x80004004);         // E_ABORT

// Contave's own codes.
inline constexpr Status kCveLdapInit = MakeStatus(0x80710001);
inline constexpr Status kCveInaccessibleEntry = MakeStatus(0x80710002);
inline constexpr Status kCveCanceled = MakeStatus(0x80710003);
inline constexpr Status kCveNoWabFolder = MakeStatus(0x80710004);
inline constexpr Status kCveInvalidStatusFile = MakeStatus(0x80710005);
inline constexpr Status kCveStatusVersion = MakeStatus(0x80710006);
inline constexpr Status kCveStatusCorrupted = MakeStatus(0x80710007);
inline constexpr Status kCveInconsistentStatus = MakeStatus(0x80710008);

// Facilities, as bits 16 to 28 of a code.
inline constexpr std::uint32_t kFacilityMask = 0x1FFF0000;
inline constexpr std::uint32_t kFacilityOwn = 0x00710000;
inline constexpr std::uint32_t kFacilityLdap = 0x00720000;
inline constexpr std::uint32_t kFacilityMapi = 0x00040000;
inline constexpr std::uint32_t kFacilityWin32 = 0x00070000;
inline constexpr std::uint32_t kSeverityError = 0x80000000;

// Directory errors: the LDAP result code in the low bits of facility 0x72.
constexpr Status LdapStatus(int resultCode) {
  return MakeStatus(kSeverityError | kFacilityLdap | (static_cast<std::uint32_t>(resultCode) & 0xFFFF));
}

// System errors: the low 16 bits of the error number in facility 7; a number that is not
// positive is already a status (or success) and passes unchanged.
constexpr Status SystemStatus(std::int32_t errorNumber) {
  if (errorNumber <= 0) return errorNumber;
  return MakeStatus(kSeverityError | kFacilityWin32 | (static_cast<std::uint32_t>(errorNumber) & 0xFFFF));
}

// System error numbers that the engine itself produces or tests for.
inline constexpr std::int32_t kErrorFileNotFound = 2;
inline constexpr std::int32_t kErrorPathNotFound = 3;
inline constexpr std::int32_t kErrorAccessDenied = 5;
inline constexpr std::int32_t kErrorNotEnoughMemory = 8;
inline constexpr std::int32_t kErrorWriteProtect = 19;
inline constexpr std::int32_t kErrorSharingViolation = 32;
inline constexpr std::int32_t kErrorHandleDiskFull = 39;
inline constexpr std::int32_t kErrorFileExists = 80;
inline constexpr std::int32_t kErrorDiskFull = 112;
inline constexpr std::int32_t kErrorFilenameExcedRange = 206;

// Address-book codes the engine looks at.
inline constexpr Status kMapiNotFound = MakeStatus(0x8004010F);     // MAPI_E_NOT_FOUND
inline constexpr Status kMapiCorruptData = MakeStatus(0x8004011B);  // MAPI_E_CORRUPT_DATA
inline constexpr Status kMapiInvalidType = MakeStatus(0x80040302);  // MAPI_E_INVALID_TYPE

}  // namespace contave
