// WABPROXY: loading a folder against its status, and the contact operations of the passes.
#include "contave/LIB/local_folder.h"

#include <array>

#include "contave/LIB/contact_mapping.h"
#include "contave/LIB/internal_failure.h"
#include "contave/LIB/mapi_tags.h"

namespace contave {
namespace {

bool WarningFor(Status status, StatusWarning& warning) {
  switch (status) {
    case kCveInvalidStatusFile:
      warning = StatusWarning::kInvalid;
      return true;
    case kCveStatusVersion:
      warning = StatusWarning::kVersion;
      return true;
    case kCveStatusCorrupted:
      warning = StatusWarning::kCorrupted;
      return true;
    default:
      return false;
  }
}

Status ReadLong(PropertyBag& bag, std::uint32_t tag, bool& present, std::int32_t& value) {
  PropertyValue property;
  const Status status = bag.Get(tag, property);
  present = false;
  if (status == kMapiNotFound) return kOk;
  if (Failed(status)) return status;
  if (const auto* number = std::get_if<std::int32_t>(&property.value)) {
    present = true;
    value = *number;
  }
  return kOk;
}

PropertyValue Long(std::uint32_t tag, std::uint32_t value) { return {tag, static_cast<std::int32_t>(value)}; }

// The status records of the contacts as the engine knows them, for the status file.
class KnownContacts final : public ContentsTable {
 public:
  explicit KnownContacts(std::vector<LocalContact*> contacts) : contacts_(std::move(contacts)) {}

  Status Open(std::uint32_t& rowCount) override {
    rowCount = static_cast<std::uint32_t>(contacts_.size());
    next_ = 0;
    return kOk;
  }
  Status Next(ContentsRow& row, bool& end) override {
    end = next_ == contacts_.size();
    if (end) return kOk;
    current_ = contacts_[next_++];
    row.entryId.assign(current_->entryId.Data(), current_->entryId.Data() + current_->entryId.Size());
    row.objectType = kMapiMailUser;
    return kOk;
  }
  Status ReadStamp(const EntryId&, ContactStamp& stamp) override {
    stamp.serverId = current_->linked ? current_->serverId : -1;
    stamp.syncedRevision = static_cast<std::int32_t>(current_->syncedRevision);
    stamp.lastModification = current_->lastModification;
    return kOk;
  }

