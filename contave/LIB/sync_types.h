// What a synchronisation run decides and reports (SYNCLIB): the record operations and
// collision kinds with their texts and allowed solutions, the per-folder statistics and result.
#pragma once

#include <cstdint>
#include <string>

#include "contave/LIB/status_codes.h"

namespace contave {

enum class OperationKind : int {
  kDeleteOnServer = 0,
  kCreateOnServer = 1,
  kModifyOnServer = 2,
  kDeleteLocally = 3,
  kCreateLocally = 4,
  kModifyLocally = 5,
};
inline constexpr int kOperationKindCount = 6;

enum class ConflictKind : int {
  kBothModified = 0,
  kLocalCorruptedServerModified = 1,
  kLocalCorrupted = 2,
  kLocalModifiedServerCorrupted = 3,
  kServerCorrupted = 4,
  kBothCorrupted = 5,
  kLocalDeletedServerModified = 6,
  kLocalModifiedServerDeleted = 7,
};
inline constexpr int kConflictKindCount = 8;

// Solutions of a collision, as bits so that the allowed ones form a set.
enum Solution : std::uint32_t {
  kSolutionNone = 0,  // the question was not answered (the run is being stopped)
  kUseServerCopy = 1,
  kUseLocalCopy = 2,
  kDeleteBothCopies = 4,
  kDeleteServerCopy = 8,
  kDeleteLocalCopy = 16,
};

enum class CollisionMethod : int { kAsk = 0, kServerPreferred = 1, kLocalPreferred = 2 };

const char* OperationText(OperationKind kind);
const char* ConflictText(ConflictKind kind);
std::uint32_t AllowedSolutions(ConflictKind kind);
// The solution a policy picks without asking; kAsk has none (an internal failure).
Solution PreferredSolution(ConflictKind kind, CollisionMethod method);
// The solution the Collision window preselects: the first allowed one in the order 1, 2, 8, 16, 4.
Solution PreselectedSolution(ConflictKind kind);

// Which side a mass deletion would empty.
enum class Side { kServer, kAddressBook };
// "N contacts would be deleted from the server. Continue?" and its address-book form.
std::string MassDeletionText(Side side, std::uint32_t count);

struct SyncStatistics {
  std::uint32_t serverCreated = 0;
  std::uint32_t serverModified = 0;
  std::uint32_t serverDeleted = 0;
  std::uint32_t localCreated = 0;
  std::uint32_t localModified = 0;
  std::uint32_t localDeleted = 0;
  std::uint32_t failed = 0;
  std::uint32_t canceled = 0;

  friend bool operator==(const SyncStatistics&, const SyncStatistics&) = default;
  // Whether anything was written on either side.
  bool AnyChange() const {
    return serverCreated + serverModified + serverDeleted + localCreated + localModified + localDeleted != 0;
  }
};

struct FolderResult {
  bool attempted = false;
  bool succeeded = false;
  std::string message;
  Status errorCode = kOk;
  std::string errorDescription;
  SyncStatistics statistics;
};

}  // namespace contave
