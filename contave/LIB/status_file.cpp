#include "contave/LIB/status_file.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>

#include "contave/LIB/delete_list.h"
#include "contave/LIB/internal_failure.h"
#include "contave/LIB/mapi_tags.h"
#include "contave/LIB/status_codec.h"
#include "contave/LIB/status_format.h"

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

namespace {

using RecordAllocator = std::allocator<StatusRecord>;

}  // namespace

StatusRecordList::StatusRecordList(const StatusRecordList& other) {
  if (other.size_ == 0) return;
  StatusRecord* block = RecordAllocator().allocate(other.size_);
  try {
    std::uninitialized_copy(other.data_, other.data_ + other.size_, block);
  } catch (...) {
    RecordAllocator().deallocate(block, other.size_);
    throw;
  }
  data_ = block;
  size_ = capacity_ = other.size_;
  heap_ = other.heap_;
}

StatusRecordList::StatusRecordList(StatusRecordList&& other) noexcept { Swap(other); }

StatusRecordList& StatusRecordList::operator=(StatusRecordList other) noexcept {
  Swap(other);
  return *this;
}

void StatusRecordList::Swap(StatusRecordList& other) noexcept {
  std::swap(data_, other.data_);
  std::swap(size_, other.size_);
  std::swap(capacity_, other.capacity_);
  std::swap(heap_, other.heap_);
}

StatusRecordList::const_iterator StatusRecordList::find(const EntryId& id) const {
  const auto found = std::lower_bound(begin(), end(), id, RecordOrder{});
  return found != end() && found->entryId == id ? found : end();
}

void StatusRecordList::Reserve(std::size_t capacity) {
  if (capacity <= capacity_) return;
  StatusRecord* block = RecordAllocator().allocate(capacity);
  // Moving a record cannot fail, so the records are never left half in each block.
  std::uninitialized_move(data_, data_ + size_, block);
  // What was moved from owns nothing any more; only the block goes.
  if (data_ != nullptr) RecordAllocator().deallocate(data_, capacity_);
  data_ = block;
  capacity_ = capacity;
}

void StatusRecordList::Append(StatusRecord&& record) {
  if (size_ == capacity_) Reserve(capacity_ < 8 ? 16 : capacity_ * 2);
  StatusRecord* made = ::new (static_cast<void*>(data_ + size_)) StatusRecord(std::move(record));
  ++size_;
  if (!made->entryId.IsInline()) heap_ = true;
}

void StatusRecordList::EraseFrom(StatusRecord* first) {
  if (heap_) std::destroy(first, Last());
  size_ = static_cast<std::size_t>(first - data_);
}

void StatusRecordList::Release() {
  if (data_ == nullptr) return;
  if (heap_) std::destroy(data_, data_ + size_);
  RecordAllocator().deallocate(data_, capacity_);
  data_ = nullptr;
  size_ = capacity_ = 0;
  heap_ = false;
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
  // The records announced, bounded as above (which also keeps the product below from
  // overflowing a 32-bit size); every record takes at least the minimum of the file.
  const auto announced = static_cast<std::size_t>(std::min(count, kMaxReservedRecords));
  reader.Expect(announced * (kStatusMinEntryIdLength + kStatusRecordFixedSize));
  StatusRecordList& records = records_;
  records.Reserve(records.size() + announced);
  for (std::int32_t done = 0; done < count;) {
    // The records that lie whole in the buffer, made in place in the room left ...
    std::size_t available = 0;
    const std::uint8_t* window = reader.Window(available);
    std::size_t room = 0;
    StatusRecord* out = records.Spare(room);
    const std::size_t wanted = static_cast<std::size_t>(count - done);
    DecodedRecords decoded;
    const Status status = DecodeRecords(window, available, out, std::min(room, wanted),
                                        records.empty() ? nullptr : &records.Last()[-1].entryId, ordered_, decoded);
    records.Commit(decoded.made);
    reader.Skip(decoded.taken);
    if (Failed(status)) return status;
    done += static_cast<std::int32_t>(decoded.made);
    // ... and one that runs over the buffer's end (reading it refills the buffer), one whose
    // identifier goes on the heap, or the first after the room is full.
    if (done < count && decoded.made == 0) {
      StatusRecord record;
      if (Status read = ReadRecord(reader, record); Failed(read)) return read;
      if (ordered_ && !records.empty() && !(records.Last()[-1].entryId < record.entryId)) ordered_ = false;
      records.Append(std::move(record));
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
  // A file holds its records in ascending order, so loading only appends.
  if (ordered_ && !records_.empty() && !(records_.Last()[-1].entryId < record.entryId)) ordered_ = false;
  records_.Append(std::move(record));
}

void StatusFile::Order() const {
  if (ordered_) return;
  StatusRecord* const first = records_.First();
  StatusRecord* const last = records_.Last();
  std::stable_sort(first, last, RecordOrder{});
  // A later record of the same contact is the newer one: of each run of equal identifiers the
  // last stays.
  StatusRecord* kept = first;
  for (StatusRecord* run = first; run != last;) {
    StatusRecord* end = run;
    while (end + 1 != last && (end + 1)->entryId == run->entryId) ++end;
    if (kept != end) *kept = std::move(*end);
    ++kept;
    run = end + 1;
  }
  records_.EraseFrom(kept);
  unfit_ = static_cast<std::size_t>(
      std::count_if(records_.begin(), records_.end(), [](const StatusRecord& record) { return !RecordFits(record); }));
  ordered_ = true;
}

std::size_t StatusFile::WritableCount() const {
  Order();
  return records_.size() - unfit_;
}

void StatusFile::KeepPendingDeletions(const DeleteList& deletions) {
  Order();
  records_.EraseFrom(std::remove_if(records_.First(), records_.Last(),
                                    [&](const StatusRecord& record) { return !deletions.IsPending(record.serverId); }));
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
  records_.Release();  // the memory goes too
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
