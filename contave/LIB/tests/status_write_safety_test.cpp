// Writing the status must never leave the folder without a valid one: whichever step fails,
// the previous file stays byte for byte, no temporary file is left, and the error comes back.
#include <gtest/gtest.h>

#include <filesystem>

#include "contave/LIB/status_file.h"
#include "contave/LIB/tests/test_support.h"

namespace contave {
namespace {

constexpr char kDn[] = "fn=Contacts,fn=Personal,fn=ContactRoot";

enum class Step { kNone, kCreate, kWrite, kFlush, kClose, kReplace };

const Status kInjected = SystemStatus(kErrorDiskFull);

// The platform's files, failing at one chosen step. A failing write first puts part of the
// data on the disk, as a disk that fills up does.
class FaultyFileSystem final : public FileSystem {
 public:
  FaultyFileSystem(Step failAt, std::size_t writesBeforeFailure, bool removeFails)
      : failAt_(failAt), writesBeforeFailure_(writesBeforeFailure), removeFails_(removeFails) {}

  Status OpenRead(const std::string& path, std::unique_ptr<InputFile>& file) override {
    return real_.OpenRead(path, file);
  }
  Status Create(const std::string& path, std::unique_ptr<OutputFile>& file) override {
    if (failAt_ == Step::kCreate) {
      // Some systems leave an empty file behind when creation fails half-way.
      std::unique_ptr<OutputFile> partial;
      real_.Create(path, partial);
      return kInjected;
    }
    std::unique_ptr<OutputFile> inner;
    if (Status status = real_.Create(path, inner); Failed(status)) return status;
    file = std::make_unique<FaultyOutput>(std::move(inner), *this);
    return kOk;
  }
  Status Replace(const std::string& source, const std::string& target) override {
    return failAt_ == Step::kReplace ? kInjected : real_.Replace(source, target);
  }
  Status Remove(const std::string& path) override {
    // A removal that fails still removes nothing it should not; the file goes by hand below.
    if (removeFails_) return SystemStatus(kErrorAccessDenied);
    return real_.Remove(path);
  }

 private:
  class FaultyOutput final : public OutputFile {
   public:
    FaultyOutput(std::unique_ptr<OutputFile> inner, FaultyFileSystem& owner) : inner_(std::move(inner)), owner_(owner) {}
    Status Write(const void* data, std::size_t size) override {
      if (owner_.failAt_ == Step::kWrite && owner_.writes_++ >= owner_.writesBeforeFailure_) {
        inner_->Write(data, size / 2);
        return kInjected;
      }
      return inner_->Write(data, size);
    }
    Status Flush() override { return owner_.failAt_ == Step::kFlush ? kInjected : inner_->Flush(); }
    Status Close() override {
      const Status status = inner_->Close();
      return owner_.failAt_ == Step::kClose ? kInjected : status;
    }

   private:
    std::unique_ptr<OutputFile> inner_;
    FaultyFileSystem& owner_;
  };

  FileSystem& real_ = PlatformFileSystem();
  Step failAt_;
  std::size_t writesBeforeFailure_;
  std::size_t writes_ = 0;
  bool removeFails_;
};

StatusFile ManyRecords(std::uint32_t count, std::int32_t serverIdBase) {
  StatusFile status;
  for (std::uint32_t i = 0; i < count; ++i) {
    StatusRecord record;
    const std::uint8_t id[8] = {0, 0, 0, 0, static_cast<std::uint8_t>(i >> 16), static_cast<std::uint8_t>(i >> 8),
                                static_cast<std::uint8_t>(i), 0x5A};
    record.entryId = EntryId(id, sizeof id);
    record.serverId = serverIdBase + static_cast<std::int32_t>(i);
    record.syncedRevision = 1;
    record.lastModification = i;
    status.Insert(std::move(record));
  }
  return status;
}

std::size_t EntriesIn(const std::filesystem::path& folder) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) count += entry.exists() ? 1 : 0;
  return count;
}

TEST(StatusWriteSafety, EveryFailingStepKeepsThePreviousFile) {
  SilentProgress progress;
  const StatusFile previous = ManyRecords(3, 0x100);
  // Large enough to need several writes of the stream's buffer.
  const StatusFile next = ManyRecords(10000, 0x900);

  struct Case {
    const char* what;
    Step step;
    std::size_t writesBeforeFailure;
    bool removeFails;
  };
  const Case cases[] = {
      {"create", Step::kCreate, 0, false},       {"first write", Step::kWrite, 0, false},
      {"later write", Step::kWrite, 2, false},   {"flush", Step::kFlush, 0, false},
      {"close", Step::kClose, 0, false},         {"replace", Step::kReplace, 0, false},
      {"replace, removal refused", Step::kReplace, 0, true},
  };
  for (const Case& c : cases) {
    test::ScratchFolder folder;
    const std::string path = folder.File("0123456789ABCDEF0123456789ABCDEF.CTV");
    ASSERT_EQ(previous.Write(path, kDn, false, PlatformFileSystem(), progress), kOk) << c.what;
    const std::vector<std::uint8_t> before = test::ReadWholeFile(path);
    ASSERT_EQ(before.size(), 96u + 3 * 28);

    FaultyFileSystem faulty(c.step, c.writesBeforeFailure, c.removeFails);
    EXPECT_EQ(next.Write(path, kDn, false, faulty, progress), kInjected) << c.what;
    EXPECT_EQ(test::ReadWholeFile(path), before) << c.what;
    if (c.removeFails) {
      std::filesystem::remove(path + ".tmp");
    }
    EXPECT_EQ(EntriesIn(folder.Path()), 1u) << c.what;

    StatusFile loaded;
    ASSERT_EQ(loaded.Load(path, PlatformFileSystem(), progress), kOk) << c.what;
    EXPECT_EQ(loaded.Records().size(), 3u) << c.what;
  }
}

TEST(StatusWriteSafety, SucceedingWriteReplacesTheFileAndLeavesNothingElse) {
  SilentProgress progress;
  test::ScratchFolder folder;
  const std::string path = folder.File("STATUS.CTV");
  ASSERT_EQ(ManyRecords(3, 1).Write(path, kDn, false, PlatformFileSystem(), progress), kOk);
  FaultyFileSystem healthy(Step::kNone, 0, false);
  ASSERT_EQ(ManyRecords(5, 1).Write(path, kDn, false, healthy, progress), kOk);
  EXPECT_EQ(test::ReadWholeFile(path).size(), 96u + 5 * 28);
  EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

TEST(StatusWriteSafety, RealRenameOntoAFolderFailsWithoutDamage) {
  SilentProgress progress;
  test::ScratchFolder folder;
  // The status path is taken by a folder with a file in it: the system refuses the rename.
  const std::string path = folder.File("BLOCKED.CTV");
  std::filesystem::create_directory(path);
  test::WriteWholeFile(path + "/keep", {1, 2, 3});
  const Status status = ManyRecords(2, 1).Write(path, kDn, false, PlatformFileSystem(), progress);
  EXPECT_TRUE(Failed(status));
  EXPECT_TRUE(std::filesystem::is_directory(path));
  EXPECT_EQ(test::ReadWholeFile(path + "/keep"), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST(StatusWriteSafety, MissingFolderIsReportedAsTheSystemError) {
  SilentProgress progress;
  test::ScratchFolder folder;
  const std::string path = folder.File("no-such-folder/STATUS.CTV");
  EXPECT_TRUE(IsMissingFile(ManyRecords(1, 1).Write(path, kDn, false, PlatformFileSystem(), progress)));
}

}  // namespace
}  // namespace contave
