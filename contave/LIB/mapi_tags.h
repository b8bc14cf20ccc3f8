// Address-book property tags and types the engine reads and writes.
#pragma once

#include <cstdint>

namespace contave {

inline constexpr std::uint32_t kPtLong = 0x0003;       // PT_LONG
inline constexpr std::uint32_t kPtString8 = 0x001E;    // PT_STRING8
inline constexpr std::uint32_t kPtMvString8 = 0x101E;  // PT_MV_STRING8
inline constexpr std::uint32_t kPtSysTime = 0x0040;    // PT_SYSTIME
inline constexpr std::uint32_t kPtBinary = 0x0102;     // PT_BINARY

constexpr std::uint32_t PropType(std::uint32_t tag) { return tag & 0xFFFF; }

inline constexpr std::uint32_t kPrDisplayName = 0x3001001E;
inline constexpr std::uint32_t kPrAddrType = 0x3002001E;
inline constexpr std::uint32_t kPrEmailAddress = 0x3003001E;
inline constexpr std::uint32_t kPrComment = 0x3004001E;
inline constexpr std::uint32_t kPrContactAddrTypes = 0x3A54101E;
inline constexpr std::uint32_t kPrContactDefaultAddressIndex = 0x3A550003;
inline constexpr std::uint32_t kPrContactEmailAddresses = 0x3A56101E;
inline constexpr std::uint32_t kPrEntryId = 0x0FFF0102;
inline constexpr std::uint32_t kPrInstanceKey = 0x0FF60102;
inline constexpr std::uint32_t kPrObjectType = 0x0FFE0003;
inline constexpr std::uint32_t kPrLastModificationTime = 0x30080040;
inline constexpr std::uint32_t kPrDefCreateMailUser = 0x36120102;

// Contave's own properties, in the range MAPI leaves to applications.
inline constexpr std::uint32_t kPrContaveServerId = 0x64010003;
inline constexpr std::uint32_t kPrContaveSyncedRev = 0x64020003;
inline constexpr std::uint32_t kPrContaveLocalRev = 0x64030003;

inline constexpr std::int32_t kMapiAbContainer = 4;  // MAPI_ABCONT
inline constexpr std::int32_t kMapiMailUser = 6;     // MAPI_MAILUSER

// The only address type the engine writes.
inline constexpr char kAddrTypeSmtp[] = "SMTP";

}  // namespace contave
