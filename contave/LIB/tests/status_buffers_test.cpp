// The status file is read and written through 64 KB buffers (a large file is read on through
// one of 512 KB) with the CRC taken over whole stretches of them, and its records live in one
// sorted block. These tests aim at the places where that can go wrong: checkpoints and records
// split by a buffer's end, the faster CRC ways, records entered out of order, and identifiers
// too long to be kept inline.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string_view>
#include <vector>

#include "contave/LIB/crc16.h"
#include "contave/LIB/delete_list.h"
#include "contave/LIB/entry_id_set.h"
#include "contave/LIB/md5.h"
#include "contave/LIB/memory_file_system.h"
#include "contave/LIB/status_file.h"
#include "contave/LIB/tests/status_bytes.h"
#include "contave/LIB/tests/test_support.h"

namespace contave {
namespace {

constexpr char kPath[] = "status.CTV";
constexpr std::string_view kDn = "fn=Contacts,fn=Personal,fn=ContactRoot";
constexpr std::size_t kBuffer = 64 * 1024;
constexpr std::size_t kBeforeRecords = 70 + 2 + 20 + 2;

// Keeps the last position the writer reported.
struct RecordingProgress final : ProgressReporter {
  void ShowAction(const char*) override {}
  void EnableStop(bool) override {}
  void SetRange(std::int32_t) override {}
  void SetPosition(std::int32_t position) override { lastPosition = position; }
  std::int32_t lastPosition = 0;
};

std::vector<std::uint8_t> Bytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(size);
  for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

TEST(Crc16Ways, AllWaysAgreeWithTheBytewiseReference) {
  const std::vector<std::uint8_t> data = Bytes(3000, 1);
  const std::uint16_t starts[] = {0xFFFF, 0x0000, 0x8001, 0x1D0F};
  // Every length up to several folding rounds, from an odd address, and a few long ones.
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 700; ++n) lengths.push_back(n);
  lengths.insert(lengths.end(), {1023, 1024, 1025, 2999});
  for (std::uint16_t start : starts)
    for (std::size_t n : lengths) {
      const std::uint8_t* at = data.data() + (n > 2990 ? 0 : 7);
      const std::uint16_t expected = crc16::UpdateBytewise(start, at, n);
      ASSERT_EQ(crc16::UpdateSliced(start, at, n), expected) << n;
      ASSERT_EQ(crc16::Update(start, at, n), expected) << n;
      if (crc16::HaveCarrylessMultiply()) {
        ASSERT_EQ(crc16::UpdateCarryless(start, at, n), expected) << n;
      }
    }
}

TEST(Crc16Ways, PiecesOfAnyLengthRunOnAsOne) {
  const std::vector<std::uint8_t> data = Bytes(5000, 2);
  Crc16 whole;
  whole.Update(data.data(), data.size());
  EXPECT_EQ(whole.Value(), crc16::UpdateBytewise(Crc16::kInitial, data.data(), data.size()));
  std::mt19937 random(3);
  Crc16 pieces;
  for (std::size_t at = 0; at < data.size();) {
    const std::size_t n = std::min<std::size_t>(random() % 400, data.size() - at);
    pieces.Update(data.data() + at, n);
    at += n;
  }
  EXPECT_EQ(pieces.Value(), whole.Value());
}

// A file whose end checkpoint begins at `checkpointAt`: records of 60 bytes and one that takes
// up the rest.
struct PlannedFile {
  std::vector<StatusRecord> records;
  test::StatusBytes expected;
};

std::vector<std::uint8_t> IdOf(std::uint32_t index, std::size_t length) {
  std::vector<std::uint8_t> id(length, 0xA5);
  for (int k = 0; k < 4; ++k) id[k] = static_cast<std::uint8_t>(index >> (24 - 8 * k));  // ascending
  return id;
}

PlannedFile Plan(std::size_t checkpointAt) {
  PlannedFile plan;
  std::size_t left = checkpointAt - kBeforeRecords;
  std::vector<std::vector<std::uint8_t>> ids;
  while (left > 20 + 512) {
    ids.push_back(IdOf(static_cast<std::uint32_t>(ids.size()), 40));
    left -= 60;
  }
  ids.push_back(IdOf(static_cast<std::uint32_t>(ids.size()), left - 20));
  const Md5Digest digest = Md5Of(kDn.data(), kDn.size());
  plan.expected.Header(static_cast<std::uint32_t>(ids.size())).Session({digest.begin(), digest.end()}, 1);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    StatusRecord record;
    record.entryId = EntryId(ids[i].data(), ids[i].size());
    record.serverId = static_cast<std::int32_t>(i * 3);
    record.syncedRevision = static_cast<std::int32_t>(i);
    record.lastModification = 0x01D9000000000000ull + i;
    plan.records.push_back(record);
    plan.expected.Record(ids[i], record.serverId, record.syncedRevision, record.lastModification);
  }
  plan.expected.Checkpoint();
  return plan;
}

