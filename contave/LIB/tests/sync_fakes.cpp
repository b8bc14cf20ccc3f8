#include "contave/LIB/tests/sync_fakes.h"

#include <algorithm>
#include <cstring>

#include "contave/LIB/mapi_tags.h"
#include "contave/LIB/text_compare.h"

namespace contave::test {
namespace {

EntryId KeyId(int key) {
  std::uint8_t bytes[4];
  std::memcpy(bytes, &key, 4);
  return EntryId(bytes, 4);
}

int IdKey(const EntryId& id) {
  if (id.Size() != 4) return -1;
  int key = 0;
  std::memcpy(&key, id.Data(), 4);
  return key;
}

class FakeStoredContact final : public StoredContact {
 public:
  FakeStoredContact(FakeAddressBook& book, int key, FakeAddressBook::Properties properties)
      : book_(book), key_(key), properties_(std::move(properties)) {}

  Status Get(std::uint32_t tag, PropertyValue& value) override {
    const auto found = properties_.find(tag);
    if (found == properties_.end()) return kMapiNotFound;
    value = found->second;
    return kOk;
  }
  Status Set(std::span<const PropertyValue> values) override {
    for (const PropertyValue& value : values) properties_[value.tag] = value;
    return kOk;
  }
  Status Delete(std::span<const std::uint32_t> tags) override {
    for (std::uint32_t tag : tags) properties_.erase(tag);
    return kOk;
  }
  Status Save() override { return book_.Commit(key_, properties_); }
  Status Stamp(EntryId& entryId, std::uint64_t& lastModification) override {
    const FakeAddressBook::Contact* contact = book_.Find(key_);
    if (contact == nullptr) return kMapiNotFound;
    if (!contact->hasModified) return kMapiNotFound;
    entryId = KeyId(key_);
    lastModification = contact->modified;
    return kOk;
  }

