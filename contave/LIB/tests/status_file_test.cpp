#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contave/LIB/delete_list.h"
#include "contave/LIB/memory_file_system.h"
#include "contave/LIB/status_file.h"
#include "contave/LIB/status_format.h"
#include "contave/LIB/tests/status_bytes.h"
#include "contave/LIB/tests/test_support.h"

namespace contave {
namespace {

constexpr char kPath[] = "status.CTV";
constexpr char kDn[] = "fn=Contacts,fn=Personal,fn=ContactRoot";

StatusRecord Record(std::vector<std::uint8_t> id, std::int32_t serverId, std::int32_t revision, std::uint64_t time) {
  StatusRecord record;
  record.entryId = EntryId(id.data(), id.size());
  record.serverId = serverId;
  record.syncedRevision = revision;
  record.lastModification = time;
  return record;
}

class RecordingProgress final : public ProgressReporter {
 public:
  void ShowAction(const char* text) override { actions.emplace_back(text); }
  void EnableStop(bool enabled) override { stopEnabled = enabled; }
  void SetRange(std::int32_t range) override { ranges.push_back(range); }
  void SetPosition(std::int32_t position) override { lastPosition = position; }

  std::vector<std::string> actions;
  std::vector<std::int32_t> ranges;
  std::int32_t lastPosition = 0;
  bool stopEnabled = true;
};

class StatusFileTest : public ::testing::Test {
 protected:
  MemoryFileSystem::Bytes WriteTwoRecords() {
    StatusFile status;
    status.Insert(Record({0x01, 0x03}, 0x1A, 4, 0x01D0000012345678));
    status.Insert(Record({0x01, 0x02}, -1, 0, 7));
    EXPECT_EQ(status.Write(kPath, kDn, false, files, progress), kOk);
    return files.Contents(kPath);
  }

  Status LoadBytes(MemoryFileSystem::Bytes bytes, StatusFile& status) {
    files.Put(kPath, std::move(bytes));
    return status.Load(kPath, files, progress);
  }

