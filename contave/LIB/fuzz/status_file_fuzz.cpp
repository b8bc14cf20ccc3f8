// Feeds arbitrary bytes to the status-file reader as the folder check and the load see them.
// An input whose first byte is even has its three checksums put right first, so that changes
// to the records reach the decoder instead of failing the checksum at the end.
// A file that loads must give its records strictly ascending, and write back to bytes that load
// to the same records.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "contave/LIB/crc16.h"
#include "contave/LIB/memory_file_system.h"
#include "contave/LIB/status_file.h"
#include "contave/LIB/status_format.h"

namespace {

constexpr char kPath[] = "fuzz.CTV";
constexpr char kDn[] = "fn=Contacts,fn=Personal,fn=ContactRoot";

bool SameRecords(const contave::StatusFile& a, const contave::StatusFile& b) {
  if (a.Records().size() != b.Records().size()) return false;
  auto j = b.Records().begin();
  for (const contave::StatusRecord& record : a.Records()) {
    if (!(record.entryId == j->entryId) || record.serverId != j->serverId ||
        record.syncedRevision != j->syncedRevision || record.lastModification != j->lastModification)
      return false;
    ++j;
  }
  return true;
}

// The header, its checksum, the session block, its checksum: then the records and the last
// checksum. Each checksum runs on from the one before, leaving the checksums' own bytes out.
constexpr std::size_t kHeader = contave::kStatusHeaderSize, kSession = contave::kStatusSessionSize,
                      kMinFile = kHeader + 2 + kSession + 2 + 2;

void PutChecksums(std::vector<std::uint8_t>& file) {
  if (file.size() < kMinFile) return;
  contave::Crc16 crc;
  const auto put = [&](std::size_t from, std::size_t to) {
    crc.Update(file.data() + from, to - from);
    file[to] = static_cast<std::uint8_t>(crc.Value());
    file[to + 1] = static_cast<std::uint8_t>(crc.Value() >> 8);
  };
  put(0, kHeader);
  put(kHeader + 2, kHeader + 2 + kSession);
  put(kHeader + 2 + kSession + 2, file.size() - 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::vector<std::uint8_t> bytes(data + 1, data + size);
  if ((data[0] & 1) == 0) PutChecksums(bytes);
  contave::MemoryFileSystem files;
  files.Put(kPath, bytes);
  contave::SilentProgress progress;

  bool consistent = false;
  contave::CheckFolderIdentity(kPath, kDn, false, files, consistent);

  contave::StatusFile status;
  if (contave::Failed(status.Load(kPath, files, progress))) {
    if (status.Loaded()) std::abort();  // a failed load must leave the set cleared
    return 0;
  }
  // Whether the file was in order is decided while it is read; a wrong answer would leave the
  // records unsorted, or an identifier twice.
  const auto& records = status.Records();
  if (std::adjacent_find(records.begin(), records.end(), [](const contave::StatusRecord& a, const contave::StatusRecord& b) {
        return !(a.entryId < b.entryId);
      }) != records.end())
    std::abort();
  if (status.Write("again.CTV", kDn, false, files, progress) != contave::kOk) std::abort();
  contave::StatusFile again;
  if (again.Load("again.CTV", files, progress) != contave::kOk || !SameRecords(status, again)) std::abort();
  return 0;
}