TEST(StatusBuffers, CheckpointsAndRecordsAcrossTheBufferEndAreWrittenAndReadExactly) {
  test::CatchInternalFailures catcher;
  SilentProgress progress;
  // The end checkpoint split by the buffer's end, just before it, just after it, and a record
  // split by the second buffer's end.
  for (std::size_t checkpointAt : {kBuffer - 2, kBuffer - 1, kBuffer, kBuffer + 1, 2 * kBuffer + 3}) {
    SCOPED_TRACE(checkpointAt);
    PlannedFile plan = Plan(checkpointAt);
    ASSERT_EQ(plan.expected.bytes.size(), checkpointAt + 2);
    MemoryFileSystem files;
    StatusFile status;
    // Entered backwards: the file still holds them in ascending order.
    for (auto record = plan.records.rbegin(); record != plan.records.rend(); ++record) status.Insert(*record);
    ASSERT_EQ(status.Write(kPath, kDn, true, files, progress), kOk);
    ASSERT_EQ(files.Contents(kPath), plan.expected.bytes);

    StatusFile loaded;
    ASSERT_EQ(loaded.Load(kPath, files, progress), kOk);
    ASSERT_EQ(loaded.Records().size(), plan.records.size());
    EXPECT_EQ(loaded.Records().begin()->entryId, plan.records.front().entryId);
    EXPECT_EQ(std::prev(loaded.Records().end())->lastModification, plan.records.back().lastModification);

    // A damaged byte on either side of the buffer's end is found by a checkpoint.
    for (std::size_t at : {kBuffer - 1, kBuffer}) {
      if (at >= checkpointAt) continue;
      MemoryFileSystem::Bytes damaged = plan.expected.bytes;
      damaged[at] ^= 0x10;
      files.Put(kPath, damaged);
      StatusFile broken;
      EXPECT_EQ(broken.Load(kPath, files, progress), kCveStatusCorrupted) << at;
    }
    // So is a damaged checkpoint byte.
    MemoryFileSystem::Bytes damaged = plan.expected.bytes;
    damaged[checkpointAt + 1] ^= 0x01;
    files.Put(kPath, damaged);
    StatusFile broken;
    EXPECT_EQ(broken.Load(kPath, files, progress), kCveStatusCorrupted);
  }
}

