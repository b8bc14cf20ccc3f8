// The layout of a status file (PERSIST). Everything is little-endian and written byte by byte,
// so both builds produce the same file whatever their structure packing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace contave {

inline constexpr std::uint32_t kStatusMagic = 0x09A71F3D;
inline constexpr std::uint8_t kStatusFormatVersion = 1;
inline constexpr std::uint8_t kStatusWriterVersion[3] = {1, 0, 6};
// 56 characters, the blanks at both ends included; followed by its NUL and one spare byte.
inline constexpr char kStatusText[] = " Velor CONTAVE Status file. Don't delete, don't modify. ";
inline constexpr std::size_t kStatusTextLength = 56;
static_assert(sizeof kStatusText == kStatusTextLength + 1);

inline constexpr std::size_t kStatusHeaderSize = 70;   // up to checkpoint 1
inline constexpr std::size_t kStatusSessionSize = 20;  // digest and folder flag
inline constexpr std::size_t kStatusCheckpointSize = 2;
inline constexpr std::size_t kStatusMagicOffset = 0;
inline constexpr std::size_t kStatusVersionOffset = 4;
inline constexpr std::size_t kStatusWriterOffset = 5;
inline constexpr std::size_t kStatusCountOffset = 8;
inline constexpr std::size_t kStatusTextOffset = 12;
// Size of a file without records: header, session and three checkpoints.
inline constexpr std::size_t kStatusEmptyFileSize =
    kStatusHeaderSize + kStatusSessionSize + 3 * kStatusCheckpointSize;

// Entry identifiers a status file can hold.
inline constexpr std::uint32_t kStatusMinEntryIdLength = 1;
inline constexpr std::uint32_t kStatusMaxEntryIdLength = 512;
// Bytes of a record besides its identifier: length, server id, revision, FILETIME.
inline constexpr std::size_t kStatusRecordFixedSize = 4 + 4 + 4 + 8;

inline constexpr char kStatusFileExtension[] = "CTV";
inline constexpr std::size_t kStatusMaxPathLength = 259;
// The replacement file is written beside the status file under this suffix.
inline constexpr char kStatusTempSuffix[] = ".tmp";

}  // namespace contave
