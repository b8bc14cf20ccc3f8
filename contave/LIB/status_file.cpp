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
  for (std::int32_t done = 0; done < count;) {
    // The records that lie whole in the buffer, decoded in one go ...
    std::size_t available = 0;
    const std::uint8_t* window = reader.Window(available);
    std::size_t taken = 0;
    const std::size_t before = records.size();
    const Status status =
        DecodeRecords(window, available, static_cast<std::size_t>(count - done), records, taken, ordered_);
    reader.Skip(taken);
    if (Failed(status)) return status;
    done += static_cast<std::int32_t>(records.size() - before);
    // ... and one that runs over its end (reading it refills the buffer).
    if (done < count && records.size() == before) {
      if (Status read = ReadRecord(reader, records.emplace_back()); Failed(read)) return read;
      const std::size_t n = records.size();
      if (ordered_ && n > 1 && !(records[n - 2].entryId < records[n - 1].entryId)) ordered_ = false;
      ++done;
    }
    progress.SetPosition(done);
  }
  // Every record read has an identifier of a length the file allows, so none adds to unfit_.
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
