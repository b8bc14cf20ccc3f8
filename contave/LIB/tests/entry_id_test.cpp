#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "contave/LIB/entry_id.h"
#include "contave/LIB/entry_id_set.h"
#include "contave/LIB/tests/test_support.h"

namespace contave {
namespace {

EntryId Id(std::vector<std::uint8_t> bytes) { return EntryId(bytes.data(), bytes.size()); }

TEST(EntryId, OrdersByteWiseWithPrefixesFirst) {
  const EntryId a = Id({0x01, 0x02});
  const EntryId b = Id({0x01, 0x02, 0x00});
  const EntryId c = Id({0x01, 0x03});
  EXPECT_LT(a, b);
  EXPECT_LT(b, c);
  EXPECT_LT(a, c);
  EXPECT_GT(c, b);
  // Bytes compare as unsigned values.
  EXPECT_LT(Id({0x7F}), Id({0x80}));
  EXPECT_LT(Id({0x01, 0xFF}), Id({0x02}));
  EXPECT_EQ(Id({0x05, 0x06}), Id({0x05, 0x06}));
  EXPECT_FALSE(Id({0x05, 0x06}) < Id({0x05, 0x06}));
}

TEST(EntryId, KeepsItsOwnCopy) {
  std::vector<std::uint8_t> bytes = {9, 8, 7};
  const EntryId id(bytes.data(), bytes.size());
  bytes[0] = 0;
  ASSERT_EQ(id.Size(), 3u);
  EXPECT_EQ(id.Data()[0], 9);
}

// An identifier made from its first and last 16 bytes is the same as one made from all of them,
// the halves overlapping by 4 to 16 bytes; a length they cannot make is refused.
TEST(EntryId, MadeFromTwoHalvesEqualsMadeWhole) {
  test::CatchInternalFailures catcher;
  std::uint8_t bytes[28];
  for (std::uint8_t i = 0; i < 28; ++i) bytes[i] = static_cast<std::uint8_t>(0xF0 - 7 * i);
  for (std::size_t length = 16; length <= 28; ++length) {
    SCOPED_TRACE(length);
    std::uint8_t head[16], tail[16];
    std::memcpy(head, bytes, 16);
    std::memcpy(tail, bytes + length - 16, 16);
    const EntryId halves(head, tail, length), whole(bytes, length);
    EXPECT_EQ(halves, whole);
    EXPECT_TRUE(halves.IsInline());
  }
  const std::uint8_t head[16] = {}, tail[16] = {};
  EXPECT_THROW(EntryId(head, tail, 15), test::InternalFailureSeen);
  EXPECT_THROW(EntryId(head, tail, 29), test::InternalFailureSeen);
}

TEST(EntryId, BrokenUsesAreInternalFailures) {
  test::CatchInternalFailures catcher;
  const std::uint8_t byte = 1;
  EXPECT_THROW(EntryId(nullptr, 4), test::InternalFailureSeen);
  EXPECT_THROW(EntryId(&byte, 0), test::InternalFailureSeen);
  EntryId empty;
  EXPECT_THROW(empty.Size(), test::InternalFailureSeen);
  EXPECT_THROW(empty.Data(), test::InternalFailureSeen);
  EntryId set(&byte, 1);
  try {
    set.Set(&byte, 1);
    FAIL() << "no internal failure";
  } catch (const test::InternalFailureSeen& seen) {
    EXPECT_EQ(seen.moduleName, "ENTRYID");
  }
}

// The inline copy moves overlapping fixed-size pieces: for every length it must give exactly
// the identifier's bytes and leave the bytes after them alone.
TEST(EntryId, CopiesExactlyItsBytes) {
  for (std::size_t length = 1; length <= 80; ++length) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 37 + length);
    const EntryId id(bytes.data(), length);
    std::vector<std::uint8_t> out(length + 48, 0xEE);
    id.CopyTo(out.data() + 16);
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + 16, out.begin() + 16 + static_cast<std::ptrdiff_t>(length)), bytes)
        << length;
    for (std::size_t i = 0; i < 16; ++i) ASSERT_EQ(out[i], 0xEE) << length;
    for (std::size_t i = 16 + length; i < out.size(); ++i) ASSERT_EQ(out[i], 0xEE) << length;
  }
}

TEST(EntryIdSet, TakesOnlyMailUsersOfTheFolder) {
  test::MemoryContentsTable table;
  table.AddMailUser({1, 2}, {});
  table.AddRow({3, 4}, 8);  // a distribution list
  table.AddMailUser({1, 2, 0}, {});
  EntryIdSet set;
  ASSERT_EQ(set.Build(table), kOk);
  EXPECT_EQ(set.Count(), 2u);
  EXPECT_TRUE(set.Contains(Id({1, 2})));
  EXPECT_TRUE(set.Contains(Id({1, 2, 0})));
  EXPECT_FALSE(set.Contains(Id({3, 4})));
}

TEST(EntryIdSet, FolderWithoutContentsIsEmptyAndOtherErrorsAreReturned) {
  test::MemoryContentsTable table;
  table.AddMailUser({1}, {});
  table.noTable = true;
  EntryIdSet set;
  EXPECT_EQ(set.Build(table), kOk);
  EXPECT_EQ(set.Count(), 0u);

  table.noTable = false;
  table.failNextAt = 1;
  table.nextFailure = MakeStatus(0x80040115);
  EXPECT_EQ(set.Build(table), MakeStatus(0x80040115));
  EXPECT_EQ(set.Count(), 0u);
}

}  // namespace
}  // namespace contave
