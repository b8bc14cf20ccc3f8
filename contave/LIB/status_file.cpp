#include "contave/LIB/status_file.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "contave/LIB/delete_list.h"
#include "contave/LIB/internal_failure.h"
#include "contave/LIB/mapi_tags.h"
#include "contave/LIB/status_codec.h"

namespace contave {

Status StatusFile::Load(const std::string& path, FileSystem& files, ProgressReporter& progress) {
  if (loaded_) CONTAVE_INTERNAL_FAILURE(module::kPersist, kUnexpected);
  progress.ShowAction(kActionLoadingPreviousSession);
  progress.EnableStop(false);

  std::unique_ptr<InputFile> file;
  Status status = files.OpenRead(path, file);
  if (IsMissingFile(status)) {
    loaded_ = true;
    return kOk;
  }
  if (!Failed(status)) status = ReadFrom(*file, progress);
  if (Failed(status)) {
    Clear();
    return status;
  }
  loaded_ = true;
  return kOk;
}

StatusRecordList::const_iterator StatusRecordList::find(const EntryId& id) const {
  const auto found = std::lower_bound(records_.begin(), records_.end(), id, RecordOrder{});
  return found != records_.end() && found->entryId == id ? found : records_.end();
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

// Whether identifier a sorts before b, as EntryId's order has it, eight bytes a step: loading
// checks every record against the one before it.
bool Precedes(const EntryId& a, const EntryId& b) {
  const std::uint8_t* p = a.Data();
  const std::uint8_t* q = b.Data();
  const std::size_t common = a.Size() < b.Size() ? a.Size() : b.Size();
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
  return a.Size() < b.Size();
}

// Room made at once for the records a header announces, up to what any real folder holds; a
// damaged count cannot ask for more memory than that before the records run out.
constexpr std::int32_t kMaxReservedRecords = 1 << 17;

}  // namespace

Status StatusFile::ReadFrom(InputFile& file, ProgressReporter& progress) {
  StatusReader reader(file);
  std::int32_t count = 0;
  if (Status status = ReadHeader(reader, count); Failed(status)) return status;
  SessionBlock session;
  if (Status status = ReadSession(reader, session); Failed(status)) return status;
  progress.SetRange(count);
  records_.records_.reserve(records_.records_.size() +
                            static_cast<std::size_t>(std::min(count, kMaxReservedRecords)));
  std::vector<StatusRecord>& records = records_.records_;
  const std::size_t first = records.size();
  for (std::int32_t done = 0; done < count;) {
    // The records that lie whole in the buffer, decoded in one go ...
    std::size_t available = 0;
    const std::uint8_t* window = reader.Window(available);
    std::size_t taken = 0;
    const std::size_t before = records.size();
    const Status status = DecodeRecords(window, available, static_cast<std::size_t>(count - done), records, taken);
    reader.Skip(taken);
    if (Failed(status)) return status;
    done += static_cast<std::int32_t>(records.size() - before);
    // ... and one that runs over its end (reading it refills the buffer).
    if (done < count && records.size() == before) {
      if (Status read = ReadRecord(reader, records.emplace_back()); Failed(read)) return read;
      ++done;
    }
    progress.SetPosition(done);
  }
  // One pass over the new records, after they are all in place: checking each as it is stored
  // would read bytes back while their stores are still in flight.
  for (std::size_t k = first; k < records.size(); ++k) {
    unfit_ += RecordFits(records[k]) ? 0 : 1;
    if (ordered_ && k > 0 && !Precedes(records[k - 1].entryId, records[k].entryId)) ordered_ = false;
  }
  return ReadEnd(reader);
}

const StatusRecord* StatusFile::Find(const EntryId& id) const {
  if (!loaded_) CONTAVE_INTERNAL_FAILURE(module::kPersist, kUnexpected);
  Order();
  const auto found = records_.find(id);
  return found == records_.end() ? nullptr : &*found;
}

const StatusFile::RecordSet& StatusFile::Records() const {
  if (!loaded_) CONTAVE_INTERNAL_FAILURE(module::kPersist, kUnexpected);
  Order();
  return records_;
}

void StatusFile::Insert(StatusRecord record) {
  loaded_ = true;
  unfit_ += RecordFits(record) ? 0 : 1;
  std::vector<StatusRecord>& records = records_.records_;
  // A file holds its records in ascending order, so loading only appends.
  if (ordered_ && !records.empty() && !(records.back().entryId < record.entryId)) ordered_ = false;
  records.push_back(std::move(record));
}

void StatusFile::Order() const {
  if (ordered_) return;
  std::vector<StatusRecord>& records = records_.records_;
  std::stable_sort(records.begin(), records.end(), RecordOrder{});
  // A later record of the same contact is the newer one: of each run of equal identifiers the
  // last stays.
  auto kept = records.begin();
  for (auto run = records.begin(); run != records.end();) {
    auto last = run;
    while (last + 1 != records.end() && (last + 1)->entryId == run->entryId) ++last;
    if (kept != last) *kept = std::move(*last);
    ++kept;
    run = last + 1;
  }
  records.erase(kept, records.end());
  unfit_ = static_cast<std::size_t>(
      std::count_if(records.begin(), records.end(), [](const StatusRecord& record) { return !RecordFits(record); }));
  ordered_ = true;
}

std::size_t StatusFile::WritableCount() const {
  Order();
  return records_.size() - unfit_;
}

void StatusFile::KeepPendingDeletions(const DeleteList& deletions) {
  Order();
  std::erase_if(records_.records_, [&](const StatusRecord& record) { return !deletions.IsPending(record.serverId); });
  unfit_ = static_cast<std::size_t>(std::count_if(records_.begin(), records_.end(),
                                                  [](const StatusRecord& record) { return !RecordFits(record); }));
}

Status StatusFile::AddCurrentContacts(ContentsTable& folder, ProgressReporter& progress) {
  std::uint32_t rowCount = 0;
  Status status = folder.Open(rowCount);
  if (status == kMapiNotFound) {
    loaded_ = true;
    return kOk;
  }
  if (Failed(status)) return status;
  progress.SetRange(static_cast<std::int32_t>(rowCount));
  std::int32_t position = 0;
  for (;;) {
    ContentsRow row;
    bool end = false;
    if (status = folder.Next(row, end); Failed(status)) return status;
    if (end) break;
    progress.SetPosition(++position);
    if (row.objectType != kMapiMailUser) continue;
    StatusRecord record;
    record.entryId = EntryId(row.entryId.data(), row.entryId.size());
    ContactStamp stamp;
    if (status = folder.ReadStamp(record.entryId, stamp); Failed(status)) return status;
    record.serverId = stamp.serverId;
    record.syncedRevision = stamp.syncedRevision;
    record.lastModification = stamp.lastModification;
    Insert(std::move(record));
  }
  loaded_ = true;
  return kOk;
}

void StatusFile::Clear() {
  std::vector<StatusRecord>().swap(records_.records_);  // the memory goes too
  unfit_ = 0;
  ordered_ = true;
  loaded_ = false;
}

Status SaveStatus(StatusFile& status, SyncMode mode, const DeleteList& deletions, ContentsTable& folder,
                  const std::string& path, std::string_view folderDn, bool folderFlag, FileSystem& files,
                  ProgressReporter& progress) {
  progress.ShowAction(kActionPreparingToSave);
  if (mode == SyncMode::kTwoWay) {
    status.KeepPendingDeletions(deletions);
  } else {
    status.Clear();
  }
  Status result = status.AddCurrentContacts(folder, progress);
  if (!Failed(result)) {
    progress.ShowAction(kActionSavingSession);
    result = status.Write(path, folderDn, folderFlag, files, progress);
  }
  status.Clear();
  return result;
}

}  // namespace contave
