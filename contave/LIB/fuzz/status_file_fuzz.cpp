// Feeds arbitrary bytes to the status-file reader as the folder check and the load see them.
// A file that loads must write back to bytes that load to the same records.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "contave/LIB/memory_file_system.h"
#include "contave/LIB/status_file.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  contave::MemoryFileSystem files;
  files.Put(kPath, std::vector<std::uint8_t>(data, data + size));
  contave::SilentProgress progress;

  bool consistent = false;
  contave::CheckFolderIdentity(kPath, kDn, false, files, consistent);

  contave::StatusFile status;
  if (contave::Failed(status.Load(kPath, files, progress))) {
    if (status.Loaded()) std::abort();  // a failed load must leave the set cleared
    return 0;
  }
  if (status.Write("again.CTV", kDn, false, files, progress) != contave::kOk) std::abort();
  contave::StatusFile again;
  if (again.Load("again.CTV", files, progress) != contave::kOk || !SameRecords(status, again)) std::abort();
  return 0;
}
