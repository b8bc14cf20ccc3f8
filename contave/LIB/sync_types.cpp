// SYNCLIB: the texts and tables of the operation and collision kinds.
#include "contave/LIB/sync_types.h"

#include "contave/LIB/internal_failure.h"

namespace contave {
namespace {

// The word "adress" is spelt with one d: the texts are the product's own and users know them so.
constexpr const char* kOperationTexts[kOperationKindCount] = {
    "Delete record on server",
    "Create record on server",
    "Modify record on server",
    "Delete record in local adress book",
    "Create record in local adress book",
    "Modify record in local adress book",
};

struct ConflictRow {
  const char* text;
  std::uint32_t allowed;
  Solution serverPreferred;
  Solution localPreferred;
};

constexpr ConflictRow kConflicts[kConflictKindCount] = {
    {"Both local and server records modified", kUseServerCopy | kUseLocalCopy | kDeleteBothCopies, kUseServerCopy,
     kUseLocalCopy},
    {"Local record corrupted and server record modified", kUseServerCopy | kDeleteBothCopies, kUseServerCopy,
     kUseServerCopy},
    {"Local record corrupted", kUseServerCopy | kDeleteBothCopies, kUseServerCopy, kUseServerCopy},
    {"Local record modified and server record corrupted", kUseLocalCopy | kDeleteBothCopies, kUseLocalCopy,
     kUseLocalCopy},
    {"Server record corrupted", kUseLocalCopy | kDeleteBothCopies, kUseLocalCopy, kUseLocalCopy},
    {"Both local and server records corrupted", kDeleteBothCopies, kDeleteBothCopies, kDeleteBothCopies},
    {"Local record deleted and server record modified", kUseServerCopy | kDeleteServerCopy, kUseServerCopy,
     kDeleteServerCopy},
    {"Local record modified and server record deleted", kUseLocalCopy | kDeleteLocalCopy, kDeleteLocalCopy,
     kUseLocalCopy},
};

const ConflictRow& Conflict(ConflictKind kind) {
  const int index = static_cast<int>(kind);
  if (index < 0 || index >= kConflictKindCount) CONTAVE_INTERNAL_FAILURE(module::kSynclib, kInvalidArg);
  return kConflicts[index];
}

}  // namespace

const char* OperationText(OperationKind kind) {
  const int index = static_cast<int>(kind);
  if (index < 0 || index >= kOperationKindCount) CONTAVE_INTERNAL_FAILURE(module::kSynclib, kInvalidArg);
  return kOperationTexts[index];
}

const char* ConflictText(ConflictKind kind) { return Conflict(kind).text; }

std::uint32_t AllowedSolutions(ConflictKind kind) { return Conflict(kind).allowed; }

Solution PreferredSolution(ConflictKind kind, CollisionMethod method) {
  switch (method) {
    case CollisionMethod::kServerPreferred:
      return Conflict(kind).serverPreferred;
    case CollisionMethod::kLocalPreferred:
      return Conflict(kind).localPreferred;
    case CollisionMethod::kAsk:
      break;
  }
  CONTAVE_INTERNAL_FAILURE(module::kSynclib, kInvalidArg);
}

Solution PreselectedSolution(ConflictKind kind) {
  const std::uint32_t allowed = AllowedSolutions(kind);
  for (Solution solution : {kUseServerCopy, kUseLocalCopy, kDeleteServerCopy, kDeleteLocalCopy, kDeleteBothCopies}) {
    if (allowed & solution) return solution;
  }
  CONTAVE_INTERNAL_FAILURE(module::kSynclib, kUnexpected);
}

std::string MassDeletionText(Side side, std::uint32_t count) {
  return std::to_string(count) + " contacts would be deleted from the " +
         (side == Side::kServer ? "server" : "address book") + ". Continue?";
}

}  // namespace contave