TEST(StatusBuffers, RecordsEnteredOutOfOrderAreSortedAndTheLastOfAnIdentifierWins) {
  test::CatchInternalFailures catcher;
  std::mt19937 random(4);
  std::vector<std::uint32_t> order(3000);
  for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), random);
  StatusFile status;
  for (std::uint32_t i : order) {
    // Every tenth identifier is long enough to live on the heap.
    const std::vector<std::uint8_t> id = IdOf(i, i % 10 == 0 ? 100 : 12);
    StatusRecord record;
    record.entryId = EntryId(id.data(), id.size());
    record.serverId = static_cast<std::int32_t>(i);
    status.Insert(record);
    if (i % 7 == 0) {
      record.serverId = -static_cast<std::int32_t>(i) - 1;  // a newer record of the same contact
      status.Insert(record);
    }
  }
  ASSERT_EQ(status.Records().size(), order.size());
  std::uint32_t expected = 0;
  for (const StatusRecord& record : status.Records()) {
    EXPECT_EQ(record.serverId, expected % 7 == 0 ? -static_cast<std::int32_t>(expected) - 1
                                                 : static_cast<std::int32_t>(expected));
    ++expected;
  }
  const std::vector<std::uint8_t> probe = IdOf(1400, 100);
  const StatusRecord* found = status.Find(EntryId(probe.data(), probe.size()));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->serverId, -1401);
  const std::vector<std::uint8_t> missing = IdOf(1400, 12);
  EXPECT_EQ(status.Find(EntryId(missing.data(), missing.size())), nullptr);

  // Inserting after a look-up keeps the set ordered.
  const std::vector<std::uint8_t> first = {0x00};
  StatusRecord record;
  record.entryId = EntryId(first.data(), first.size());
  record.serverId = 77;
  status.Insert(record);
  EXPECT_EQ(status.Records().begin()->serverId, 77);
  EXPECT_EQ(status.Records().size(), order.size() + 1);
}

// A file whose records are out of order (not written by this program, or by an older one) is
// put in order when loaded, the last record of an identifier winning. The order is checked as
// the records are decoded from the buffer, so the breaks in order sit inside a buffer, at a
// buffer's first record, and in a record split by a buffer's end.
TEST(StatusBuffers, AFileOutOfOrderIsSortedWhenLoaded) {
  test::CatchInternalFailures catcher;
  SilentProgress progress;
  const Md5Digest digest = Md5Of(kDn.data(), kDn.size());
  constexpr std::uint32_t kCount = 4000;  // 60 bytes a record: about four buffers
  for (const std::uint32_t swapAt : {7u, 1090u, 1091u, 2183u, 3999u}) {
    SCOPED_TRACE(swapAt);
    std::vector<std::uint32_t> order(kCount);
    for (std::uint32_t i = 0; i < kCount; ++i) order[i] = i;
    std::swap(order[swapAt - 1], order[swapAt]);
    test::StatusBytes file;
    file.Header(kCount + 1).Session({digest.begin(), digest.end()}, 0);
    for (const std::uint32_t i : order) file.Record(IdOf(i, 40), static_cast<std::int32_t>(i), 1, i);
    // A later record of the first contact, at the end.
    file.Record(IdOf(0, 40), -5, 2, 0).Checkpoint();
    MemoryFileSystem files;
    files.Put(kPath, file.bytes);
    StatusFile loaded;
    ASSERT_EQ(loaded.Load(kPath, files, progress), kOk);
    ASSERT_EQ(loaded.Records().size(), kCount);
    std::int32_t expected = 0;
    for (const StatusRecord& record : loaded.Records()) {
      EXPECT_EQ(record.serverId, expected == 0 ? -5 : expected);
      ++expected;
    }
    const std::vector<std::uint8_t> probe = IdOf(swapAt, 40);
    const StatusRecord* found = loaded.Find(EntryId(probe.data(), probe.size()));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->serverId, static_cast<std::int32_t>(swapAt));
  }
}

// Loads `records` written in that order and compares what comes back with what a map keeps:
// every identifier once, the last record of it winning, in ascending order.
void ExpectLoadedAsAMapKeepsThem(const std::vector<std::pair<std::vector<std::uint8_t>, std::int32_t>>& records) {
  test::CatchInternalFailures catcher;
  SilentProgress progress;
  const Md5Digest digest = Md5Of(kDn.data(), kDn.size());
  test::StatusBytes file;
  file.Header(static_cast<std::uint32_t>(records.size())).Session({digest.begin(), digest.end()}, 0);
  std::map<std::vector<std::uint8_t>, std::int32_t> expected;
  for (const auto& [id, serverId] : records) {
    file.Record(id, serverId, 1, 2);
    expected[id] = serverId;
  }
  file.Checkpoint();
  MemoryFileSystem files;
  files.Put(kPath, file.bytes);
  StatusFile loaded;
  ASSERT_EQ(loaded.Load(kPath, files, progress), kOk);
  ASSERT_EQ(loaded.Records().size(), expected.size());
  auto want = expected.begin();
  for (const StatusRecord& record : loaded.Records()) {
    ASSERT_EQ(std::vector<std::uint8_t>(record.entryId.Data(), record.entryId.Data() + record.entryId.Size()),
              want->first);
    EXPECT_EQ(record.serverId, want->second);
    ++want;
  }
}

