// SYNCLIB: the two-way and one-way passes, the record operations and the collisions.
#include "contave/LIB/sync_passes.h"

#include <algorithm>
#include <vector>

#include "contave/LIB/attribute_map.h"
#include "contave/LIB/contact_mapping.h"
#include "contave/LIB/internal_failure.h"
#include "contave/LIB/revision.h"
#include "contave/LIB/text_compare.h"

namespace contave {
namespace {

constexpr char kCommonName[] = "commonName";

// The e-mail list goes out with each address once: the directory would refuse the duplicate or
// keep it twice, and the address book treats addresses without regard to case.
void DropDuplicateAddresses(ContactAttribute& list) {
  std::vector<std::string> unique;
  for (const std::string& address : list.Values()) {
    const bool seen = std::any_of(unique.begin(), unique.end(),
                                  [&](const std::string& kept) { return EqualsNoCase(kept, address); });
    if (!seen) unique.push_back(address);
  }
  if (unique.size() == list.Count()) return;
  list.Clear();
  for (const std::string& address : unique) list.Append(address);
}

// Keeps only the changes the server needs: no untouched attribute, no replace that would write
// the value the server has already.
AttributeList ChangesToSend(AttributeList marked, const AttributeList& before, bool isNew) {
  if (const AttributeRow* row = AttributeMap::RowByRole(AttributeRole::kEmailList)) {
    if (ContactAttribute* list = FindAttribute(marked, row->name)) DropDuplicateAddresses(*list);
  }
  AttributeList changes;
  for (ContactAttribute& attribute : marked) {
    if (attribute.Mark() == ChangeMark::kUntouched) continue;
    // The directory holds no empty values: an empty field is an absent one.
    if (attribute.Mark() != ChangeMark::kDelete) {
      std::vector<std::string> values;
      for (const std::string& value : attribute.Values()) {
        if (!value.empty()) values.push_back(value);
      }
      if (values.size() != attribute.Count()) {
        attribute.Clear();
        for (const std::string& value : values) attribute.Append(value);
      }
      if (values.empty()) {
        if (attribute.Mark() == ChangeMark::kAdd) continue;
        attribute.SetMark(ChangeMark::kDelete);
      }
    }
    // A new entry already holds the placeholder name: an add would give it two names.
    if (isNew && attribute.Mark() == ChangeMark::kAdd && EqualsNoCase(attribute.Name(), kCommonName))
      attribute.SetMark(ChangeMark::kReplace);
    if (attribute.Mark() == ChangeMark::kReplace && !isNew) {
      const ContactAttribute* old = FindAttribute(before, attribute.Name());
      if (old != nullptr && old->Values() == attribute.Values()) continue;
    }
    changes.push_back(std::move(attribute));
  }
  return changes;
}

}  // namespace

bool IsMassDeletion(std::uint32_t planned, std::uint32_t total) {
  if (planned == 0 || total == 0) return false;
  if (planned >= total) return true;
  return total >= 20 && 2ull * planned > total;
}

SyncPasses::SyncPasses(LocalFolder& local, DirectorySide& server, SyncQuestions& questions, ProgressReporter& progress,
                       const StopFlag& stop, FileSystem& files, SyncSettings settings)
    : local_(local), server_(server), questions_(questions), progress_(progress), stop_(stop), files_(files),
      settings_(settings) {}

template <typename NameOf>
bool SyncPasses::Confirm(OperationKind kind, NameOf nameOf) {
  if (settings_.noConfirmation) return true;
  if (kind == OperationKind::kCreateOnServer || kind == OperationKind::kCreateLocally) return true;
  int& remembered = remembered_[static_cast<int>(kind)];
  if (remembered != 0) return remembered == 1;
  switch (questions_.Confirm(kind, nameOf())) {
    case ConfirmAnswer::kYes:
      return true;
    case ConfirmAnswer::kYesToAll:
      remembered = 1;
      return true;
    case ConfirmAnswer::kNoToAll:
      remembered = 2;
      return false;
    case ConfirmAnswer::kNo:
      return false;
  }
  return false;
}

bool IsConnectionLost(Status status) {
  return status == LdapStatus(-1) /* server down */ || status == LdapStatus(-11) /* connect error */;
}

void SyncPasses::Tally(Status status, std::uint32_t& succeeded) {
  // Without the server every further contact would only fail: the run ends as a Stop does, and
  // the status records what was done.
  if (IsConnectionLost(status)) serverLost_ = true;
  if (!Failed(status)) {
    ++succeeded;
  } else if (status == kCveCanceled) {
    ++statistics_->canceled;
  } else {
    ++statistics_->failed;
  }
}

Status SyncPasses::DeleteOnServer(const ServerContact& server) {
  if (!Confirm(OperationKind::kDeleteOnServer, [&] { return server.displayName; })) return kCveCanceled;
  return server_.Delete(server);
}

Status SyncPasses::CreateLocally(const ServerContact& server) {
  if (!Confirm(OperationKind::kCreateLocally, [&] { return server.displayName; })) return kCveCanceled;
  AttributeList values;
  if (Status status = server_.LoadAttributes(server, values); Failed(status)) return status;
  LocalContact* created = nullptr;
  return local_.CreateFromServer(values, server.id, server.revision, created);
}

Status SyncPasses::DeleteLocally(LocalContact& local) {
  if (!Confirm(OperationKind::kDeleteLocally, [&] { return local_.DisplayName(local); })) return kCveCanceled;
  return local_.Delete(local);
}

Status SyncPasses::ModifyLocally(const ServerContact& server, LocalContact& local) {
  if (!Confirm(OperationKind::kModifyLocally, [&] { return local_.DisplayName(local); })) return kCveCanceled;
  AttributeList values;
  if (Status status = server_.LoadAttributes(server, values); Failed(status)) return status;
  return local_.ModifyFromServer(local, values, server.revision);
}

Status SyncPasses::ModifyOnServer(LocalContact& local, const ServerContact& server) {
  if (!Confirm(OperationKind::kModifyOnServer, [&] { return local_.DisplayName(local); })) return kCveCanceled;
  AttributeList values;
  if (Status status = server_.LoadAttributes(server, values); Failed(status)) return status;
  ServerContact target = server;
  if (Status status = SendValues(local, target, values, false); Failed(status)) return status;
  return local_.SetLink(local, server.id, target.revision, target.revision);
}

// The new entry is linked at once, marked as changed locally, so that whatever happens next
// the contact is never sent twice: an interrupted run leaves a linked contact whose values go
// out as a modification on the next run.
Status SyncPasses::CreateOnServer(LocalContact& local) {
  if (!Confirm(OperationKind::kCreateOnServer, [&] { return local_.DisplayName(local); })) return kCveCanceled;
  ServerContact created;
  if (Status status = server_.Create(created); Failed(status)) return status;
  Status status = local_.FindLinked(created.id) == nullptr
                      ? local_.SetLink(local, created.id, created.revision, created.revision + 1)
                      : kCveInaccessibleEntry;
  if (Failed(status)) {
    server_.Delete(created);
    return status;
  }
  if (status = SendValues(local, created, AttributeList(), true); Failed(status)) {
    // Without the entry the contact is new again; when the entry cannot be removed it stays
    // linked and changed, and its values go out next time.
    if (!Failed(server_.Delete(created))) local_.ClearLink(local);
    return status;
  }
  return local_.SetLink(local, created.id, created.revision, created.revision);
}

Status SyncPasses::SendValues(LocalContact& local, ServerContact& target, const AttributeList& serverValues,
                              bool isNew) {
  std::unique_ptr<StoredContact> opened;
  if (Status status = local_.Open(local, opened); Failed(status)) return status;
  AttributeList marked = serverValues;
  if (Status status = BuildDirectoryChanges(*opened, marked); Failed(status)) return status;
  opened.reset();
  const AttributeList changes = ChangesToSend(std::move(marked), serverValues, isNew);
  if (changes.empty()) return kOk;
  return server_.Send(target, changes);
}

Solution SyncPasses::Decide(ConflictKind kind, const ServerContact* server, LocalContact* local) {
  if (settings_.collisionMethod != CollisionMethod::kAsk) return PreferredSolution(kind, settings_.collisionMethod);
  const std::string serverName = server ? server->displayName : std::string();
  const std::string localName = local ? local_.DisplayName(*local) : std::string();
  const Solution solution =
      questions_.DecideCollision(kind, serverName, localName, AllowedSolutions(kind), PreselectedSolution(kind));
  if (solution != kSolutionNone && (AllowedSolutions(kind) & solution) != solution)
    CONTAVE_INTERNAL_FAILURE(module::kSynclib, kInvalidArg);
  return solution;
}

bool SyncPasses::Collide(ConflictKind kind, const ServerContact* server, LocalContact* local) {
  const Solution solution = Decide(kind, server, local);
  auto need = [](bool present) {
    if (!present) CONTAVE_INTERNAL_FAILURE(module::kSynclib, kInvalidArg);
  };
  SyncStatistics& counts = *statistics_;
  const std::uint32_t failures = counts.failed + counts.canceled;
  switch (solution) {
    case kSolutionNone:
      ++counts.canceled;
      return false;
    case kUseServerCopy:
      need(server != nullptr);
      if (local != nullptr) {
        Tally(ModifyLocally(*server, *local), counts.localModified);
      } else {
        Tally(CreateLocally(*server), counts.localCreated);
      }
      break;
    case kUseLocalCopy:
      need(local != nullptr);
      if (server != nullptr) {
        Tally(ModifyOnServer(*local, *server), counts.serverModified);
      } else {
        Tally(CreateOnServer(*local), counts.serverCreated);
      }
      break;
    case kDeleteBothCopies:
      need(server != nullptr && local != nullptr);
      Tally(DeleteOnServer(*server), counts.serverDeleted);
      Tally(DeleteLocally(*local), counts.localDeleted);
      break;
    case kDeleteServerCopy:
      need(server != nullptr);
      Tally(DeleteOnServer(*server), counts.serverDeleted);
      break;
    case kDeleteLocalCopy:
      need(local != nullptr);
      Tally(DeleteLocally(*local), counts.localDeleted);
      break;
    default:
      CONTAVE_INTERNAL_FAILURE(module::kSynclib, kInvalidArg);
  }
  return counts.failed + counts.canceled == failures;
}

bool SyncPasses::AllowDeletions(Side side, std::uint32_t planned, std::uint32_t total) {
  if (!IsMassDeletion(planned, total)) return true;
  return questions_.ConfirmMassDeletion(side, planned, MassDeletionText(side, planned));
}

// A run that ended between creating an entry and linking it leaves an entry that holds the
// placeholder name and nothing else. Its contact is still unlinked locally and goes out anew, so
// copying the leftover would give the user a blank contact; it is removed instead.
bool SyncPasses::IsLeftover(const ServerContact& server) {
  if (server.displayName != kNewContactName) return false;
  AttributeList values;
  if (Failed(server_.LoadAttributes(server, values))) return false;
  return values.size() == 1 && EqualsNoCase(values[0].Name(), kCommonName) && values[0].Count() == 1 &&
         values[0].First() == kNewContactName;
}

bool SyncPasses::Protected(const LocalContact& local) const {
  return local.linked && unreadable_.count(local.serverId) != 0;
}

void SyncPasses::BeginPass1() {
  *statistics_ = SyncStatistics();
  const auto unreadable = server_.UnreadableIds();
  unreadable_ = std::set<std::int32_t>(unreadable.begin(), unreadable.end());
  progress_.EnableStop(true);
  progress_.ShowAction(kActionPass1);
  progress_.SetRange(static_cast<std::int32_t>(server_.Contacts().size()));
}

// Entries the server still has, readable or not, stay pending; the rest are done.
void SyncPasses::Reconcile() {
  std::vector<std::int32_t> present;
  for (const ServerContact& contact : server_.Contacts()) present.push_back(contact.id);
  present.insert(present.end(), unreadable_.begin(), unreadable_.end());
  local_.Deletions().Reconcile(present);
}

Status SyncPasses::RunTwoWay(SyncStatistics& statistics) {
  statistics_ = &statistics;
  BeginPass1();
  const auto contacts = server_.Contacts();
  DeleteList& deletions = local_.Deletions();

  // Plain deletions on the server that pass 1 will make, for the mass-deletion guard.
  std::uint32_t planned = 0;
  for (const ServerContact& contact : contacts) {
    std::int32_t recorded = 0;
    if (local_.FindLinked(contact.id) == nullptr && deletions.Lookup(contact.id, recorded) &&
        CompareRevisions(static_cast<std::uint32_t>(recorded), contact.revision) != RevisionOrder::kBelow)
      ++planned;
  }
  const bool deleteOnServer =
      AllowDeletions(Side::kServer, planned, static_cast<std::uint32_t>(contacts.size() + unreadable_.size()));

  bool completed = true;
  std::int32_t position = 0;
  for (const ServerContact& p : contacts) {
    progress_.SetPosition(++position);
    if (Stopped()) {
      completed = false;
      break;
    }
    if (LocalContact* w = local_.FindLinked(p.id)) {
      w->visited = true;
      const RevisionOrder server = CompareRevisions(p.revision, w->syncedRevision);
      const RevisionOrder local = CompareRevisions(w->localRevision, w->syncedRevision);
      using enum RevisionOrder;
      if (server == kAbove) {
        if (local == kAbove) Collide(ConflictKind::kBothModified, &p, w);
        if (local == kEqual) Tally(ModifyLocally(p, *w), statistics.localModified);
        if (local == kBelow) Collide(ConflictKind::kLocalCorruptedServerModified, &p, w);
      } else if (server == kEqual) {
        if (local == kAbove) Tally(ModifyOnServer(*w, p), statistics.serverModified);
        if (local == kBelow) Collide(ConflictKind::kLocalCorrupted, &p, w);
      } else {
        if (local == kAbove) Collide(ConflictKind::kLocalModifiedServerCorrupted, &p, w);
        if (local == kEqual) Collide(ConflictKind::kServerCorrupted, &p, w);
        if (local == kBelow) Collide(ConflictKind::kBothCorrupted, &p, w);
      }
      continue;
    }
    std::int32_t recorded = 0;
    if (deletions.Lookup(p.id, recorded)) {
      if (CompareRevisions(static_cast<std::uint32_t>(recorded), p.revision) == RevisionOrder::kBelow) {
        if (Collide(ConflictKind::kLocalDeletedServerModified, &p, nullptr)) deletions.MarkDone(p.id);
      } else if (!deleteOnServer) {
        ++statistics.canceled;
      } else {
        const Status status = DeleteOnServer(p);
        if (!Failed(status)) deletions.MarkDone(p.id);
        Tally(status, statistics.serverDeleted);
      }
      continue;
    }
    if (IsLeftover(p)) {
      Tally(server_.Delete(p), statistics.serverDeleted);
      continue;
    }
    Tally(CreateLocally(p), statistics.localCreated);
  }
  Reconcile();

  if (completed) {
    progress_.ShowAction(kActionPass2);
    const std::vector<LocalContact*> locals = local_.Contacts();
    progress_.SetRange(static_cast<std::int32_t>(locals.size()));
    planned = 0;
    for (const LocalContact* w : locals) {
      if (!w->deleted && !w->visited && !Protected(*w) && w->syncedRevision != 0 &&
          CompareRevisions(w->localRevision, w->syncedRevision) != RevisionOrder::kAbove)
        ++planned;
    }
    const bool deleteLocally =
        AllowDeletions(Side::kAddressBook, planned, static_cast<std::uint32_t>(local_.LoadedCount()));
    position = 0;
    for (LocalContact* w : locals) {
      progress_.SetPosition(++position);
      if (Stopped()) break;
      if (w->deleted || w->visited || Protected(*w)) continue;
      if (w->syncedRevision == 0) {
        Tally(CreateOnServer(*w), statistics.serverCreated);
      } else if (CompareRevisions(w->localRevision, w->syncedRevision) == RevisionOrder::kAbove) {
        Collide(ConflictKind::kLocalModifiedServerDeleted, nullptr, w);
      } else if (!deleteLocally) {
        ++statistics.canceled;
      } else {
        Tally(DeleteLocally(*w), statistics.localDeleted);
      }
    }
  }
  progress_.EnableStop(false);
  return local_.SaveStatus(SyncMode::kTwoWay, files_, progress_);
}

Status SyncPasses::RunOneWay(SyncStatistics& statistics) {
  statistics_ = &statistics;
  BeginPass1();
  bool completed = true;
  std::int32_t position = 0;
  for (const ServerContact& p : server_.Contacts()) {
    progress_.SetPosition(++position);
    if (Stopped()) {
      completed = false;
      break;
    }
    if (LocalContact* w = local_.FindLinked(p.id)) {
      w->visited = true;
      if (w->localRevision != p.revision || w->syncedRevision != p.revision)
        Tally(ModifyLocally(p, *w), statistics.localModified);
    } else {
      Tally(CreateLocally(p), statistics.localCreated);
    }
  }
  Reconcile();

  if (completed) {
    progress_.ShowAction(kActionPass2);
    const std::vector<LocalContact*> locals = local_.Contacts();
    progress_.SetRange(static_cast<std::int32_t>(locals.size()));
    std::uint32_t planned = 0;
    for (const LocalContact* w : locals) planned += (!w->deleted && !w->visited && !Protected(*w)) ? 1 : 0;
    const bool deleteLocally =
        AllowDeletions(Side::kAddressBook, planned, static_cast<std::uint32_t>(local_.LoadedCount()));
    position = 0;
    for (LocalContact* w : locals) {
      progress_.SetPosition(++position);
      if (Stopped()) break;
      if (w->deleted || w->visited || Protected(*w)) continue;
      if (!deleteLocally) {
        ++statistics.canceled;
      } else {
        Tally(DeleteLocally(*w), statistics.localDeleted);
      }
    }
  }
  progress_.EnableStop(false);
  return local_.SaveStatus(SyncMode::kOneWay, files_, progress_);
}

}  // namespace contave