 private:
  FakeAddressBook& book_;
  int key_;  // 0 until a new contact is saved
  FakeAddressBook::Properties properties_;
};

}  // namespace

int FakeAddressBook::Add(const std::string& name, const std::string& comment) {
  const int key = nextKey_++;
  Contact& contact = contacts_[key];
  contact.properties[kPrDisplayName] = {kPrDisplayName, name};
  if (!comment.empty()) contact.properties[kPrComment] = {kPrComment, comment};
  contact.modified = ++clock_;
  return key;
}

void FakeAddressBook::Edit(int key, std::uint32_t tag, const std::string& value) {
  Contact& contact = contacts_.at(key);
  contact.properties[tag] = {tag, value};
  contact.modified = ++clock_;
}

void FakeAddressBook::SetRaw(int key, std::uint32_t tag, std::int32_t value) {
  contacts_.at(key).properties[tag] = {tag, value};
}

std::optional<int> FakeAddressBook::KeyOf(const std::string& name) const {
  for (const auto& [key, contact] : contacts_) {
    const auto found = contact.properties.find(kPrDisplayName);
    if (found != contact.properties.end() && std::get<std::string>(found->second.value) == name) return key;
  }
  return std::nullopt;
}

std::string FakeAddressBook::Text(int key, std::uint32_t tag) const {
  const auto& properties = contacts_.at(key).properties;
  const auto found = properties.find(tag);
  return found == properties.end() ? std::string() : std::get<std::string>(found->second.value);
}

std::optional<std::int32_t> FakeAddressBook::Long(int key, std::uint32_t tag) const {
  const auto& properties = contacts_.at(key).properties;
  const auto found = properties.find(tag);
  if (found == properties.end()) return std::nullopt;
  return std::get<std::int32_t>(found->second.value);
}

Status FakeAddressBook::OpenContents(std::uint32_t& rowCount) {
  rows_.clear();
  for (const auto& entry : contacts_) rows_.push_back(entry.first);
  cursor_ = 0;
  rowCount = static_cast<std::uint32_t>(rows_.size());
  return kOk;
}

Status FakeAddressBook::NextRow(ContentsRow& row, bool& end) {
  end = cursor_ == rows_.size();
  if (end) return kOk;
  const EntryId id = KeyId(rows_[cursor_++]);
  row.entryId.assign(id.Data(), id.Data() + id.Size());
  row.objectType = kMapiMailUser;
  return kOk;
}

Status FakeAddressBook::OpenContact(const EntryId& entryId, std::unique_ptr<StoredContact>& contact) {
  const int key = IdKey(entryId);
  const auto found = contacts_.find(key);
  if (found == contacts_.end()) return kMapiNotFound;
  contact = std::make_unique<FakeStoredContact>(*this, key, found->second.properties);
  return kOk;
}

Status FakeAddressBook::CreateContact(std::unique_ptr<StoredContact>& contact) {
  contact = std::make_unique<FakeStoredContact>(*this, 0, Properties());
  return kOk;
}

Status FakeAddressBook::DeleteContact(const EntryId& entryId) {
  const int key = IdKey(entryId);
  if (contacts_.count(key) == 0) return kMapiNotFound;
  if (plan_.Fails()) return kInjectedFault;
  contacts_.erase(key);
  ++saves;
  plan_.Done();
  return kOk;
}

Status FakeAddressBook::Commit(int& key, const Properties& properties) {
  if (key != 0 && contacts_.count(key) == 0) return MakeStatus(0x8004010A);  // MAPI: Object deleted
  if (plan_.Fails()) return kInjectedFault;
  if (key == 0) key = nextKey_++;
  Contact& contact = contacts_[key];
  contact.properties = properties;
  contact.modified = ++clock_;
  ++saves;
  plan_.Done();
  return kOk;
}

const FakeAddressBook::Contact* FakeAddressBook::Find(int key) const {
  const auto found = contacts_.find(key);
  return found == contacts_.end() ? nullptr : &found->second;
}

std::int32_t FakeDirectory::Add(const std::string& name, const std::string& comment) {
  const std::int32_t id = nextId_++;
  Entry& entry = entries_[id];
  entry.attributes.emplace_back("commonName");
  entry.attributes.back().Append(name);
  if (!comment.empty()) {
    entry.attributes.emplace_back("comment");
    entry.attributes.back().Append(comment);
  }
  return id;
}

void FakeDirectory::Edit(std::int32_t id, const std::string& attribute, const std::string& value) {
  Entry& entry = entries_.at(id);
  ContactAttribute* found = FindAttribute(entry.attributes, attribute);
  if (found == nullptr) {
    entry.attributes.emplace_back(attribute);
    found = &entry.attributes.back();
  }
  found->Clear();
  found->Append(value);
  ++entry.revision;
}

std::string FakeDirectory::Text(std::int32_t id, const std::string& attribute) const {
  const ContactAttribute* found = FindAttribute(entries_.at(id).attributes, attribute);
  return found ? found->First() : std::string();
}

void FakeDirectory::Load() {
  contacts_.clear();
  loadedUnreadable_.clear();
  for (const auto& [id, entry] : entries_) {
    if (std::find(unreadable.begin(), unreadable.end(), id) != unreadable.end()) {
      loadedUnreadable_.push_back(id);
      continue;
    }
    ServerContact contact;
    contact.id = id;
    contact.revision = entry.revision;
    contact.dn = "cn=" + std::to_string(id);
    const ContactAttribute* name = FindAttribute(entry.attributes, "commonName");
    contact.displayName = name ? name->First() : std::string();
    contacts_.push_back(std::move(contact));
  }
}

Status FakeDirectory::LoadAttributes(const ServerContact& contact, AttributeList& attributes) {
  const auto found = entries_.find(contact.id);
  if (found == entries_.end()) return LdapStatus(32);
  attributes = found->second.attributes;
  for (ContactAttribute& attribute : attributes) attribute.SetMark(ChangeMark::kUntouched);
  return kOk;
}

Status FakeDirectory::Delete(const ServerContact& contact) {
  if (entries_.count(contact.id) == 0) return LdapStatus(32);
  if (plan_.Fails()) return plan_.directoryFailure;
  entries_.erase(contact.id);
  ++writes;
  plan_.Done();
  return kOk;
}

Status FakeDirectory::Create(ServerContact& created) {
  if (plan_.Fails()) return plan_.directoryFailure;
  const std::int32_t id = nextId_++;
  Entry& entry = entries_[id];
  entry.attributes.emplace_back("commonName");
  entry.attributes.back().Append(kNewContactName);
  created.id = id;
  created.revision = entry.revision;
  created.dn = "cn=" + std::to_string(id);
  created.displayName = kNewContactName;
  ++writes;
  plan_.Done();
  return kOk;
}

Status FakeDirectory::Send(ServerContact& contact, const AttributeList& changes) {
  const auto found = entries_.find(contact.id);
  if (found == entries_.end()) return LdapStatus(32);
  // The directory takes a modification whole or not at all.
  AttributeList result = found->second.attributes;
  for (const ContactAttribute& change : changes) {
    ContactAttribute* current = FindAttribute(result, change.Name());
    switch (change.Mark()) {
      case ChangeMark::kDelete:
        if (current == nullptr) return LdapStatus(16);  // no such attribute
        result.erase(result.begin() + (current - result.data()));
        break;
      case ChangeMark::kAdd:
        if (current != nullptr) return LdapStatus(20);  // type or value exists
        result.push_back(change);
        break;
      case ChangeMark::kReplace:
        if (current == nullptr) {
          result.push_back(change);
        } else {
          *current = change;
        }
        break;
      default:
        return LdapStatus(2);
    }
  }
  for (std::size_t i = 0; i < changes.size(); ++i) {
    for (std::size_t j = i + 1; j < changes.size(); ++j) {
      if (EqualsNoCase(changes[i].Name(), changes[j].Name())) return LdapStatus(20);
    }
  }
  for (const ContactAttribute& attribute : result) {
    for (std::size_t i = 0; i < attribute.Count(); ++i) {
      for (std::size_t j = i + 1; j < attribute.Count(); ++j) {
        if (EqualsNoCase(attribute.Values()[i], attribute.Values()[j])) return LdapStatus(20);
      }
    }
  }
  if (plan_.Fails()) return plan_.directoryFailure;
  for (ContactAttribute& attribute : result) attribute.SetMark(ChangeMark::kUntouched);
  found->second.attributes = std::move(result);
  contact.revision = ++found->second.revision;
  sent.push_back(changes);
  ++writes;
  plan_.Done();
  return kOk;
}

namespace {

class StopAtAction final : public ProgressReporter {
 public:
  StopAtAction(const char* action, StopFlag& stop) : action_(action), stop_(stop) {}
  void ShowAction(const char* text) override {
    if (action_ != nullptr && std::string(text) == action_) stop_.Request();
  }
  void EnableStop(bool) override {}
  void SetRange(std::int32_t) override {}
  void SetPosition(std::int32_t) override {}