// Records whose identifiers share a length are read as a run, and each is checked against the
// one before by comparing 16 bytes at a time. One pair out of order, or one identifier twice,
// must be noticed wherever the first difference lies: in the first bytes, in the overlap of the
// two halves, or in the last byte; and at a run's start, where the length changes.
TEST(StatusBuffers, OneBreakInTheOrderIsNoticedAtAnyByteOfARunsIdentifiers) {
  for (const std::size_t length : {16u, 17u, 23u, 27u, 28u}) {
    for (std::size_t at = 0; at < length; ++at) {
      for (const bool twice : {false, true}) {
        SCOPED_TRACE(::testing::Message() << length << " bytes, differing at " << at << (twice ? ", twice" : ""));
        std::vector<std::pair<std::vector<std::uint8_t>, std::int32_t>> records;
        for (std::int32_t i = 0; i < 6; ++i) {
          std::vector<std::uint8_t> id(length, 0x80);
          id[at] = static_cast<std::uint8_t>(0x10 + 0x20 * i);  // ascending, unsigned beyond 0x7F
          records.emplace_back(id, i);
        }
        // The third and fourth swapped, or the fourth made the third again.
        if (twice) {
          records[3].first = records[2].first;
        } else {
          std::swap(records[2].first, records[3].first);
        }
        // A shorter identifier before the run and a longer one after it: proper prefixes of the
        // run's first and last, which sort before them.
        records.insert(records.begin(), {std::vector<std::uint8_t>(records.front().first.begin(),
                                                                   records.front().first.end() - 1),
                                         -1});
        std::vector<std::uint8_t> longer = records.back().first;
        longer.push_back(0);
        records.emplace_back(longer, 99);
        ExpectLoadedAsAMapKeepsThem(records);
      }
    }
  }
}

// The same with the break between two runs of one length, at the first record of a buffer, and
// with the run's records split by the buffer's end.
TEST(StatusBuffers, ABreakInTheOrderIsNoticedWhereARunMeetsTheBufferEnd) {
  constexpr std::size_t kLength = 28, kRecordSize = kLength + 20;
  constexpr std::size_t kFirstInSecondBuffer = (kBuffer - kBeforeRecords) / kRecordSize + 1;
  for (const std::size_t swapAt : {kFirstInSecondBuffer - 1, kFirstInSecondBuffer, kFirstInSecondBuffer + 1,
                                   2 * kFirstInSecondBuffer}) {
    SCOPED_TRACE(swapAt);
    std::vector<std::pair<std::vector<std::uint8_t>, std::int32_t>> records;
    for (std::uint32_t i = 0; i < 3 * kFirstInSecondBuffer; ++i)
      records.emplace_back(IdOf(i, kLength), static_cast<std::int32_t>(i));
    std::swap(records[swapAt - 1].first, records[swapAt].first);
    ExpectLoadedAsAMapKeepsThem(records);
  }
}