  MemoryFileSystem files;
  RecordingProgress progress;
  test::CatchInternalFailures catcher;
};

TEST_F(StatusFileTest, WrittenRecordsLoadBackInEntryIdOrder) {
  WriteTwoRecords();
  StatusFile status;
  ASSERT_EQ(status.Load(kPath, files, progress), kOk);
  ASSERT_TRUE(status.Loaded());
  ASSERT_EQ(status.Records().size(), 2u);
  const StatusRecord& first = *status.Records().begin();
  EXPECT_EQ(first.entryId.Data()[1], 0x02);
  EXPECT_EQ(first.serverId, -1);
  const std::uint8_t id[] = {0x01, 0x03};
  const StatusRecord* found = status.Find(EntryId(id, 2));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->serverId, 0x1A);
  EXPECT_EQ(found->syncedRevision, 4);
  EXPECT_EQ(found->lastModification, 0x01D0000012345678u);
  EXPECT_EQ(progress.actions.back(), kActionLoadingPreviousSession);
  EXPECT_FALSE(progress.stopEnabled);
  EXPECT_EQ(progress.ranges.back(), 2);
  EXPECT_EQ(progress.lastPosition, 2);
}

TEST_F(StatusFileTest, EmptySetGivesA96ByteFile) {
  StatusFile status;
  ASSERT_EQ(status.Write(kPath, kDn, false, files, progress), kOk);
  EXPECT_EQ(files.Contents(kPath).size(), 96u);
  EXPECT_EQ(files.FileCount(), 1u);  // no temporary file left behind
  StatusFile loaded;
  ASSERT_EQ(loaded.Load(kPath, files, progress), kOk);
  EXPECT_TRUE(loaded.Records().empty());
}

TEST_F(StatusFileTest, MissingFileIsAnEmptyLoadedSetAndConsistent) {
  StatusFile status;
  ASSERT_EQ(status.Load(kPath, files, progress), kOk);
  EXPECT_TRUE(status.Loaded());
  EXPECT_TRUE(status.Records().empty());
  bool consistent = false;
  ASSERT_EQ(CheckFolderIdentity(kPath, kDn, false, files, consistent), kOk);
  EXPECT_TRUE(consistent);
}

TEST_F(StatusFileTest, HeaderDamageGivesTheRightCode) {
  const MemoryFileSystem::Bytes good = WriteTwoRecords();
  struct Case {
    const char* what;
    MemoryFileSystem::Bytes bytes;
    Status expected;
    bool beforeRecords = true;  // the folder check reads only this far
  };
  std::vector<Case> cases;
  cases.push_back({"69 bytes", MemoryFileSystem::Bytes(good.begin(), good.begin() + 69), kCveStatusCorrupted});
  cases.push_back({"empty file", {}, kCveStatusCorrupted});
  MemoryFileSystem::Bytes magic = good;
  magic[0] ^= 0xFF;
  cases.push_back({"wrong magic", magic, kCveInvalidStatusFile});
  MemoryFileSystem::Bytes version = good;
  version[4] = 2;
  cases.push_back({"version 2", version, kCveStatusVersion});
  MemoryFileSystem::Bytes writer = good;
  writer[5] = 9;  // not compared with anything, but covered by checkpoint 1
  cases.push_back({"byte 5", writer, kCveStatusCorrupted});
  MemoryFileSystem::Bytes text = good;
  text[20] = 'x';
  cases.push_back({"header text", text, kCveStatusCorrupted});
  MemoryFileSystem::Bytes flag = good;
  flag[88] = 1;  // checkpoint 2
  cases.push_back({"session flag", flag, kCveStatusCorrupted});
  MemoryFileSystem::Bytes last = good;
  last[last.size() - 3] ^= 0x01;  // a byte of the last record: checkpoint 3
  cases.push_back({"last record", last, kCveStatusCorrupted, false});
  MemoryFileSystem::Bytes truncated(good.begin(), good.end() - 1);
  cases.push_back({"no end checkpoint", truncated, kCveStatusCorrupted, false});

  for (Case& c : cases) {
    StatusFile status;
    EXPECT_EQ(LoadBytes(c.bytes, status), c.expected) << c.what;
    EXPECT_FALSE(status.Loaded()) << c.what;
    if (c.beforeRecords) {
      bool consistent = true;
      EXPECT_EQ(CheckFolderIdentity(kPath, kDn, false, files, consistent), c.expected) << c.what;
    }
  }
}

// A file whose one record has the given identifier length field, with every checkpoint right,
// so that only the length can be what the reader rejects.
MemoryFileSystem::Bytes FileWithIdLength(std::uint32_t length, std::size_t idBytes) {
  test::StatusBytes file;
  file.Header(1).Session(std::vector<std::uint8_t>(16, 0), 0);
  file.U32(length).Raw(std::vector<std::uint8_t>(idBytes, 0x42)).U32(1).U32(1).U64(1).Checkpoint();
  return file.bytes;
}

TEST_F(StatusFileTest, IdentifierLengthOutsideOneTo512FailsTheWholeLoad) {
  // The identifier bytes are there in full, so only the length itself can be refused.
  for (std::uint32_t length : {0u, 513u, 0xFFFFFFFFu}) {
    StatusFile status;
    EXPECT_EQ(LoadBytes(FileWithIdLength(length, length == 513 ? 513 : 0), status), kCveStatusCorrupted) << length;
    EXPECT_FALSE(status.Loaded());
  }
  StatusFile status;
  EXPECT_EQ(LoadBytes(FileWithIdLength(512, 512), status), kOk);
  EXPECT_EQ(status.Records().size(), 1u);
}

TEST_F(StatusFileTest, NegativeRecordCountIsCorrupted) {
  // Every checkpoint right: only the count is wrong.
  test::StatusBytes file;
  file.Header(0xFFFFFFFF).Session(std::vector<std::uint8_t>(16, 0), 0).Checkpoint();
  StatusFile status;
  EXPECT_EQ(LoadBytes(file.bytes, status), kCveStatusCorrupted);
}

TEST_F(StatusFileTest, FolderIdentityIsTheDnInAnyLetterCaseAndTheFlag) {
  WriteTwoRecords();
  bool consistent = false;
  ASSERT_EQ(CheckFolderIdentity(kPath, kDn, false, files, consistent), kOk);
  EXPECT_TRUE(consistent);
  // The default folder and the same folder picked from the list (fixed part in lower case).
  ASSERT_EQ(CheckFolderIdentity(kPath, "fn=Contacts,fn=personal,fn=contactroot", false, files, consistent), kOk);
  EXPECT_TRUE(consistent);
  ASSERT_EQ(CheckFolderIdentity(kPath, "fn=Contacts,fn=Personal,fn=Contactroot", false, files, consistent), kOk);
  EXPECT_TRUE(consistent);
  ASSERT_EQ(CheckFolderIdentity(kPath, "fn=Contacts,fn=Public,fn=ContactRoot", false, files, consistent), kOk);
  EXPECT_FALSE(consistent);
  ASSERT_EQ(CheckFolderIdentity(kPath, "fn=Other,fn=Personal,fn=ContactRoot", false, files, consistent), kOk);
  EXPECT_FALSE(consistent);
  ASSERT_EQ(CheckFolderIdentity(kPath, kDn, true, files, consistent), kOk);
  EXPECT_FALSE(consistent);
  ASSERT_EQ(CheckFolderIdentity(kPath, kDn, false, files, consistent), kOk);
  EXPECT_TRUE(consistent);
}

TEST_F(StatusFileTest, FileOfALowerCaseDnFitsTheMixedCaseDn) {
  StatusFile status;
  ASSERT_EQ(status.Write(kPath, "fn=contacts,fn=personal,fn=contactroot", false, files, progress), kOk);
  bool consistent = false;
  ASSERT_EQ(CheckFolderIdentity(kPath, kDn, false, files, consistent), kOk);
  EXPECT_TRUE(consistent);
}

// The system refuses longer paths than the status path may have.
class LimitedFileSystem final : public FileSystem {
 public:
  MemoryFileSystem memory;
  Status OpenRead(const std::string& path, std::unique_ptr<InputFile>& file) override {
    return memory.OpenRead(path, file);
  }
  Status Create(const std::string& path, std::unique_ptr<OutputFile>& file) override {
    if (path.size() > 259) return SystemStatus(kErrorFilenameExcedRange);
    return memory.Create(path, file);
  }
  Status Replace(const std::string& source, const std::string& target) override {
    return memory.Replace(source, target);
  }
  Status Remove(const std::string& path) override { return memory.Remove(path); }
};

TEST_F(StatusFileTest, StatusPathAtTheLimitStillGetsWritten) {
  LimitedFileSystem limited;
  const std::string path = std::string(259 - 37, 'd') + "/0123456789ABCDEF0123456789ABCDEF.CTV";
  ASSERT_EQ(path.size(), 259u);
  StatusFile status;
  ASSERT_EQ(status.Write(path, kDn, false, limited, progress), kOk);
  EXPECT_EQ(limited.memory.Contents(path).size(), 96u);
  EXPECT_EQ(limited.memory.FileCount(), 1u);
}

TEST_F(StatusFileTest, AnyNonZeroFlagReadsAsSet) {
  StatusFile status;
  ASSERT_EQ(status.Write(kPath, kDn, true, files, progress), kOk);
  EXPECT_EQ(files.Contents(kPath)[88], 1);
  bool consistent = false;
  ASSERT_EQ(CheckFolderIdentity(kPath, kDn, true, files, consistent), kOk);
  EXPECT_TRUE(consistent);
}

TEST_F(StatusFileTest, BrokenUsesAreInternalFailures) {
  StatusFile status;
  const std::uint8_t byte = 1;
  EXPECT_THROW(status.Find(EntryId(&byte, 1)), test::InternalFailureSeen);
  EXPECT_THROW(status.Records(), test::InternalFailureSeen);
  ASSERT_EQ(status.Load(kPath, files, progress), kOk);
  try {
    status.Load(kPath, files, progress);
    FAIL() << "no internal failure";
  } catch (const test::InternalFailureSeen& seen) {
    EXPECT_EQ(seen.moduleName, "PERSIST");
  }
  status.Clear();
  EXPECT_FALSE(status.Loaded());
}

TEST_F(StatusFileTest, IdentifiersTooLongToReadBackAreLeftOut) {
  StatusFile status;
  status.Insert(Record(std::vector<std::uint8_t>(513, 0xAB), 1, 1, 1));
  status.Insert(Record({0x01}, 2, 2, 2));
  ASSERT_EQ(status.Write(kPath, kDn, false, files, progress), kOk);
  StatusFile loaded;
  ASSERT_EQ(loaded.Load(kPath, files, progress), kOk);
  ASSERT_EQ(loaded.Records().size(), 1u);
  EXPECT_EQ(loaded.Records().begin()->serverId, 2);
}

TEST_F(StatusFileTest, TwoWaySaveKeepsPendingDeletionsAndAddsTheFolder) {
  StatusFile status;
  status.Insert(Record({0x05}, 0x50, 3, 1));  // deleted locally, server deletion refused
  status.Insert(Record({0x06}, 0x60, 3, 1));  // deleted locally and on the server
  status.Insert(Record({0x07}, 0x70, 3, 1));  // still in the folder
  test::MemoryContentsTable folder;
  folder.AddMailUser({0x07}, {0x70, 4, 99});
  folder.AddMailUser({0x08}, {-1, 0, 100});
  folder.AddRow({0x09}, 8);
  DeleteList deletions;
  ASSERT_EQ(deletions.Build(status, folder), kOk);
  deletions.MarkDone(0x60);
  deletions.Reconcile(std::vector<std::int32_t>{0x50, 0x60, 0x70});

  ASSERT_EQ(SaveStatus(status, SyncMode::kTwoWay, deletions, folder, kPath, kDn, false, files, progress), kOk);
  EXPECT_FALSE(status.Loaded());
  EXPECT_EQ(progress.actions, (std::vector<std::string>{kActionPreparingToSave, kActionSavingSession}));

  StatusFile loaded;
  ASSERT_EQ(loaded.Load(kPath, files, progress), kOk);
  std::vector<std::int32_t> ids;
  for (const StatusRecord& record : loaded.Records()) ids.push_back(record.serverId);
  EXPECT_EQ(ids, (std::vector<std::int32_t>{0x50, 0x70, -1}));
  const std::uint8_t seven = 0x07;
  EXPECT_EQ(loaded.Find(EntryId(&seven, 1))->syncedRevision, 4);
  EXPECT_EQ(loaded.Find(EntryId(&seven, 1))->lastModification, 99u);
}

TEST_F(StatusFileTest, OneWaySaveKeepsOnlyTheFolder) {
  StatusFile status;
  status.Insert(Record({0x05}, 0x50, 3, 1));
  test::MemoryContentsTable folder;
  folder.AddMailUser({0x07}, {0x70, 4, 99});
  DeleteList deletions;
  ASSERT_EQ(deletions.Build(status, folder), kOk);
  deletions.Reconcile(std::vector<std::int32_t>{0x50});
  ASSERT_EQ(SaveStatus(status, SyncMode::kOneWay, deletions, folder, kPath, kDn, false, files, progress), kOk);
  StatusFile loaded;
  ASSERT_EQ(loaded.Load(kPath, files, progress), kOk);
  ASSERT_EQ(loaded.Records().size(), 1u);
  EXPECT_EQ(loaded.Records().begin()->serverId, 0x70);
}

TEST_F(StatusFileTest, SaveThatCannotReadTheFolderKeepsThePreviousFile) {
  const MemoryFileSystem::Bytes before = WriteTwoRecords();
  StatusFile status;
  test::MemoryContentsTable folder;
  folder.AddMailUser({0x07}, {0x70, 4, 99});
  folder.failNextAt = 0;
  folder.nextFailure = MakeStatus(0x80040115);
  DeleteList deletions;
  EXPECT_EQ(SaveStatus(status, SyncMode::kOneWay, deletions, folder, kPath, kDn, false, files, progress),
            MakeStatus(0x80040115));
  EXPECT_EQ(files.Contents(kPath), before);
  EXPECT_FALSE(status.Loaded());
}

TEST_F(StatusFileTest, FolderWithoutContentsTableSavesAnEmptyStatus) {
  test::MemoryContentsTable folder;
  folder.noTable = true;
  StatusFile status;
  DeleteList deletions;
  ASSERT_EQ(SaveStatus(status, SyncMode::kOneWay, deletions, folder, kPath, kDn, false, files, progress), kOk);
  EXPECT_EQ(files.Contents(kPath).size(), kStatusEmptyFileSize);
}

TEST(StatusPath, NamedAfterTheMd5OfTheFolderIdentifier) {
  const std::string abc = "abc";
  const EntryId folder(abc.data(), abc.size());
  EXPECT_EQ(StatusFileName(folder), "900150983CD24FB0D6963F7D28E17F72.CTV");
  std::string path;
  ASSERT_EQ(StatusFilePath("data", folder, path), kOk);
#ifdef _WIN32
  EXPECT_EQ(path, "data\\900150983CD24FB0D6963F7D28E17F72.CTV");
#else
  EXPECT_EQ(path, "data/900150983CD24FB0D6963F7D28E17F72.CTV");
#endif
  // 36 characters of name and one separator: a folder of 222 fits in 259, 223 does not.
  ASSERT_EQ(StatusFilePath(std::string(222, 'd'), folder, path), kOk);
  EXPECT_EQ(path.size(), 259u);
  path = "unchanged";
  EXPECT_EQ(StatusFilePath(std::string(223, 'd'), folder, path), SystemStatus(206));
  EXPECT_EQ(path, "unchanged");
}

}  // namespace
}  // namespace contave
