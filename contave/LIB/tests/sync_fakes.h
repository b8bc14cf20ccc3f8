// An address book and a directory in memory for the engine's tests, sharing one plan of faults:
// every side effect (a contact saved or deleted, an entry created, changed or deleted, the
// status file written) is numbered, and the chosen one fails or ends the run right after it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "contave/LIB/address_book_store.h"
#include "contave/LIB/directory_side.h"
#include "contave/LIB/memory_file_system.h"
#include "contave/LIB/sync_passes.h"

namespace contave::test {

// Thrown when the plan says the process dies right after a side effect.
struct Crash {};

struct FaultPlan {
  enum class Mode { kNone, kFail, kCrashAfter };
  Mode mode = Mode::kNone;
  int at = -1;      // the side effect that fails or is the last one
  int count = 0;    // side effects so far
  // What a failing directory operation answers: a refusal by default, or a lost connection.
  Status directoryFailure = LdapStatus(80);
  // Call before a side effect: true when it must fail instead.
  bool Fails() {
    ++count;
    return mode == Mode::kFail && count == at;
  }
  // Call after a side effect took place.
  void Done() {
    if (mode == Mode::kCrashAfter && count == at) throw Crash();
  }
};

inline const Status kInjectedFault = MakeStatus(0x80040116);  // MAPI: Disk error

class FakeAddressBook final : public AddressBookStore {
 public:
  using Properties = std::map<std::uint32_t, PropertyValue>;
  struct Contact {
    Properties properties;
    std::uint64_t modified = 0;
    bool hasModified = true;
  };

  explicit FakeAddressBook(FaultPlan& plan) : plan_(plan) {}

  // What a user does in the address book; each edit gets a later modification time.
  int Add(const std::string& name, const std::string& comment = {});
  void Edit(int key, std::uint32_t tag, const std::string& value);
  void Remove(int key) { contacts_.erase(key); }
  // Changes properties without a new modification time (tests setting revisions directly).
  void SetRaw(int key, std::uint32_t tag, std::int32_t value);

  std::map<int, Contact>& Contacts() { return contacts_; }
  const std::map<int, Contact>& Contacts() const { return contacts_; }
  std::optional<int> KeyOf(const std::string& name) const;
  std::string Text(int key, std::uint32_t tag) const;
  std::optional<std::int32_t> Long(int key, std::uint32_t tag) const;
  int saves = 0;

  Status OpenContents(std::uint32_t& rowCount) override;
  Status NextRow(ContentsRow& row, bool& end) override;
  Status OpenContact(const EntryId& entryId, std::unique_ptr<StoredContact>& contact) override;
  Status CreateContact(std::unique_ptr<StoredContact>& contact) override;
  Status DeleteContact(const EntryId& entryId) override;

  // Used by the stored contacts.
  Status Commit(int& key, const Properties& properties);
  const Contact* Find(int key) const;

 private:
  FaultPlan& plan_;
  std::map<int, Contact> contacts_;
  std::vector<int> rows_;
  std::size_t cursor_ = 0;
  int nextKey_ = 1;
  std::uint64_t clock_ = 1000;
};

class FakeDirectory final : public DirectorySide {
 public:
  struct Entry {
    std::uint32_t revision = 1;
    AttributeList attributes;
  };

  explicit FakeDirectory(FaultPlan& plan) : plan_(plan) {}

  // What other clients do on the server; each change raises the revision.
  std::int32_t Add(const std::string& name, const std::string& comment = {});
  void Edit(std::int32_t id, const std::string& attribute, const std::string& value);
  void Remove(std::int32_t id) { entries_.erase(id); }
  void SetRevision(std::int32_t id, std::uint32_t revision) { entries_.at(id).revision = revision; }
  void SetNextId(std::int32_t id) { nextId_ = id; }
  // Entries the folder holds but cannot read: kept in the entries, left out of the contacts.
  std::vector<std::int32_t> unreadable;