 private:
  std::vector<LocalContact*> contacts_;
  std::size_t next_ = 0;
  LocalContact* current_ = nullptr;
};

}  // namespace

Status LocalFolder::Load(AddressBookStore& store, const std::string& statusPath, const std::string& folderDn,
                         bool folderFlag, FileSystem& files, ProgressReporter& progress, const StopFlag& stop,
                         StatusQuestion& question) {
  if (Loaded()) CONTAVE_INTERNAL_FAILURE(module::kWabproxy, kUnexpected);
  store_ = &store;
  statusPath_ = statusPath;
  folderDn_ = folderDn;
  folderFlag_ = folderFlag;

  bool resetLinks = false;
  Status status = CheckStatus(files, question, resetLinks);
  if (!Failed(status) && resetLinks) status = ResetLinks(files, progress, stop);
  if (!Failed(status)) status = LoadStatus(files, progress, question);

  EntryIdSet present;
  if (!Failed(status)) {
    progress.ShowAction(kActionLoadingWabContent);
    progress.EnableStop(true);
    std::uint32_t rowCount = 0;
    status = store.OpenContents(rowCount);
    if (status == kMapiNotFound) {
      status = kOk;
    } else if (!Failed(status)) {
      progress.SetRange(static_cast<std::int32_t>(rowCount));
      std::int32_t position = 0;
      for (;;) {
        ContentsRow row;
        bool end = false;
        if (status = store.NextRow(row, end); Failed(status) || end) break;
        if (row.objectType == kMapiMailUser && !row.entryId.empty()) {
          EntryId entryId(row.entryId.data(), row.entryId.size());
          if (status = ReadContact(entryId); Failed(status)) break;
          present.Insert(std::move(entryId));
        }
        progress.SetPosition(++position);
        if (stop.Requested()) {
          status = kCveCanceled;
          break;
        }
      }
    }
    progress.EnableStop(false);
  }
  if (Failed(status)) {
    Unload();
    return status;
  }
  deletions_.Build(status_, present);
  loadedCount_ = contacts_.size();
  return kOk;
}

// The identity check. A damaged file, answered Yes, is only removed: the contacts keep their
// links and are found again by server id, so nothing is copied twice. A file of another server
// folder, answered Yes, resets every link.
Status LocalFolder::CheckStatus(FileSystem& files, StatusQuestion& question, bool& resetLinks) {
  bool consistent = false;
  const Status status = CheckFolderIdentity(statusPath_, folderDn_, folderFlag_, files, consistent);
  StatusWarning warning;
  if (WarningFor(status, warning)) {
    if (!question.AskReset(warning)) return status;
    const Status removed = files.Remove(statusPath_);
    return IsMissingFile(removed) ? kOk : removed;
  }
  if (Failed(status)) return status;
  if (consistent) return kOk;
  if (!question.AskReset(StatusWarning::kOtherFolder)) return kCveInconsistentStatus;
  resetLinks = true;
  return kOk;
}

Status LocalFolder::LoadStatus(FileSystem& files, ProgressReporter& progress, StatusQuestion& question) {
  Status status = status_.Load(statusPath_, files, progress);
  StatusWarning warning;
  if (!WarningFor(status, warning)) return status;
  if (!question.AskReset(warning)) return status;
  status = files.Remove(statusPath_);
  if (Failed(status) && !IsMissingFile(status)) return status;
  return status_.Load(statusPath_, files, progress);
}

Status LocalFolder::ResetLinks(FileSystem& files, ProgressReporter& progress, const StopFlag& stop) {
  progress.ShowAction(kActionResettingStatus);
  progress.EnableStop(false);
  Status status = files.Remove(statusPath_);
  if (Failed(status) && !IsMissingFile(status)) return status;
  std::uint32_t rowCount = 0;
  status = store_->OpenContents(rowCount);
  if (status == kMapiNotFound) return kOk;
  if (Failed(status)) return status;
  progress.SetRange(static_cast<std::int32_t>(rowCount));
  std::int32_t position = 0;
  static constexpr std::array<std::uint32_t, 3> kLinkProperties = {kPrContaveServerId, kPrContaveSyncedRev,
                                                                   kPrContaveLocalRev};
  for (;;) {
    ContentsRow row;
    bool end = false;
    if (status = store_->NextRow(row, end); Failed(status)) return status;
    if (end) return kOk;
    if (row.objectType == kMapiMailUser && !row.entryId.empty()) {
      std::unique_ptr<StoredContact> contact;
      if (status = store_->OpenContact(EntryId(row.entryId.data(), row.entryId.size()), contact); Failed(status))
        return status;
      if (status = contact->Delete(kLinkProperties); Failed(status)) return status;
      if (status = contact->Save(); Failed(status)) return status;
    }
    progress.SetPosition(++position);
    if (stop.Requested()) return kCveCanceled;
  }
}

Status LocalFolder::ReadContact(const EntryId& entryId) {
  std::unique_ptr<StoredContact> opened;
  if (Status status = store_->OpenContact(entryId, opened); Failed(status)) return status;
  auto contact = std::make_unique<LocalContact>();
  contact->entryId = entryId;

  bool hasId = false, hasSynced = false, hasLocal = false;
  std::int32_t id = -1, synced = 0, local = 0;
  if (Status status = ReadLong(*opened, kPrContaveServerId, hasId, id); Failed(status)) return status;
  if (Status status = ReadLong(*opened, kPrContaveSyncedRev, hasSynced, synced); Failed(status)) return status;
  if (Status status = ReadLong(*opened, kPrContaveLocalRev, hasLocal, local); Failed(status)) return status;
  EntryId stampedId;
  if (Status status = opened->Stamp(stampedId, contact->lastModification); Failed(status))
    return status == kMapiNotFound ? kMapiCorruptData : status;

  contact->linked = hasId && id != -1;
  contact->serverId = contact->linked ? id : -1;
  contact->syncedRevision = hasSynced ? static_cast<std::uint32_t>(synced) : 0;
  bool write = !hasSynced;
  if (!hasLocal) {
    contact->localRevision = 1;
    write = true;
  } else {
    contact->localRevision = static_cast<std::uint32_t>(local);
    const StatusRecord* record = status_.Find(entryId);
    if (record == nullptr || record->lastModification < contact->lastModification) {
      ++contact->localRevision;
      write = true;
    }
  }
  if (contact->linked && linked_.count(contact->serverId) != 0) return kMapiCorruptData;
  if (write) {
    const std::array<PropertyValue, 2> values = {Long(kPrContaveLocalRev, contact->localRevision),
                                                 Long(kPrContaveSyncedRev, contact->syncedRevision)};
    if (Status status = opened->Set(values); Failed(status)) return status;
    if (Status status = SaveAndStamp(*opened, *contact); Failed(status)) return status;
  }
  Index(*contact);
  contacts_.push_back(std::move(contact));
  return kOk;
}

void LocalFolder::Unload() {
  if (!Loaded()) CONTAVE_INTERNAL_FAILURE(module::kWabproxy, kUnexpected);
  deletions_.Clear();
  status_.Clear();
  contacts_.clear();
  linked_.clear();
  loadedCount_ = 0;
  store_ = nullptr;
}

std::vector<LocalContact*> LocalFolder::Contacts() {
  std::vector<LocalContact*> ordered;
  ordered.reserve(contacts_.size());
  for (const auto& contact : contacts_) {
    if (!contact->linked) ordered.push_back(contact.get());
  }
  for (const auto& entry : linked_) ordered.push_back(entry.second);
  return ordered;
}

LocalContact* LocalFolder::FindLinked(std::int32_t serverId) {
  const auto found = linked_.find(serverId);
  return found == linked_.end() || found->second->deleted ? nullptr : found->second;
}

void LocalFolder::Index(LocalContact& contact) {
  if (contact.linked) linked_[contact.serverId] = &contact;
}

void LocalFolder::Unindex(LocalContact& contact) {
  if (!contact.linked) return;
  const auto found = linked_.find(contact.serverId);
  if (found != linked_.end() && found->second == &contact) linked_.erase(found);
}

Status LocalFolder::SaveAndStamp(StoredContact& opened, LocalContact& contact) {
  if (Status status = opened.Save(); Failed(status)) return status;
  EntryId entryId;
  std::uint64_t modified = 0;
  if (Status status = opened.Stamp(entryId, modified); Failed(status)) return status;
  if (contact.entryId.Empty()) contact.entryId = std::move(entryId);
  contact.lastModification = modified;
  return kOk;
}

std::string LocalFolder::DisplayName(LocalContact& contact) {
  std::unique_ptr<StoredContact> opened;
  if (Failed(store_->OpenContact(contact.entryId, opened))) return {};
  PropertyValue value;
  if (Failed(opened->Get(kPrDisplayName, value))) return {};
  const auto* text = std::get_if<std::string>(&value.value);
  return text ? *text : std::string();
}

Status LocalFolder::Delete(LocalContact& contact) {
  if (contact.deleted) CONTAVE_INTERNAL_FAILURE(module::kWabproxy, kUnexpected);
  if (Status status = store_->DeleteContact(contact.entryId); Failed(status)) return status;
  contact.deleted = true;
  Unindex(contact);
  return kOk;
}

Status LocalFolder::CreateFromServer(const AttributeList& values, std::int32_t serverId, std::uint32_t revision,
                                     LocalContact*& created) {
  if (serverId == -1 || FindLinked(serverId) != nullptr) CONTAVE_INTERNAL_FAILURE(module::kWabproxy, kInvalidArg);
  std::unique_ptr<StoredContact> opened;
  if (Status status = store_->CreateContact(opened); Failed(status)) return status;
  // Values, link and revisions go into the one save that brings the contact into being.
  if (Status status = WriteDirectoryValues(values, *opened); Failed(status)) return status;
  const std::array<PropertyValue, 3> link = {PropertyValue{kPrContaveServerId, serverId},
                                             Long(kPrContaveSyncedRev, revision), Long(kPrContaveLocalRev, revision)};
  if (Status status = opened->Set(link); Failed(status)) return status;
  auto contact = std::make_unique<LocalContact>();
  if (Status status = SaveAndStamp(*opened, *contact); Failed(status)) {
    // The save may have gone through before the identifier could be read: take it back.
    if (!contact->entryId.Empty()) store_->DeleteContact(contact->entryId);
    return status;
  }
  contact->linked = true;
  contact->serverId = serverId;
  contact->syncedRevision = revision;
  contact->localRevision = revision;
  contact->visited = true;
  Index(*contact);
  created = contact.get();
  contacts_.push_back(std::move(contact));
  return kOk;
}

Status LocalFolder::ModifyFromServer(LocalContact& contact, const AttributeList& values, std::uint32_t revision) {
  std::unique_ptr<StoredContact> opened;
  if (Status status = store_->OpenContact(contact.entryId, opened); Failed(status)) return status;
  const std::array<PropertyValue, 2> revisions = {Long(kPrContaveLocalRev, revision),
                                                  Long(kPrContaveSyncedRev, revision)};
  if (Status status = opened->Set(revisions); Failed(status)) return status;
  if (Status status = WriteDirectoryValues(values, *opened); Failed(status)) return status;
  if (Status status = SaveAndStamp(*opened, contact); Failed(status)) return status;
  contact.syncedRevision = revision;
  contact.localRevision = revision;
  return kOk;
}

Status LocalFolder::Open(LocalContact& contact, std::unique_ptr<StoredContact>& opened) {
  return store_->OpenContact(contact.entryId, opened);
}

Status LocalFolder::SetLink(LocalContact& contact, std::int32_t serverId, std::uint32_t syncedRevision,
                            std::uint32_t localRevision) {
  if (serverId == -1) CONTAVE_INTERNAL_FAILURE(module::kWabproxy, kInvalidArg);
  LocalContact* other = FindLinked(serverId);
  if (other != nullptr && other != &contact) CONTAVE_INTERNAL_FAILURE(module::kWabproxy, kInvalidArg);
  std::unique_ptr<StoredContact> opened;
  if (Status status = store_->OpenContact(contact.entryId, opened); Failed(status)) return status;
  const std::array<PropertyValue, 3> link = {PropertyValue{kPrContaveServerId, serverId},
                                             Long(kPrContaveSyncedRev, syncedRevision),
                                             Long(kPrContaveLocalRev, localRevision)};
  if (Status status = opened->Set(link); Failed(status)) return status;
  if (Status status = SaveAndStamp(*opened, contact); Failed(status)) return status;
  Unindex(contact);
  contact.linked = true;
  contact.serverId = serverId;
  contact.syncedRevision = syncedRevision;
  contact.localRevision = localRevision;
  Index(contact);
  return kOk;
}

Status LocalFolder::ClearLink(LocalContact& contact) {
  std::unique_ptr<StoredContact> opened;
  if (Status status = store_->OpenContact(contact.entryId, opened); Failed(status)) return status;
  const std::uint32_t local = contact.localRevision == 0 ? 1 : contact.localRevision;
  const std::uint32_t serverId = kPrContaveServerId;
  if (Status status = opened->Delete(std::span<const std::uint32_t>(&serverId, 1)); Failed(status)) return status;
  const std::array<PropertyValue, 2> revisions = {Long(kPrContaveSyncedRev, 0), Long(kPrContaveLocalRev, local)};
  if (Status status = opened->Set(revisions); Failed(status)) return status;
  if (Status status = SaveAndStamp(*opened, contact); Failed(status)) return status;
  Unindex(contact);
  contact.linked = false;
  contact.serverId = -1;
  contact.syncedRevision = 0;
  contact.localRevision = local;
  return kOk;
}

Status LocalFolder::SaveStatus(SyncMode mode, FileSystem& files, ProgressReporter& progress) {
  std::vector<LocalContact*> present;
  for (const auto& contact : contacts_) {
    if (!contact->deleted) present.push_back(contact.get());
  }
  KnownContacts known(std::move(present));
  return contave::SaveStatus(status_, mode, deletions_, known, statusPath_, folderDn_, folderFlag_, files, progress);
}

}  // namespace contave
