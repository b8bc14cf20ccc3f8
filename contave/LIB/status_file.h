// The status of a folder's last run (PERSIST): one record per local contact, ordered by entry
// identifier, read at the start of a run and written at its end.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "contave/LIB/contents_table.h"
#include "contave/LIB/file_system.h"
#include "contave/LIB/progress_reporter.h"
#include "contave/LIB/status_record.h"

namespace contave {

class DeleteList;

// The records in ascending order of identifier, each identifier once, in one block of memory:
// a folder of many contacts loads, searches and writes without a heap block or a pointer chase
// per record. The block is filled in place when a file is read, and freed without a visit to
// each record while no identifier lives on the heap (a short identifier is kept inside its
// record, and almost all are short).
class StatusRecordList {
 public:
  using value_type = StatusRecord;
  using const_iterator = const StatusRecord*;
  using iterator = const_iterator;

  StatusRecordList() = default;
  StatusRecordList(const StatusRecordList& other);
  StatusRecordList(StatusRecordList&& other) noexcept;
  StatusRecordList& operator=(StatusRecordList other) noexcept;
  ~StatusRecordList() { Release(); }

  const_iterator begin() const { return data_; }
  const_iterator end() const { return data_ + size_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // The record with that identifier, or end().
  const_iterator find(const EntryId& id) const;

 private:
  friend class StatusFile;

  StatusRecord* First() { return data_; }
  StatusRecord* Last() { return data_ + size_; }
  // Room for at least `capacity` records; those there move to the new block.
  void Reserve(std::size_t capacity);
  void Append(StatusRecord&& record);
  // The uninitialised room after the last record, where `Commit` adopts the `count` records
  // that the caller constructed there, none of them with its identifier on the heap.
  StatusRecord* Spare(std::size_t& room) {
    room = capacity_ - size_;
    return data_ + size_;
  }
  void Commit(std::size_t count) { size_ += count; }
  // Destroys the records from `first` to the end.
  void EraseFrom(StatusRecord* first);
  // Destroys every record and frees the block.
  void Release();
  void Swap(StatusRecordList& other) noexcept;

  StatusRecord* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  // Whether a record may own a heap block for its identifier; while none does, destroying a
  // record does nothing and is left out.
  bool heap_ = false;
};

class StatusFile {
 public:
  using RecordSet = StatusRecordList;

  bool Loaded() const { return loaded_; }

  // Reads the file; a missing file gives an empty set. On any error the set is cleared.
  // Loading a set that is loaded already is an internal failure.
  Status Load(const std::string& path, FileSystem& files, ProgressReporter& progress);

  // Only on a loaded set (else an internal failure).
  const StatusRecord* Find(const EntryId& id) const;
  const RecordSet& Records() const;

  // Enters a record, replacing one with the same identifier; the set counts as loaded.
  void Insert(StatusRecord record);
  // Two-way runs keep only the records of deletions still pending on the server.
  void KeepPendingDeletions(const DeleteList& deletions);
  // Records every mail user of the folder as it is now.
  Status AddCurrentContacts(ContentsTable& folder, ProgressReporter& progress);
  // Removes all records; the set is no longer loaded.
  void Clear();

  // Writes the set. The new file replaces the old one only once it is complete and flushed;
  // when any step fails, the old file stays as it was and the error is returned.
  Status Write(const std::string& path, std::string_view folderDn, bool folderFlag, FileSystem& files,
               ProgressReporter& progress) const;

 private:
  Status ReadFrom(InputFile& file, ProgressReporter& progress);

  // The records the file can hold: all but those whose identifier is too long to read back.
  std::size_t WritableCount() const;
  // Records entered out of order are sorted when the set is next looked at; of several with
  // the same identifier the one entered last stays.
  void Order() const;

  mutable RecordSet records_;
  mutable std::size_t unfit_ = 0;  // records whose identifier is too long for the file
  mutable bool ordered_ = true;
  bool loaded_ = false;
};

// Whether the status file belongs to that server folder and flag; a missing file is consistent.
// Errors of the header or of a checkpoint are returned.
Status CheckFolderIdentity(const std::string& path, std::string_view folderDn, bool folderFlag, FileSystem& files,
                           bool& consistent);

enum class SyncMode { kTwoWay, kOneWay };

// The end of a folder's run: keep the pending deletions (two-way) or nothing (one-way), add the
// folder's contacts as they are now, write the file and free the set.
Status SaveStatus(StatusFile& status, SyncMode mode, const DeleteList& deletions, ContentsTable& folder,
                  const std::string& path, std::string_view folderDn, bool folderFlag, FileSystem& files,
                  ProgressReporter& progress);

// The status file's name for an address-book folder: the upper-case hexadecimal MD5 of the
// folder's entry identifier with the extension "CTV", in the data folder.
std::string StatusFileName(const EntryId& folderId);
Status StatusFilePath(std::string_view dataFolder, const EntryId& folderId, std::string& path);

}  // namespace contave