  std::map<std::int32_t, Entry>& Entries() { return entries_; }
  const std::map<std::int32_t, Entry>& Entries() const { return entries_; }
  std::string Text(std::int32_t id, const std::string& attribute) const;
  // The folder as a load sees it now.
  void Load();
  int writes = 0;

  std::span<const ServerContact> Contacts() const override { return contacts_; }
  std::span<const std::int32_t> UnreadableIds() const override { return loadedUnreadable_; }
  Status LoadAttributes(const ServerContact& contact, AttributeList& attributes) override;
  Status Delete(const ServerContact& contact) override;
  Status Create(ServerContact& created) override;
  Status Send(ServerContact& contact, const AttributeList& changes) override;
  // Every change sent, for tests of what goes over the wire.
  std::vector<AttributeList> sent;

 private:
  FaultPlan& plan_;
  std::map<std::int32_t, Entry> entries_;
  std::vector<ServerContact> contacts_;
  std::vector<std::int32_t> loadedUnreadable_;
  std::int32_t nextId_ = 0x100;
};

// Answers every question as told and remembers what was asked.
class ScriptedQuestions final : public SyncQuestions, public StatusQuestion {
 public:
  ConfirmAnswer confirm = ConfirmAnswer::kYes;
  Solution solution = kSolutionNone;  // none: take the preselected one
  bool massDeletion = false;
  bool reset = true;
  std::vector<OperationKind> confirmations;
  std::vector<ConflictKind> collisions;
  std::vector<std::string> massDeletions;
  std::vector<StatusWarning> warnings;

  ConfirmAnswer Confirm(OperationKind kind, const std::string&) override {
    confirmations.push_back(kind);
    return confirm;
  }
  Solution DecideCollision(ConflictKind kind, const std::string&, const std::string&, std::uint32_t,
                           Solution preselected) override {
    collisions.push_back(kind);
    return solution == kSolutionNone ? preselected : solution;
  }
  bool ConfirmMassDeletion(Side, std::uint32_t, const std::string& text) override {
    massDeletions.push_back(text);
    return massDeletion;
  }
  bool AskReset(StatusWarning warning) override {
    warnings.push_back(warning);
    return reset;
  }
};

// Status files in memory; putting the new file in place is the status write's side effect.
class PlannedFileSystem final : public FileSystem {
 public:
  explicit PlannedFileSystem(FaultPlan& plan) : plan_(plan) {}
  MemoryFileSystem memory;
  Status OpenRead(const std::string& path, std::unique_ptr<InputFile>& file) override {
    return memory.OpenRead(path, file);
  }
  Status Create(const std::string& path, std::unique_ptr<OutputFile>& file) override {
    return memory.Create(path, file);
  }
  Status Replace(const std::string& source, const std::string& target) override {
    if (plan_.Fails()) return SystemStatus(kErrorDiskFull);
    const Status status = memory.Replace(source, target);
    plan_.Done();
    return status;
  }
  Status Remove(const std::string& path) override { return memory.Remove(path); }

 private:
  FaultPlan& plan_;
};

// One folder pair: the two sides, the status files, and a run over them.
struct SyncWorld {
  FaultPlan plan;
  FakeAddressBook book{plan};
  FakeDirectory directory{plan};
  PlannedFileSystem files{plan};
  ScriptedQuestions questions;
  SyncSettings settings{true, CollisionMethod::kServerPreferred};
  StopFlag stop;
  std::string dn = "fn=Contacts,fn=Personal,fn=ContactRoot";
  // When set, Stop is requested as the run shows this action.
  const char* stopAtAction = nullptr;
  static constexpr char kStatusPath[] = "status.CTV";

  struct Outcome {
    Status load = kOk;
    Status save = kOk;
    SyncStatistics statistics;
    bool crashed = false;
  };
  Outcome Run(SyncMode mode = SyncMode::kTwoWay);
};

// The contacts of each side by display name and their comment, for comparing the sides.
std::multimap<std::string, std::string> LocalView(const FakeAddressBook& book);
std::multimap<std::string, std::string> ServerView(const FakeDirectory& directory);

}  // namespace contave::test
