// SYNCLIB: one folder pair from start to end, as the application's worker runs it: open the
// address-book folder by name, load it against its status file, load the server folder, run the
// passes of the pair's mode, close both, and tell the outcome as a FolderResult.
#pragma once

#include <memory>
#include <string>

#include "contave/LIB/address_book_store.h"
#include "contave/LIB/directory_side.h"
#include "contave/LIB/entry_id.h"
#include "contave/LIB/file_system.h"
#include "contave/LIB/ldap_proxy.h"
#include "contave/LIB/local_folder.h"
#include "contave/LIB/progress_reporter.h"
#include "contave/LIB/stop_flag.h"
#include "contave/LIB/sync_passes.h"
#include "contave/LIB/sync_types.h"

namespace contave {

// Folder phases the window shows while a pair runs.
enum class FolderPhase : int { kNone = 0, kPrivate = 1, kPublic = 2 };

// One pair of the settings.
struct FolderSettings {
  bool enabled = false;
  std::string serverFolderDn;
  std::string addressBookFolder;  // display name
  bool oneWay = false;            // server to address book only
  bool folderFlag = false;        // always 0 in the status file
};

// What the whole run shares: the login, the per-change time limit, the question settings and
// the folder that holds the status files.
struct RunSettings {
  DirectoryLogin login;
  int timeLimitSeconds = 3;
  SyncSettings sync;
  std::string dataFolder;
};

// The address book's folders by name; the Win32 build opens them through the address book.
class AddressBookFolders {
 public:
  virtual ~AddressBookFolders() = default;
  // The folder and its entry identifier (which names its status file); CVE_NO_WAB_FOLDER when
  // the address book has no folder of that name.
  virtual Status Open(const std::string& name, std::unique_ptr<AddressBookStore>& folder, EntryId& folderId) = 0;
};

// The directory's folders by DN; LdapFolders connects to the server.
class DirectoryFolders {
 public:
  virtual ~DirectoryFolders() = default;
  virtual Status Open(const DirectoryLogin& login, const std::string& folderDn, int timeLimitSeconds,
                      ProgressReporter& progress, const StopFlag& stop, std::unique_ptr<DirectorySide>& folder) = 0;
};

class LdapFolders final : public DirectoryFolders {
 public:
  Status Open(const DirectoryLogin& login, const std::string& folderDn, int timeLimitSeconds,
              ProgressReporter& progress, const StopFlag& stop, std::unique_ptr<DirectorySide>& folder) override;
};

// What the window hears of a pair beyond the progress: its phase.
class FolderPhaseReporter {
 public:
  virtual ~FolderPhaseReporter() = default;
  virtual void ShowFolderPhase(FolderPhase phase) = 0;
};

struct FolderPairContext {
  AddressBookFolders& addressBook;
  DirectoryFolders& directory;
  SyncQuestions& questions;
  StatusQuestion& statusQuestion;
  ProgressReporter& progress;
  FolderPhaseReporter* phases = nullptr;
  const StopFlag& stop;
  FileSystem& files;
};

// Texts of a pair that could not be run, and of a status that could not be saved.
inline constexpr char kMessageCantOpenWabFolder[] = "Can't open WAB folder '%s'";
inline constexpr char kMessageCantLoadWab[] = "Can't load WAB content";
inline constexpr char kMessageCantLoadLdap[] = "Can't load LDAP content";
inline constexpr char kMessageCantSaveStatus[] = "Can't save synchronization status";

// Runs one pair. A pair that is not enabled is not attempted. A pair whose passes ran but whose
// status could not be written is reported as failed with the write's error and keeps its
// statistics: the next run then sees the old status, never one that claims what did not happen.
FolderResult RunFolderPair(const RunSettings& settings, const FolderSettings& pair, FolderPhase phase,
                           FolderPairContext& context);

}  // namespace contave