TEST(StatusBuffers, IdentifiersInlineAndOnTheHeapCopyMoveAndCompareAlike) {
  test::CatchInternalFailures catcher;
  const std::vector<std::uint8_t> shortBytes = Bytes(36, 5), longBytes = Bytes(37, 5);
  EntryId inlineId(shortBytes.data(), shortBytes.size()), heapId(longBytes.data(), longBytes.size());
  // The same first 36 bytes: the shorter one sorts first.
  EXPECT_LT(inlineId, heapId);
  EXPECT_NE(inlineId, heapId);

  EntryId copy = heapId;
  EXPECT_EQ(copy, heapId);
  EXPECT_NE(copy.Data(), heapId.Data());  // a copy of its own
  EntryId moved = std::move(copy);
  EXPECT_TRUE(copy.Empty());  // NOLINT(bugprone-use-after-move): moved-from is empty
  EXPECT_EQ(moved, heapId);
  moved = inlineId;  // a heap identifier replaced by an inline one
  EXPECT_EQ(moved, inlineId);
  moved = std::move(heapId);
  EXPECT_EQ(std::vector<std::uint8_t>(moved.Data(), moved.Data() + moved.Size()), longBytes);
  EntryId& self = moved;
  moved = std::move(self);
  EXPECT_EQ(moved.Size(), 37u);

  // A set of identifiers entered in any order, with repeats.
  EntryIdSet set;
  set.Insert(moved);
  set.Insert(inlineId);
  set.Insert(moved);
  EXPECT_EQ(set.Count(), 2u);
  EXPECT_TRUE(set.Contains(EntryId(longBytes.data(), longBytes.size())));
  EXPECT_FALSE(set.Contains(EntryId(longBytes.data(), 20)));
}

// The wide foldings take sixteen pieces at a time and bring them down at the end: every length
// around those steps, from an odd address and from several starting registers, by `update` and
// by the way Update picks.
void ExpectFoldingAgrees(std::uint16_t (*update)(std::uint16_t, const void*, std::size_t), std::uint32_t seed,
                         std::size_t offset) {
  const std::vector<std::uint8_t> data = Bytes(70000, seed);
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 1100; ++n) lengths.push_back(n);
  lengths.insert(lengths.end(), {4095, 4096, 4097, 65535, 65536, 69990});
  for (std::uint16_t start : {0xFFFF, 0x0000, 0x8001})
    for (std::size_t n : lengths) {
      const std::uint8_t* at = data.data() + (n > 69000 ? 0 : offset);
      const std::uint16_t expected = crc16::UpdateBytewise(start, at, n);
      ASSERT_EQ(update(start, at, n), expected) << n;
      ASSERT_EQ(crc16::Update(start, at, n), expected) << n;
    }
}

// Two pieces a 256-bit register.
TEST(Crc16Ways, WideFoldingAgreesWithTheBytewiseReference) {
  if (!crc16::HaveWideCarrylessMultiply()) GTEST_SKIP() << "this CPU has no 256-bit carry-less multiplication";
  ExpectFoldingAgrees(crc16::UpdateWide, 6, 9);
}

// The 512-bit folding keeps the same sixteen pieces four to a register and takes each quarter
// apart at the end: a wrong quarter or constant shows at every length past one round.
TEST(Crc16Ways, WidestFoldingAgreesWithTheBytewiseReference) {
  if (!crc16::HaveWidestCarrylessMultiply()) GTEST_SKIP() << "this CPU has no 512-bit carry-less multiplication";
  ExpectFoldingAgrees(crc16::UpdateWidest, 7, 5);
}

