#include "contave/LIB/status_codec.h"

#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

namespace {

std::uint64_t BigEndian64(const std::uint8_t* p) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::uint64_t value;
  std::memcpy(&value, p, sizeof value);
  return __builtin_bswap64(value);
#else
  std::uint64_t value = 0;
  for (int k = 0; k < 8; ++k) value = value << 8 | p[k];
  return value;
#endif
}

// Whether identifier p sorts before q, as EntryId's order has it (unsigned bytes, a proper
// prefix first), eight bytes a step.
inline bool BytesPrecede(const std::uint8_t* p, std::size_t pLength, const std::uint8_t* q, std::size_t qLength) {
  const std::size_t common = pLength < qLength ? pLength : qLength;
  std::size_t i = 0;
  for (; i + 8 <= common; i += 8) {
    const std::uint64_t x = BigEndian64(p + i), y = BigEndian64(q + i);
    if (x != y) return x < y;
  }
  if (i < common && common >= 8) {
    // The last eight bytes, overlapping some already found equal, in one step.
    const std::uint64_t x = BigEndian64(p + common - 8), y = BigEndian64(q + common - 8);
    if (x != y) return x < y;
    i = common;
  }
  for (; i < common; ++i)
    if (p[i] != q[i]) return p[i] < q[i];
  return pLength < qLength;
}

// Whether identifier p sorts before q, both `length` bytes long, 16 to 32.
inline bool SameLengthBytesPrecede(const std::uint8_t* p, const std::uint8_t* q, std::size_t length) {
#if defined(__SSE2__)
  // The first byte that differs is found from two 16-byte comparisons at once (the second
  // overlapping the first where the identifier is shorter than 32), without a step per word
  // that may mispredict.
  const auto load = [](const std::uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); };
  const auto head = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(load(p), load(q))));
  const auto tail =
      static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(load(p + length - 16), load(q + length - 16))));
  // Bit i set: byte i differs. The overlap of the two halves agrees with itself.
  const std::uint32_t differ = ~(head | tail << (length - 16)) & (0xFFFFFFFFu >> (32 - length));
  if (differ == 0) return false;
  const unsigned i = static_cast<unsigned>(__builtin_ctz(differ));
  return p[i] < q[i];
#else
  return BytesPrecede(p, length, q, length);
#endif
}

// The record made of the identifier's bytes and the fixed fields after them. Returned as a
// value, it is made straight where the caller puts it.
inline StatusRecord DecodeBody(const std::uint8_t* bytes, std::uint32_t length) {
  const std::uint8_t* fields = bytes + length;
  return StatusRecord{EntryId(bytes, length), static_cast<std::int32_t>(LoadU32(fields)),
                      static_cast<std::int32_t>(LoadU32(fields + 4)),
                      static_cast<std::uint64_t>(LoadU32(fields + 12)) << 32 | LoadU32(fields + 8)};
}

// Little-endian loads and stores that are one move on a little-endian CPU; the byte loops of
// LoadU32 and StoreU32 are not always recognised as one.
inline std::uint32_t GetU32(const std::uint8_t* p) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
#else
  return LoadU32(p);
#endif
}

inline std::uint64_t GetU64(const std::uint8_t* p) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
#else
  return static_cast<std::uint64_t>(LoadU32(p + 4)) << 32 | LoadU32(p);
#endif
}

inline void PutU32(std::uint8_t* p, std::uint32_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::memcpy(p, &v, sizeof v);
#else
  StoreU32(p, v);
#endif
}

inline void PutU64(std::uint8_t* p, std::uint64_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::memcpy(p, &v, sizeof v);
#else
  StoreU32(p, static_cast<std::uint32_t>(v));
  StoreU32(p + 4, static_cast<std::uint32_t>(v >> 32));
#endif
}

}  // namespace

Status ReadRecord(StatusReader& reader, StatusRecord& record) {
  std::uint32_t length = 0;
  if (const std::uint8_t* bytes = reader.Contiguous(4)) {
    length = LoadU32(bytes);
  } else if (Status status = reader.U32(length); Failed(status)) {
    return status;
  }
  if (length < kStatusMinEntryIdLength || length > kStatusMaxEntryIdLength) return kCveStatusCorrupted;
  // The identifier and the fixed fields after it in one piece, straight from the buffer when
  // they lie there whole.
  const std::size_t size = length + kStatusRecordFixedSize - 4;
  std::uint8_t copy[kStatusMaxEntryIdLength + kStatusRecordFixedSize - 4];
  const std::uint8_t* bytes = reader.Contiguous(size);
  if (bytes == nullptr) {
    if (Status status = reader.Bytes(copy, size); Failed(status)) return status;
    bytes = copy;
  }
  record = DecodeBody(bytes, length);
  return kOk;
}

