// The parts of a status file, each with its checkpoint: header, session block, records and the
// closing checkpoint.
#pragma once

#include "contave/LIB/md5.h"
#include "contave/LIB/status_record.h"
#include "contave/LIB/status_stream.h"

namespace contave {

struct SessionBlock {
  Md5Digest folderDigest{};  // MD5 of the server folder's DN
  bool folderFlag = false;
};

Status ReadHeader(StatusReader& reader, std::int32_t& recordCount);
Status ReadSession(StatusReader& reader, SessionBlock& session);
Status ReadRecord(StatusReader& reader, StatusRecord& record);
// What DecodeRecords did: the bytes it consumed and the records it made.
struct DecodedRecords {
  std::size_t taken = 0;
  std::size_t made = 0;
};
// Records that lie whole in `bytes`, at most `room` of them, constructed in turn in the
// uninitialised memory at `out`, every one with its identifier inside it; stops before the
// first that runs past `size` or whose identifier is too long to be kept inside the record
// (ReadRecord reads that one). An identifier length out of range is a corrupted file (the
// records before it stay made). `ordered` is cleared when a record does not sort after the one
// before it (`previous` for the first, if any).
Status DecodeRecords(const std::uint8_t* bytes, std::size_t size, StatusRecord* out, std::size_t room,
                     const EntryId* previous, bool& ordered, DecodedRecords& decoded);
Status ReadEnd(StatusReader& reader);
// The records of [first, last) that fit the file, encoded into `out` as WriteRecord would
// while each fits in the `room` bytes left; records that do not fit the file are passed over.
// Returns the record it stopped at; `size` receives the bytes written, `count` the records.
const StatusRecord* EncodeRecords(const StatusRecord* first, const StatusRecord* last, std::uint8_t* out,
                                  std::size_t room, std::size_t& size, std::size_t& count);

void WriteHeader(StatusWriter& writer, std::int32_t recordCount);
void WriteSession(StatusWriter& writer, const SessionBlock& session);
void WriteRecord(StatusWriter& writer, const StatusRecord& record);
void WriteEnd(StatusWriter& writer);

// Whether a record fits the file: its identifier must be readable again.
bool RecordFits(const StatusRecord& record);

}  // namespace contave