// Records are encoded straight into the buffer while they fit and split across its end when
// they do not. Identifiers of every length an inline copy treats apart (below, at and above
// each move size), on the heap and too long for the file, cycled so that each lands at many
// places in the buffer and some across its end, must give the bytes laid out by hand.
TEST(StatusBuffers, EveryIdentifierLengthIsWrittenAsLaidOut) {
  test::CatchInternalFailures catcher;
  SilentProgress progress;
  std::vector<std::size_t> lengths;
  for (std::size_t n = 1; n <= 40; ++n) lengths.push_back(n);
  lengths.insert(lengths.end(), {100, 511, 512, 513});
  StatusFile status;
  // What the file must hold: in byte order, the last record of an identifier winning.
  std::map<std::vector<std::uint8_t>, StatusRecord> byId;
  for (std::uint32_t i = 0; i < 6000; ++i) {
    const std::size_t length = lengths[(i * 7) % lengths.size()];
    const std::vector<std::uint8_t> id = Bytes(length, i);
    StatusRecord record;
    record.entryId = EntryId(id.data(), id.size());
    record.serverId = static_cast<std::int32_t>(i) - 3000;
    record.syncedRevision = static_cast<std::int32_t>(i * 3);
    record.lastModification = 0x01D9000000000000ull + i * 0x100000001ull;
    status.Insert(record);
    if (length <= 512) byId[id] = record;
  }
  std::vector<StatusRecord> kept;
  for (const auto& entry : byId) kept.push_back(entry.second);
  const Md5Digest digest = Md5Of(kDn.data(), kDn.size());
  test::StatusBytes expected;
  expected.Header(static_cast<std::uint32_t>(kept.size())).Session({digest.begin(), digest.end()}, 0);
  for (const StatusRecord& record : kept) {
    expected.Record({record.entryId.Data(), record.entryId.Data() + record.entryId.Size()}, record.serverId,
                    record.syncedRevision, record.lastModification);
  }
  expected.Checkpoint();
  ASSERT_GT(expected.bytes.size(), 4 * kBuffer);

  MemoryFileSystem files;
  RecordingProgress recording;
  ASSERT_EQ(status.Write(kPath, kDn, false, files, recording), kOk);
  ASSERT_EQ(files.Contents(kPath), expected.bytes);
  EXPECT_EQ(recording.lastPosition, static_cast<std::int32_t>(kept.size()));
  StatusFile loaded;
  ASSERT_EQ(loaded.Load(kPath, files, progress), kOk);
  ASSERT_EQ(loaded.Records().size(), kept.size());
}

// A file of many records is read on in larger pieces once its header is read: the bytes read
// with the header move over into the larger buffer, and a damaged byte on either side of where
// the first and the second larger pieces begin is still found.
TEST(StatusBuffers, ALargeFileIsReadOnInLargerPiecesAndStillChecked) {
  test::CatchInternalFailures catcher;
  SilentProgress progress;
  constexpr std::uint32_t kCount = 30000;
  constexpr std::size_t kLarge = 512 * 1024;
  const Md5Digest digest = Md5Of(kDn.data(), kDn.size());
  test::StatusBytes file;
  file.Header(kCount).Session({digest.begin(), digest.end()}, 0);
  for (std::uint32_t i = 0; i < kCount; ++i) file.Record(IdOf(i, 28), static_cast<std::int32_t>(i), 2, i);
  file.Checkpoint();
  ASSERT_GT(file.bytes.size(), kBuffer + 2 * kLarge);
  MemoryFileSystem files;
  files.Put(kPath, file.bytes);
  StatusFile loaded;
  ASSERT_EQ(loaded.Load(kPath, files, progress), kOk);
  ASSERT_EQ(loaded.Records().size(), kCount);
  std::int32_t expected = 0;
  for (const StatusRecord& record : loaded.Records()) ASSERT_EQ(record.serverId, expected++);
  for (std::size_t at : {kBuffer - 1, kBuffer, kBuffer + kLarge - 1, kBuffer + kLarge}) {
    MemoryFileSystem::Bytes damaged = file.bytes;
    damaged[at] ^= 0x04;
    files.Put(kPath, damaged);
    StatusFile broken;
    EXPECT_EQ(broken.Load(kPath, files, progress), kCveStatusCorrupted) << at;
  }
}