Status DecodeRecords(const std::uint8_t* bytes, std::size_t size, StatusRecord* out, std::size_t room,
                     const EntryId* previous, bool& ordered, DecodedRecords& decoded) {
  const std::uint8_t* p = bytes;
  const std::uint8_t* const end = bytes + size;
  Status status = kOk;
  // The order is checked on the bytes in the buffer, not on the records just stored: reading
  // those back at once would wait for the stores in flight.
  const std::uint8_t* previousBytes = nullptr;
  std::size_t previousLength = 0;
  if (previous != nullptr) {
    previousBytes = previous->Data();
    previousLength = previous->Size();
  }
  bool inOrder = ordered;
  // Whether the next record is to be checked against the one before it.
  bool checking = inOrder && previousBytes != nullptr;
  StatusRecord* made = out;
  StatusRecord* const full = out + room;
  // Locals only: the records' bytes are stored through byte pointers, which would otherwise
  // make the compiler reload the reader's position after every one.
  while (made != full) {
    const auto left = static_cast<std::size_t>(end - p);
    if (left < 4) break;
    const std::uint32_t length = GetU32(p);
    const std::size_t stride = length + kStatusRecordFixedSize;
    if (length >= 16 && EntryId::FitsInline(length) && left >= stride) {
      // A run of records whose identifiers have one length, as in most folders (the address
      // book's have 28 bytes). Each next record is found a fixed stride on, without waiting
      // for its length to be loaded: that only confirms that the run goes on.
      if (checking) inOrder = BytesPrecede(previousBytes, previousLength, p + 4, length);
      for (;;) {
        const std::uint8_t* const id = p + 4;
        // Three fixed-size loads made before anything is stored: stores through byte pointers
        // would otherwise make the compiler load the bytes again.
        std::uint8_t head[16], tail[16], fields[16];
        std::memcpy(head, id, 16);
        std::memcpy(tail, id + length - 16, 16);
        std::memcpy(fields, id + length, 16);
        ::new (static_cast<void*>(made)) StatusRecord{
            EntryId(head, tail, length), static_cast<std::int32_t>(GetU32(fields)),
            static_cast<std::int32_t>(GetU32(fields + 4)), GetU64(fields + 8)};
        ++made;
        p += stride;
        if (made == full || static_cast<std::size_t>(end - p) < stride || GetU32(p) != length) break;
        if (inOrder) inOrder = SameLengthBytesPrecede(id, p + 4, length);
      }
      previousBytes = p - stride + 4;
    } else {
      if (length < kStatusMinEntryIdLength || length > kStatusMaxEntryIdLength) {
        status = kCveStatusCorrupted;
        break;
      }
      // An identifier kept on the heap is rare; the caller reads that record on its own,
      // which leaves this loop nothing that can fail or has to be freed.
      if (!EntryId::FitsInline(length) || left < stride) break;
      if (checking) inOrder = BytesPrecede(previousBytes, previousLength, p + 4, length);
      // Made in place from its fields: no default record is written first only to be
      // overwritten.
      ::new (static_cast<void*>(made)) StatusRecord(DecodeBody(p + 4, length));
      ++made;
      previousBytes = p + 4;
      p += stride;
    }
    previousLength = length;
    checking = inOrder;
  }
  ordered = inOrder;
  decoded.taken = static_cast<std::size_t>(p - bytes);
  decoded.made = static_cast<std::size_t>(made - out);
  return status;
}

Status ReadEnd(StatusReader& reader) { return reader.Checkpoint(); }

const StatusRecord* EncodeRecords(const StatusRecord* first, const StatusRecord* last, std::uint8_t* out,
                                  std::size_t room, std::size_t& size, std::size_t& count) {
  // Locals only, as when decoding: stores through byte pointers would otherwise make the
  // compiler reload everything it keeps elsewhere.
  std::uint8_t* p = out;
  std::uint8_t* const end = out + room;
  std::size_t encoded = 0;
  for (; first != last; ++first) {
    if (!RecordFits(*first)) continue;
    const auto length = static_cast<std::uint32_t>(first->entryId.Size());
    if (static_cast<std::size_t>(end - p) < length + kStatusRecordFixedSize) break;
    PutU32(p, length);
    first->entryId.CopyTo(p + 4);
    std::uint8_t* fields = p + 4 + length;
    PutU32(fields, static_cast<std::uint32_t>(first->serverId));
    PutU32(fields + 4, static_cast<std::uint32_t>(first->syncedRevision));
    PutU64(fields + 8, first->lastModification);
    p += length + kStatusRecordFixedSize;
    ++encoded;
  }
  size = static_cast<std::size_t>(p - out);
  count = encoded;
  return first;
}

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
  if (length > kStatusMaxEntryIdLength) {
    // Not readable again (the caller leaves such records out), but written as asked.
    writer.U32(length);
    writer.Bytes(record.entryId.Data(), length);
    writer.I32(record.serverId);
    writer.I32(record.syncedRevision);
    writer.U64(record.lastModification);
    return;
  }
  // The whole record in one piece.
  std::uint8_t bytes[kStatusMaxEntryIdLength + kStatusRecordFixedSize];
  StoreU32(bytes, length);
  std::memcpy(bytes + 4, record.entryId.Data(), length);
  std::uint8_t* fields = bytes + 4 + length;
  StoreU32(fields, static_cast<std::uint32_t>(record.serverId));
  StoreU32(fields + 4, static_cast<std::uint32_t>(record.syncedRevision));
  StoreU32(fields + 8, static_cast<std::uint32_t>(record.lastModification));
  StoreU32(fields + 12, static_cast<std::uint32_t>(record.lastModification >> 32));
  writer.Bytes(bytes, length + kStatusRecordFixedSize);
}

void WriteEnd(StatusWriter& writer) { writer.Checkpoint(); }

bool RecordFits(const StatusRecord& record) {
  return !record.entryId.Empty() && record.entryId.Size() <= kStatusMaxEntryIdLength;
}

}  // namespace contave
