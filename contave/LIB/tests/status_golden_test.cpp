#include <gtest/gtest.h>

#include "contave/LIB/memory_file_system.h"
#include "contave/LIB/status_file.h"
#include "contave/LIB/tests/status_bytes.h"
#include "contave/LIB/tests/test_support.h"

namespace contave {
namespace {

// RFC 1321's digest of "message digest", used as the folder DN so that the expected bytes do
// not depend on the engine's MD5.
const std::vector<std::uint8_t> kMessageDigestMd5 = {0xF9, 0x6B, 0x69, 0x7D, 0x7C, 0xB7, 0x93, 0x8D,
                                                     0x52, 0x5A, 0x2F, 0x31, 0xAA, 0xF1, 0x61, 0xD0};

TEST(StatusGolden, TwoRecordsByteForByte) {
  StatusFile status;
  // Inserted out of order: the file holds them in ascending identifier order.
  StatusRecord later;
  const std::uint8_t laterId[] = {0x00, 0x00, 0x00, 0x00, 0xFF};
  later.entryId = EntryId(laterId, sizeof laterId);
  later.serverId = 0x1A;
  later.syncedRevision = 7;
  later.lastModification = 0x01D9A1B2C3D4E5F6;
  status.Insert(later);
  StatusRecord earlier;
  const std::uint8_t earlierId[] = {0x00, 0x00, 0x00, 0x00, 0x12, 0x34};
  earlier.entryId = EntryId(earlierId, sizeof earlierId);
  earlier.serverId = -1;
  earlier.syncedRevision = 0;
  earlier.lastModification = 0x0000000080000001;
  status.Insert(earlier);

  MemoryFileSystem files;
  SilentProgress progress;
  ASSERT_EQ(status.Write("golden.CTV", "message digest", false, files, progress), kOk);

  test::StatusBytes expected;
  expected.Header(2).Session(kMessageDigestMd5, 0);
  expected.Record({0x00, 0x00, 0x00, 0x00, 0x12, 0x34}, -1, 0, 0x0000000080000001);
  expected.Record({0x00, 0x00, 0x00, 0x00, 0xFF}, 0x1A, 7, 0x01D9A1B2C3D4E5F6);
  expected.Checkpoint();

  const std::vector<std::uint8_t>& written = files.Contents("golden.CTV");
  ASSERT_EQ(written.size(), 96u + (4 + 6 + 16) + (4 + 5 + 16));
  EXPECT_EQ(written, expected.bytes);
  // A few fields spelled out, so that a fault in the test's own builder shows too.
  EXPECT_EQ(std::vector<std::uint8_t>(written.begin(), written.begin() + 12),
            (std::vector<std::uint8_t>{0x3D, 0x1F, 0xA7, 0x09, 1, 1, 0, 6, 2, 0, 0, 0}));
  EXPECT_EQ(written[12], ' ');
  EXPECT_EQ(written[67], ' ');
  EXPECT_EQ(written[68], 0);
  EXPECT_EQ(written[69], 0);
  EXPECT_EQ(written[72], 0xF9);
  EXPECT_EQ(written[94], 6);  // first record: identifier length
}

TEST(StatusGolden, IndependentlyBuiltFileLoads) {
  test::StatusBytes file;
  file.Header(2).Session(kMessageDigestMd5, 1);
  file.Record({0x02}, 5, 9, 0xAABBCCDD00112233).Record({0x01, 0x00}, 6, 10, 42).Checkpoint();
  MemoryFileSystem files;
  files.Put("in.CTV", file.bytes);
  SilentProgress progress;
  StatusFile status;
  ASSERT_EQ(status.Load("in.CTV", files, progress), kOk);
  ASSERT_EQ(status.Records().size(), 2u);
  const std::uint8_t id[] = {0x02};
  const StatusRecord* record = status.Find(EntryId(id, 1));
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->serverId, 5);
  EXPECT_EQ(record->lastModification, 0xAABBCCDD00112233u);
  bool consistent = false;
  ASSERT_EQ(CheckFolderIdentity("in.CTV", "message digest", true, files, consistent), kOk);
  EXPECT_TRUE(consistent);
}

}  // namespace
}  // namespace contave
