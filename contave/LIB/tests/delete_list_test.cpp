#include <gtest/gtest.h>

#include <vector>

#include "contave/LIB/delete_list.h"
#include "contave/LIB/status_file.h"
#include "contave/LIB/tests/test_support.h"

namespace contave {
namespace {

StatusRecord Record(std::uint8_t id, std::int32_t serverId, std::int32_t revision) {
  StatusRecord record;
  record.entryId = EntryId(&id, 1);
  record.serverId = serverId;
  record.syncedRevision = revision;
  return record;
}

class DeleteListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    status.Insert(Record(1, 0x10, 3));   // still in the folder
    status.Insert(Record(2, 0x20, 5));   // deleted locally
    status.Insert(Record(3, 0x30, 7));   // deleted locally
    status.Insert(Record(4, -1, 0));     // deleted locally, never linked
    folder.AddMailUser({1}, {});
    folder.AddMailUser({9}, {});
  }

  StatusFile status;
  test::MemoryContentsTable folder;
  DeleteList list;
  test::CatchInternalFailures catcher;
};

TEST_F(DeleteListTest, HoldsTheRecordsMissingFromTheFolder) {
  ASSERT_EQ(list.Build(status, folder), kOk);
  std::int32_t value = 0;
  EXPECT_FALSE(list.Lookup(0x10, value));
  ASSERT_TRUE(list.Lookup(0x20, value));
  EXPECT_EQ(value, 5);
  ASSERT_TRUE(list.Lookup(0x30, value));
  EXPECT_EQ(value, 7);
  // Never on the server, so nothing to delete there.
  EXPECT_FALSE(list.Lookup(-1, value));
  EXPECT_EQ(list.Count(), 2u);
}

TEST_F(DeleteListTest, ReconcileMakesSurvivorsPendingAndTheRestDone) {
  ASSERT_EQ(list.Build(status, folder), kOk);
  list.MarkDone(0x30);
  const std::vector<std::int32_t> server = {0x20, 0x30, 0x40};
  list.Reconcile(server);
  std::int32_t value = 0;
  ASSERT_TRUE(list.Lookup(0x20, value));
  EXPECT_EQ(value, DeleteList::kPending);
  ASSERT_TRUE(list.Lookup(0x30, value));
  EXPECT_EQ(value, DeleteList::kDone);
  EXPECT_TRUE(list.IsPending(0x20));
  EXPECT_FALSE(list.IsPending(0x30));
  EXPECT_FALSE(list.IsPending(0x40));
}

TEST_F(DeleteListTest, EntriesGoneFromTheServerBecomeDone) {
  ASSERT_EQ(list.Build(status, folder), kOk);
  EXPECT_TRUE(list.IsPending(0x20));  // a recorded revision counts as pending until reconciled
  list.Reconcile(std::vector<std::int32_t>{});
  EXPECT_FALSE(list.IsPending(0x20));
  EXPECT_FALSE(list.IsPending(0x30));
}

TEST_F(DeleteListTest, BrokenUsesAreInternalFailures) {
  std::int32_t value = 0;
  EXPECT_THROW(list.Lookup(0x20, value), test::InternalFailureSeen);
  ASSERT_EQ(list.Build(status, folder), kOk);
  EXPECT_THROW(list.Build(status, folder), test::InternalFailureSeen);
  EXPECT_THROW(list.MarkDone(0x99), test::InternalFailureSeen);
  list.Clear();
  EXPECT_FALSE(list.Built());
  EXPECT_EQ(list.Build(status, folder), kOk);
}

TEST_F(DeleteListTest, FolderErrorsAreReturned) {
  folder.openFailure = MakeStatus(0x80040115);
  EXPECT_EQ(list.Build(status, folder), MakeStatus(0x80040115));
  EXPECT_FALSE(list.Built());
}

TEST_F(DeleteListTest, TwoWaySaveKeepsOnlyPendingDeletions) {
  ASSERT_EQ(list.Build(status, folder), kOk);
  list.Reconcile(std::vector<std::int32_t>{0x20});
  status.KeepPendingDeletions(list);
  ASSERT_EQ(status.Records().size(), 1u);
  EXPECT_EQ(status.Records().begin()->serverId, 0x20);
}

}  // namespace
}  // namespace contave