 private:
  const char* action_;
  StopFlag& stop_;
};

}  // namespace

SyncWorld::Outcome SyncWorld::Run(SyncMode mode) {
  Outcome outcome;
  StopAtAction progress(stopAtAction, stop);
  LocalFolder local;
  directory.Load();
  try {
    outcome.load = local.Load(book, kStatusPath, dn, false, files, progress, stop, questions);
    if (Failed(outcome.load)) return outcome;
    SyncPasses passes(local, directory, questions, progress, stop, files, settings);
    outcome.save = mode == SyncMode::kTwoWay ? passes.RunTwoWay(outcome.statistics)
                                             : passes.RunOneWay(outcome.statistics);
  } catch (const Crash&) {
    outcome.crashed = true;
  }
  if (local.Loaded()) local.Unload();
  return outcome;
}

std::multimap<std::string, std::string> LocalView(const FakeAddressBook& book) {
  std::multimap<std::string, std::string> view;
  for (const auto& [key, contact] : book.Contacts()) view.emplace(book.Text(key, kPrDisplayName), book.Text(key, kPrComment));
  return view;
}

std::multimap<std::string, std::string> ServerView(const FakeDirectory& directory) {
  std::multimap<std::string, std::string> view;
  for (const auto& [id, entry] : directory.Entries()) view.emplace(directory.Text(id, "commonName"), directory.Text(id, "comment"));
  return view;
}

}  // namespace contave::test
