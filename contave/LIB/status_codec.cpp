#include "contave/LIB/status_codec.h"

#include <cstring>

#include "contave/LIB/status_format.h"

namespace contave {

Status ReadHeader(StatusReader& reader, std::int32_t& recordCount) {
  std::uint8_t header[kStatusHeaderSize];
  if (Status status = reader.Bytes(header, sizeof header); Failed(status)) return status;
  if (LoadU32(header + kStatusMagicOffset) != kStatusMagic) return kCveInvalidStatusFile;
  if (header[kStatusVersionOffset] != kStatusFormatVersion) return kCveStatusVersion;
  if (Status status = reader.Checkpoint(); Failed(status)) return status;
  recordCount = static_cast<std::int32_t>(LoadU32(header + kStatusCountOffset));
  // The writer never counts below zero; a negative count is a damaged file.
  if (recordCount < 0) return kCveStatusCorrupted;
  return kOk;
}

Status ReadSession(StatusReader& reader, SessionBlock& session) {
  std::uint8_t block[kStatusSessionSize];
  if (Status status = reader.Bytes(block, sizeof block); Failed(status)) return status;
  std::memcpy(session.folderDigest.data(), block, session.folderDigest.size());
  session.folderFlag = LoadU32(block + session.folderDigest.size()) != 0;
  return reader.Checkpoint();
}

Status ReadRecord(StatusReader& reader, StatusRecord& record) {
  std::uint32_t length = 0;
  if (Status status = reader.U32(length); Failed(status)) return status;
  if (length < kStatusMinEntryIdLength || length > kStatusMaxEntryIdLength) return kCveStatusCorrupted;
  std::uint8_t id[kStatusMaxEntryIdLength];
  if (Status status = reader.Bytes(id, length); Failed(status)) return status;
  if (Status status = reader.I32(record.serverId); Failed(status)) return status;
  if (Status status = reader.I32(record.syncedRevision); Failed(status)) return status;
  if (Status status = reader.U64(record.lastModification); Failed(status)) return status;
  record.entryId = EntryId(id, length);
  return kOk;
}

Status ReadEnd(StatusReader& reader) { return reader.Checkpoint(); }

void WriteHeader(StatusWriter& writer, std::int32_t recordCount) {
  std::uint8_t header[kStatusHeaderSize] = {};
  StoreU32(header + kStatusMagicOffset, kStatusMagic);
  header[kStatusVersionOffset] = kStatusFormatVersion;
  std::memcpy(header + kStatusWriterOffset, kStatusWriterVersion, sizeof kStatusWriterVersion);
  StoreU32(header + kStatusCountOffset, static_cast<std::uint32_t>(recordCount));
  // The text with its NUL; the spare byte after it stays 0.
  std::memcpy(header + kStatusTextOffset, kStatusText, sizeof kStatusText);
  writer.Bytes(header, sizeof header);
  writer.Checkpoint();
}

void WriteSession(StatusWriter& writer, const SessionBlock& session) {
  writer.Bytes(session.folderDigest.data(), session.folderDigest.size());
  writer.U32(session.folderFlag ? 1 : 0);
  writer.Checkpoint();
}

void WriteRecord(StatusWriter& writer, const StatusRecord& record) {
  const auto length = static_cast<std::uint32_t>(record.entryId.Size());
  writer.U32(length);
  writer.Bytes(record.entryId.Data(), length);
  writer.I32(record.serverId);
  writer.I32(record.syncedRevision);
  writer.U64(record.lastModification);
}

void WriteEnd(StatusWriter& writer) { writer.Checkpoint(); }

bool RecordFits(const StatusRecord& record) {
  return !record.entryId.Empty() && record.entryId.Size() <= kStatusMaxEntryIdLength;
}

}  // namespace contave
