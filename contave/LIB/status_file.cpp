#include "contave/LIB/status_file.h"

#include <algorithm>
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

Status StatusFile::ReadFrom(InputFile& file, ProgressReporter& progress) {
  StatusReader reader(file);
  std::int32_t count = 0;
  if (Status status = ReadHeader(reader, count); Failed(status)) return status;
  SessionBlock session;
  if (Status status = ReadSession(reader, session); Failed(status)) return status;
  progress.SetRange(count);
  for (std::int32_t i = 0; i < count; ++i) {
    StatusRecord record;
    if (Status status = ReadRecord(reader, record); Failed(status)) return status;
    Insert(std::move(record));
    progress.SetPosition(i + 1);
  }
  return ReadEnd(reader);
}

const StatusRecord* StatusFile::Find(const EntryId& id) const {
  if (!loaded_) CONTAVE_INTERNAL_FAILURE(module::kPersist, kUnexpected);
  const auto found = records_.find(id);
  return found == records_.end() ? nullptr : &*found;
}

const StatusFile::RecordSet& StatusFile::Records() const {
  if (!loaded_) CONTAVE_INTERNAL_FAILURE(module::kPersist, kUnexpected);
  return records_;
}

void StatusFile::Insert(StatusRecord record) {
  loaded_ = true;
  unfit_ += RecordFits(record) ? 0 : 1;
  // A file holds its records in ascending order, so loading appends at the end without a search.
  if (records_.empty() || std::prev(records_.end())->entryId < record.entryId) {
    records_.emplace_hint(records_.end(), std::move(record));
    return;
  }
  // A later record of the same contact is the newer one.
  const auto found = records_.find(record.entryId);
  if (found != records_.end()) {
    unfit_ -= RecordFits(*found) ? 0 : 1;
    records_.erase(found);
  }
  records_.insert(std::move(record));
}

std::size_t StatusFile::WritableCount() const { return records_.size() - unfit_; }

void StatusFile::KeepPendingDeletions(const DeleteList& deletions) {
  std::erase_if(records_, [&](const StatusRecord& record) { return !deletions.IsPending(record.serverId); });
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
  records_.clear();
  unfit_ = 0;
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
