// SYNCLIB: the passes that bring one address-book folder and one server folder into step. They
// decide by presence, links and revisions alone, ask the user where the settings say so, count
// the outcome and have the status written at the end, also after Stop.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "contave/LIB/directory_side.h"
#include "contave/LIB/local_folder.h"
#include "contave/LIB/sync_types.h"

namespace contave {

enum class ConfirmAnswer { kYes, kYesToAll, kNoToAll, kNo };

// The questions a run asks; the application answers through its windows, tests directly.
class SyncQuestions {
 public:
  virtual ~SyncQuestions() = default;
  virtual ConfirmAnswer Confirm(OperationKind kind, const std::string& displayName) = 0;
  // One of the allowed solutions, or kSolutionNone when the run is being stopped.
  virtual Solution DecideCollision(ConflictKind kind, const std::string& serverName, const std::string& localName,
                                   std::uint32_t allowed, Solution preselected) = 0;
  // Asked once per side before a pass deletes most of it, whatever the confirmation setting;
  // an unattended run answers false.
  virtual bool ConfirmMassDeletion(Side side, std::uint32_t count, const std::string& text) = 0;
};

struct SyncSettings {
  bool noConfirmation = false;  // "Don't ask for confirmation"
  CollisionMethod collisionMethod = CollisionMethod::kAsk;
};

// Whether deleting planned of total contacts of one side needs the mass-deletion question:
// every contact of a side that had any, or more than half of a side of at least 20.
bool IsMassDeletion(std::uint32_t planned, std::uint32_t total);

// A failure that means the directory can no longer be reached (server down, connection lost).
bool IsConnectionLost(Status status);

class SyncPasses {
 public:
  SyncPasses(LocalFolder& local, DirectorySide& server, SyncQuestions& questions, ProgressReporter& progress,
             const StopFlag& stop, FileSystem& files, SyncSettings settings);

  // Both return the result of writing the status; the statistics are filled either way.
  Status RunTwoWay(SyncStatistics& statistics);
  Status RunOneWay(SyncStatistics& statistics);

 private:
  template <typename NameOf>
  bool Confirm(OperationKind kind, NameOf nameOf);
  void Tally(Status status, std::uint32_t& succeeded);
  // Stop was requested, or the server was lost.
  bool Stopped() const { return serverLost_ || stop_.Requested(); }

  Status DeleteOnServer(const ServerContact& server);
  Status CreateLocally(const ServerContact& server);
  Status DeleteLocally(LocalContact& local);
  Status CreateOnServer(LocalContact& local);
  Status ModifyLocally(const ServerContact& server, LocalContact& local);
  Status ModifyOnServer(LocalContact& local, const ServerContact& server);
  Status SendValues(LocalContact& local, ServerContact& target, const AttributeList& serverValues, bool isNew);

  // Decides and carries out a collision; true when every step of the solution succeeded.
  bool Collide(ConflictKind kind, const ServerContact* server, LocalContact* local);
  Solution Decide(ConflictKind kind, const ServerContact* server, LocalContact* local);

  void BeginPass1();
  // Guards a side against a pass that would delete most of it; true when the deletions may go on.
  bool AllowDeletions(Side side, std::uint32_t planned, std::uint32_t total);
  bool Protected(const LocalContact& local) const;
  bool IsLeftover(const ServerContact& server);
  void Reconcile();

  LocalFolder& local_;
  DirectorySide& server_;
  SyncQuestions& questions_;
  ProgressReporter& progress_;
  const StopFlag& stop_;
  FileSystem& files_;
  SyncSettings settings_;
  int remembered_[kOperationKindCount] = {};  // 0 none, 1 yes to all, 2 no to all
  std::set<std::int32_t> unreadable_;
  SyncStatistics* statistics_ = nullptr;
  bool serverLost_ = false;
};

}  // namespace contave
