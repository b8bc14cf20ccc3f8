// WABPROXY: the address-book side of a run. One folder's contacts with their links to the
// server and their revisions, the status of the previous run, the contacts deleted since, and
// the contact operations the passes carry out. Every operation that changes a contact writes
// all it changes in one save, so an interruption never leaves a contact half written.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contave/LIB/address_book_store.h"
#include "contave/LIB/contact_attribute.h"
#include "contave/LIB/delete_list.h"
#include "contave/LIB/file_system.h"
#include "contave/LIB/progress_reporter.h"
#include "contave/LIB/status_file.h"
#include "contave/LIB/stop_flag.h"

namespace contave {

struct LocalContact {
  EntryId entryId;
  // The link to a server contact. Only a contact without PR_CONTAVE_SERVER_ID (or with -1) is
  // unlinked; every other value, negative ones included, is a server id.
  bool linked = false;
  std::int32_t serverId = -1;
  std::uint32_t syncedRevision = 0;
  std::uint32_t localRevision = 0;
  // The modification time of the state the engine last read or wrote. The status file records
  // this time, so an edit the user makes while the run goes on is seen as a change next time.
  std::uint64_t lastModification = 0;
  bool deleted = false;
  bool visited = false;  // matched to a server contact in pass 1, or created in this run
};

// Why the status file cannot be used as it is; the Warning window asks whether to reset.
enum class StatusWarning : int { kOtherFolder = 0, kInvalid = 1, kVersion = 2, kCorrupted = 3 };

class StatusQuestion {
 public:
  virtual ~StatusQuestion() = default;
  virtual bool AskReset(StatusWarning warning) = 0;
};

class LocalFolder {
 public:
  // Reads the status of the last run and every contact of the folder, raising the local
  // revision of each contact changed since. Loading a folder that is loaded is an internal failure.
  Status Load(AddressBookStore& store, const std::string& statusPath, const std::string& folderDn, bool folderFlag,
              FileSystem& files, ProgressReporter& progress, const StopFlag& stop, StatusQuestion& question);
  bool Loaded() const { return store_ != nullptr; }
  // Frees everything; unloading a folder that is not loaded is an internal failure.
  void Unload();

  // The contacts in the folder's order: never linked ones first, then by ascending server id.
  std::vector<LocalContact*> Contacts();
  // The contacts the folder had when it was loaded.
  std::size_t LoadedCount() const { return loadedCount_; }
  // The contact linked to that server id and not deleted, or null.
  LocalContact* FindLinked(std::int32_t serverId);
  DeleteList& Deletions() { return deletions_; }

  // PR_DISPLAY_NAME, or "" when the contact has none or cannot be read: a contact without a
  // name is still synchronised.
  std::string DisplayName(LocalContact& contact);
  Status Delete(LocalContact& contact);
  // A new contact with the server contact's values, linked to it with both revisions at
  // revision, saved once. On failure no contact is left behind.
  Status CreateFromServer(const AttributeList& values, std::int32_t serverId, std::uint32_t revision,
                          LocalContact*& created);
  // The server contact's values and both revisions in one save.
  Status ModifyFromServer(LocalContact& contact, const AttributeList& values, std::uint32_t revision);
  // Opens the contact for reading its values.
  Status Open(LocalContact& contact, std::unique_ptr<StoredContact>& opened);
  // Links the contact to a server contact with the given revisions, in one save.
  Status SetLink(LocalContact& contact, std::int32_t serverId, std::uint32_t syncedRevision,
                 std::uint32_t localRevision);
  // Makes the contact never exchanged again (no server id, synced revision 0), in one save.
  Status ClearLink(LocalContact& contact);

  // The end of a run: two-way keeps the pending deletions' records, one-way starts afresh; the
  // contacts are recorded as the engine last saw them.
  Status SaveStatus(SyncMode mode, FileSystem& files, ProgressReporter& progress);

 private:
  Status CheckStatus(FileSystem& files, StatusQuestion& question, bool& resetLinks);
  Status LoadStatus(FileSystem& files, ProgressReporter& progress, StatusQuestion& question);
  Status ResetLinks(FileSystem& files, ProgressReporter& progress, const StopFlag& stop);
  Status ReadContact(const EntryId& entryId);
  Status SaveAndStamp(StoredContact& opened, LocalContact& contact);
  void Index(LocalContact& contact);
  void Unindex(LocalContact& contact);

  AddressBookStore* store_ = nullptr;
  std::string statusPath_;
  std::string folderDn_;
  bool folderFlag_ = false;
  StatusFile status_;
  DeleteList deletions_;
  std::vector<std::unique_ptr<LocalContact>> contacts_;
  std::map<std::int32_t, LocalContact*> linked_;
  std::size_t loadedCount_ = 0;
};

}  // namespace contave