// A file's records are made in place in a block reserved from the header's count, up to a limit
// that a damaged count cannot push; a file of more records than that goes on growing the block.
// Identifiers on the heap among the inline ones (just past the inline size and far past it)
// must come through the block's growth, a copy of the set, the removal of most records and the
// freeing of the rest whole: the sanitizers report any block lost or freed twice.
TEST(StatusBuffers, ALargeFileWithSomeIdentifiersOnTheHeapLoadsCopiesAndShrinksWhole) {
  test::CatchInternalFailures catcher;
  SilentProgress progress;
  constexpr std::uint32_t kCount = (1u << 17) + 2500;
  auto lengthOf = [](std::uint32_t i) -> std::size_t { return i % 997 == 0 ? 29 + i % 5 * 120 : 28; };
  const Md5Digest digest = Md5Of(kDn.data(), kDn.size());
  test::StatusBytes file;
  file.Header(kCount).Session({digest.begin(), digest.end()}, 0);
  for (std::uint32_t i = 0; i < kCount; ++i) file.Record(IdOf(i, lengthOf(i)), static_cast<std::int32_t>(i), 1, i);
  file.Checkpoint();
  MemoryFileSystem files;
  files.Put(kPath, file.bytes);

  StatusFile loaded;
  ASSERT_EQ(loaded.Load(kPath, files, progress), kOk);
  ASSERT_EQ(loaded.Records().size(), kCount);
  std::uint32_t expected = 0;
  for (const StatusRecord& record : loaded.Records()) {
    ASSERT_EQ(record.serverId, static_cast<std::int32_t>(expected));
    ASSERT_EQ(record.entryId.Size(), lengthOf(expected));
    ++expected;
  }

  // A file in one buffer, its only identifier on the heap in the middle: the records decoded
  // in place must still free it.
  test::StatusBytes small;
  small.Header(50).Session({digest.begin(), digest.end()}, 0);
  for (std::uint32_t i = 0; i < 50; ++i) small.Record(IdOf(i, i == 20 ? 100 : 28), static_cast<std::int32_t>(i), 1, i);
  small.Checkpoint();
  files.Put("small.CTV", small.bytes);
  {
    StatusFile one;
    ASSERT_EQ(one.Load("small.CTV", files, progress), kOk);
    ASSERT_EQ(one.Records().size(), 50u);
    EXPECT_EQ(one.Records().begin()[20].entryId.Size(), 100u);
  }

  StatusFile copy = loaded;
  // The copy keeps its own identifiers when the original drops all but every 997th record
  // (those are the ones on the heap) and one inline record.
  std::vector<std::int32_t> onServer;
  for (std::uint32_t i = 0; i < kCount; i += 997) onServer.push_back(static_cast<std::int32_t>(i));
  onServer.push_back(1000);
  DeleteList deletions;
  deletions.Build(loaded, EntryIdSet{});
  deletions.Reconcile(onServer);
  loaded.KeepPendingDeletions(deletions);
  ASSERT_EQ(loaded.Records().size(), onServer.size());
  const std::vector<std::uint8_t> heapProbe = IdOf(997 * 3, lengthOf(997 * 3));
  ASSERT_NE(loaded.Find(EntryId(heapProbe.data(), heapProbe.size())), nullptr);
  const std::vector<std::uint8_t> inlineProbe = IdOf(1000, 28);
  ASSERT_NE(loaded.Find(EntryId(inlineProbe.data(), inlineProbe.size())), nullptr);
  const std::vector<std::uint8_t> goneProbe = IdOf(1001, 28);
  EXPECT_EQ(loaded.Find(EntryId(goneProbe.data(), goneProbe.size())), nullptr);

  ASSERT_EQ(copy.Records().size(), kCount);
  const StatusRecord* copied = copy.Find(EntryId(heapProbe.data(), heapProbe.size()));
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(copied->serverId, 997 * 3);

  // Written back, the copy is the same file; a set moved away leaves one that loads again.
  ASSERT_EQ(copy.Write("again.CTV", kDn, false, files, progress), kOk);
  EXPECT_EQ(files.Contents("again.CTV"), file.bytes);
  StatusFile moved = std::move(copy);
  EXPECT_EQ(moved.Records().size(), kCount);
  loaded.Clear();
  EXPECT_FALSE(loaded.Loaded());
  ASSERT_EQ(loaded.Load("again.CTV", files, progress), kOk);
  EXPECT_EQ(loaded.Records().size(), kCount);
}

}  // namespace
}  // namespace contave
