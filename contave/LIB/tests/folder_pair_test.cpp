// One folder pair from the settings to its FolderResult, with the sides in memory.
#include <gtest/gtest.h>

#include "contave/LIB/folder_pair.h"
#include "contave/LIB/status_codes.h"
#include "contave/LIB/tests/sync_fakes.h"

namespace contave::test {
namespace {

// Hands out the world's address book under one folder name, without owning it.
class BookFolders final : public AddressBookFolders {
 public:
  explicit BookFolders(FakeAddressBook& book) : book_(book) {}
  Status Open(const std::string& name, std::unique_ptr<AddressBookStore>& folder, EntryId& folderId) override {
    if (name != "Velor Private") return kCveNoWabFolder;
    folder = std::make_unique<Forward>(book_);
    const std::uint8_t id[] = {1, 2, 3};
    folderId = EntryId(id, sizeof id);
    return kOk;
  }

 private:
  class Forward final : public AddressBookStore {
   public:
    explicit Forward(FakeAddressBook& book) : book_(book) {}
    Status OpenContents(std::uint32_t& rows) override { return book_.OpenContents(rows); }
    Status NextRow(ContentsRow& row, bool& end) override { return book_.NextRow(row, end); }
    Status OpenContact(const EntryId& id, std::unique_ptr<StoredContact>& c) override {
      return book_.OpenContact(id, c);
    }
    Status CreateContact(std::unique_ptr<StoredContact>& c) override { return book_.CreateContact(c); }
    Status DeleteContact(const EntryId& id) override { return book_.DeleteContact(id); }

   private:
    FakeAddressBook& book_;
  };
  FakeAddressBook& book_;
};

class DirectoryFolder final : public DirectoryFolders {
 public:
  explicit DirectoryFolder(FakeDirectory& directory) : directory_(directory) {}
  Status refusal = kOk;
  Status Open(const DirectoryLogin&, const std::string&, int, ProgressReporter&, const StopFlag&,
              std::unique_ptr<DirectorySide>& folder) override {
    if (Failed(refusal)) return refusal;
    directory_.Load();
    folder = std::make_unique<Forward>(directory_);
    return kOk;
  }

 private:
  class Forward final : public DirectorySide {
   public:
    explicit Forward(FakeDirectory& d) : d_(d) {}
    std::span<const ServerContact> Contacts() const override { return d_.Contacts(); }
    std::span<const std::int32_t> UnreadableIds() const override { return d_.UnreadableIds(); }
    Status LoadAttributes(const ServerContact& c, AttributeList& a) override { return d_.LoadAttributes(c, a); }
    Status Delete(const ServerContact& c) override { return d_.Delete(c); }
    Status Create(ServerContact& c) override { return d_.Create(c); }
    Status Send(ServerContact& c, const AttributeList& a) override { return d_.Send(c, a); }

   private:
    FakeDirectory& d_;
  };
  FakeDirectory& directory_;
};

class FolderPairTest : public ::testing::Test {
 protected:
  SyncWorld world;
  BookFolders folders{world.book};
  DirectoryFolder directory{world.directory};
  SilentProgress progress;
  RunSettings settings{{"127.0.0.1", "anna", "demo"}, 3, {true, CollisionMethod::kServerPreferred}, "data"};
  FolderSettings pair{true, "fn=Contacts,fn=Personal,fn=ContactRoot", "Velor Private", false, false};

  FolderResult Run() {
    FolderPairContext context{folders, directory, world.questions, world.questions, progress, nullptr,
                              world.stop, world.files};
    return RunFolderPair(settings, pair, FolderPhase::kPrivate, context);
  }
};

TEST_F(FolderPairTest, RunsThePassesOfThePairsModeAndWritesTheStatusBesideTheData) {
  world.book.Add("Z");
  world.directory.Add("X");
  FolderResult result = Run();
  EXPECT_TRUE(result.attempted);
  EXPECT_TRUE(result.succeeded);
  EXPECT_EQ(result.errorCode, kOk);
  EXPECT_TRUE(result.message.empty());
  EXPECT_EQ(result.statistics.serverCreated, 1u);
  EXPECT_EQ(result.statistics.localCreated, 1u);
  std::string path;
  ASSERT_EQ(StatusFilePath("data", EntryId(std::array<std::uint8_t, 3>{1, 2, 3}.data(), 3), path), kOk);
  EXPECT_TRUE(world.files.memory.Exists(path));

  // One-way: the contact made only locally goes, the server's stays.
  world.book.Add("Only here");
  pair.oneWay = true;
  result = Run();
  EXPECT_TRUE(result.succeeded);
  EXPECT_EQ(result.statistics.localDeleted, 1u);
  EXPECT_EQ(result.statistics.serverCreated, 0u);

  pair.enabled = false;
  result = Run();
  EXPECT_FALSE(result.attempted);
  EXPECT_FALSE(result.succeeded);
}

TEST_F(FolderPairTest, EachStageThatFailsNamesItselfAndTheError) {
  pair.addressBookFolder = "Nowhere";
  FolderResult result = Run();
  EXPECT_TRUE(result.attempted);
  EXPECT_FALSE(result.succeeded);
  EXPECT_EQ(result.message, "Can't open WAB folder 'Nowhere'");
  EXPECT_EQ(result.errorCode, kCveNoWabFolder);
  EXPECT_FALSE(result.errorDescription.empty());

  pair.addressBookFolder = "Velor Private";
  directory.refusal = LdapStatus(49);
  result = Run();
  EXPECT_EQ(result.message, "Can't load LDAP content");
  EXPECT_EQ(result.errorCode, LdapStatus(49));
  EXPECT_FALSE(result.succeeded);

  // A damaged status file, and the user will not reset it.
  directory.refusal = kOk;
  std::string path;
  ASSERT_EQ(StatusFilePath("data", EntryId(std::array<std::uint8_t, 3>{1, 2, 3}.data(), 3), path), kOk);
  world.files.memory.Put(path, std::vector<std::uint8_t>(120, 0x55));
  world.questions.reset = false;
  result = Run();
  EXPECT_EQ(result.message, "Can't load WAB content");
  EXPECT_FALSE(result.succeeded);
  EXPECT_FALSE(world.questions.warnings.empty());
}

TEST_F(FolderPairTest, StatusThatCannotBeWrittenIsAFailureThatKeepsTheStatistics) {
  world.book.Add("Z");
  world.plan.mode = FaultPlan::Mode::kFail;
  // The load saves Z once; creating it on the server adds, links, sends and records the revision.
  world.plan.at = world.plan.count + 6;
  FolderResult result = Run();
  EXPECT_TRUE(result.attempted);
  EXPECT_FALSE(result.succeeded);
  EXPECT_EQ(result.message, "Can't save synchronization status");
  EXPECT_EQ(result.errorCode, SystemStatus(kErrorDiskFull));
  EXPECT_EQ(result.statistics.serverCreated, 1u);
}

}  // namespace
}  // namespace contave::test
