// The passes against an address book and a directory in memory: first runs, the decision table
// of revisions and deletions in both directions under each policy and answer, confirmations,
// Stop, the mass-deletion guard, unreadable entries and what the status records.
#include <gtest/gtest.h>

#include "contave/LIB/mapi_tags.h"
#include "contave/LIB/revision.h"
#include "contave/LIB/tests/sync_fakes.h"
#include "contave/LIB/tests/test_support.h"

namespace contave {
namespace {

using test::SyncWorld;

SyncStatistics Stats(std::uint32_t sc, std::uint32_t sm, std::uint32_t sd, std::uint32_t lc, std::uint32_t lm,
                     std::uint32_t ld, std::uint32_t failed = 0, std::uint32_t canceled = 0) {
  return {sc, sm, sd, lc, lm, ld, failed, canceled};
}

class SyncPassesTest : public ::testing::Test {
 protected:
  SyncWorld world;
  test::CatchInternalFailures catcher;
};

TEST(RevisionTest, ComparesAsUnsignedNumbers) {
  EXPECT_EQ(CompareRevisions(0x80000000u, 0x7FFFFFFFu), RevisionOrder::kAbove);
  EXPECT_EQ(CompareRevisions(std::int32_t(-1), std::int32_t(1)), RevisionOrder::kAbove);
  EXPECT_EQ(CompareRevisions(std::int32_t(1), std::int32_t(-2)), RevisionOrder::kBelow);
  EXPECT_EQ(CompareRevisions(7u, 7u), RevisionOrder::kEqual);
}

TEST(SyncTypesTest, TextsAndTables) {
  EXPECT_STREQ(OperationText(OperationKind::kDeleteLocally), "Delete record in local adress book");
  EXPECT_STREQ(OperationText(OperationKind::kModifyOnServer), "Modify record on server");
  EXPECT_STREQ(ConflictText(ConflictKind::kLocalModifiedServerDeleted), "Local record modified and server record deleted");
  EXPECT_EQ(AllowedSolutions(ConflictKind::kLocalDeletedServerModified), kUseServerCopy | kDeleteServerCopy);
  EXPECT_EQ(PreferredSolution(ConflictKind::kLocalModifiedServerDeleted, CollisionMethod::kServerPreferred),
            kDeleteLocalCopy);
  EXPECT_EQ(PreselectedSolution(ConflictKind::kBothCorrupted), kDeleteBothCopies);
  EXPECT_EQ(PreselectedSolution(ConflictKind::kLocalModifiedServerDeleted), kUseLocalCopy);
  EXPECT_EQ(MassDeletionText(Side::kAddressBook, 25), "25 contacts would be deleted from the address book. Continue?");
  EXPECT_TRUE(IsMassDeletion(1, 1));
  EXPECT_FALSE(IsMassDeletion(10, 19));
  EXPECT_FALSE(IsMassDeletion(10, 20));
  EXPECT_TRUE(IsMassDeletion(11, 20));
  EXPECT_FALSE(IsMassDeletion(0, 0));
}

TEST_F(SyncPassesTest, FirstTwoWayRunCopiesEachSideToTheOtherAndTheSecondWritesNothing) {
  world.directory.Add("X", "x");
  world.directory.Add("Y");
  world.book.Add("Z", "z");
  auto first = world.Run();
  ASSERT_EQ(first.save, kOk);
  EXPECT_EQ(first.statistics, Stats(1, 0, 0, 2, 0, 0));
  EXPECT_EQ(test::LocalView(world.book), test::ServerView(world.directory));
  EXPECT_TRUE(world.files.memory.Exists(SyncWorld::kStatusPath));

  const int saves = world.book.saves, writes = world.directory.writes;
  auto second = world.Run();
  EXPECT_EQ(second.statistics, SyncStatistics());
  EXPECT_EQ(world.book.saves, saves);
  EXPECT_EQ(world.directory.writes, writes);
}

TEST_F(SyncPassesTest, NewServerContactGetsItsNameByReplaceAndEachAddressOnce) {
  const int key = world.book.Add("Anna");
  world.book.Contacts()[key].properties[kPrContactEmailAddresses] = {
      kPrContactEmailAddresses, std::vector<std::string>{"a@x.cz", "A@X.CZ", "b@x.cz"}};
  world.book.Contacts()[key].properties[kPrComment] = {kPrComment, std::string()};
  ASSERT_EQ(world.Run().save, kOk);
  ASSERT_EQ(world.directory.sent.size(), 1u);
  const AttributeList& sent = world.directory.sent[0];
  const ContactAttribute* name = FindAttribute(sent, "commonName");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->Mark(), ChangeMark::kReplace);
  const ContactAttribute* email = FindAttribute(sent, "email");
  ASSERT_NE(email, nullptr);
  EXPECT_EQ(email->Values(), (std::vector<std::string>{"a@x.cz", "b@x.cz"}));
  EXPECT_EQ(FindAttribute(sent, "comment"), nullptr);  // an empty field is not a value
  EXPECT_EQ(world.directory.Text(world.directory.Entries().begin()->first, "commonName"), "Anna");
}

TEST_F(SyncPassesTest, UnchangedValuesAreNotSentAgain) {
  world.directory.Add("Anna", "note");
  ASSERT_EQ(world.Run().save, kOk);
  const int key = *world.book.KeyOf("Anna");
  world.book.Edit(key, kPrComment, "note");  // touched, same value
  auto run = world.Run();
  EXPECT_EQ(run.statistics, Stats(0, 1, 0, 0, 0, 0));
  EXPECT_TRUE(world.directory.sent.empty());
  EXPECT_EQ(world.Run().statistics, SyncStatistics());
}

// One linked pair with chosen server (S), synced (B) and local (L) revisions.
struct Case {
  std::uint32_t s, l;  // B is 5
  CollisionMethod method;
  Solution answer;     // for kAsk
  int collision;       // -1: none asked
  SyncStatistics expected;
  bool localLeft, serverLeft;
};

class DecisionTable : public ::testing::TestWithParam<Case> {};

TEST_P(DecisionTable, LinkedPair) {
  const Case& c = GetParam();
  SyncWorld world;
  test::CatchInternalFailures catcher;
  const std::int32_t id = world.directory.Add("P", "server");
  ASSERT_EQ(world.Run().save, kOk);
  const int key = *world.book.KeyOf("P");
  world.book.SetRaw(key, kPrContaveSyncedRev, 5);
  world.book.SetRaw(key, kPrContaveLocalRev, static_cast<std::int32_t>(c.l));
  world.book.Contacts()[key].properties[kPrComment] = {kPrComment, std::string("local")};
  world.directory.SetRevision(id, c.s);
  world.settings = {true, c.method};
  world.questions.solution = c.answer;
  world.questions.massDeletion = true;  // the only contact goes
  auto run = world.Run();
  ASSERT_EQ(run.save, kOk);
  EXPECT_EQ(run.statistics, c.expected);
  if (c.collision < 0) {
    EXPECT_TRUE(world.questions.collisions.empty());
  } else if (c.method == CollisionMethod::kAsk) {
    ASSERT_EQ(world.questions.collisions.size(), 1u);
    EXPECT_EQ(static_cast<int>(world.questions.collisions[0]), c.collision);
  }
  EXPECT_EQ(world.book.KeyOf("P").has_value(), c.localLeft);
  EXPECT_EQ(!world.directory.Entries().empty(), c.serverLeft);
  // Whatever was decided, the next run finds both sides in step.
  EXPECT_EQ(world.Run().statistics, SyncStatistics());
  EXPECT_EQ(test::LocalView(world.book), test::ServerView(world.directory));
}

constexpr auto kAsk = CollisionMethod::kAsk;
constexpr auto kServer = CollisionMethod::kServerPreferred;
constexpr auto kLocal = CollisionMethod::kLocalPreferred;

INSTANTIATE_TEST_SUITE_P(
    Revisions, DecisionTable,
    ::testing::Values(
        // S > B
        Case{6, 6, kServer, kSolutionNone, 0, Stats(0, 0, 0, 0, 1, 0), true, true},
        Case{6, 6, kLocal, kSolutionNone, 0, Stats(0, 1, 0, 0, 0, 0), true, true},
        Case{6, 6, kAsk, kUseServerCopy, 0, Stats(0, 0, 0, 0, 1, 0), true, true},
        Case{6, 6, kAsk, kUseLocalCopy, 0, Stats(0, 1, 0, 0, 0, 0), true, true},
        Case{6, 6, kAsk, kDeleteBothCopies, 0, Stats(0, 0, 1, 0, 0, 1), false, false},
        Case{6, 5, kAsk, kSolutionNone, -1, Stats(0, 0, 0, 0, 1, 0), true, true},
        Case{6, 4, kServer, kSolutionNone, 1, Stats(0, 0, 0, 0, 1, 0), true, true},
        Case{6, 4, kLocal, kSolutionNone, 1, Stats(0, 0, 0, 0, 1, 0), true, true},
        Case{6, 4, kAsk, kDeleteBothCopies, 1, Stats(0, 0, 1, 0, 0, 1), false, false},
        // S = B
        Case{5, 6, kAsk, kSolutionNone, -1, Stats(0, 1, 0, 0, 0, 0), true, true},
        Case{5, 4, kServer, kSolutionNone, 2, Stats(0, 0, 0, 0, 1, 0), true, true},
        Case{5, 4, kAsk, kUseServerCopy, 2, Stats(0, 0, 0, 0, 1, 0), true, true},
        Case{5, 4, kAsk, kDeleteBothCopies, 2, Stats(0, 0, 1, 0, 0, 1), false, false},
        // S < B
        Case{4, 6, kServer, kSolutionNone, 3, Stats(0, 1, 0, 0, 0, 0), true, true},
        Case{4, 6, kAsk, kUseLocalCopy, 3, Stats(0, 1, 0, 0, 0, 0), true, true},
        Case{4, 6, kAsk, kDeleteBothCopies, 3, Stats(0, 0, 1, 0, 0, 1), false, false},
        Case{4, 5, kLocal, kSolutionNone, 4, Stats(0, 1, 0, 0, 0, 0), true, true},
        Case{4, 5, kAsk, kUseLocalCopy, 4, Stats(0, 1, 0, 0, 0, 0), true, true},
        Case{4, 5, kAsk, kDeleteBothCopies, 4, Stats(0, 0, 1, 0, 0, 1), false, false},
        Case{4, 4, kServer, kSolutionNone, 5, Stats(0, 0, 1, 0, 0, 1), false, false},
        Case{4, 4, kAsk, kDeleteBothCopies, 5, Stats(0, 0, 1, 0, 0, 1), false, false},
        // A revision past 2^31 is newer, not corrupted.
        Case{0x80000000u, 5, kAsk, kSolutionNone, -1, Stats(0, 0, 0, 0, 1, 0), true, true}));

TEST(DecisionTableEquals, UnchangedPairDoesNothing) {
  SyncWorld world;
  world.directory.Add("P");
  ASSERT_EQ(world.Run().save, kOk);
  world.settings = {false, kAsk};
  EXPECT_EQ(world.Run().statistics, SyncStatistics());
  EXPECT_TRUE(world.questions.confirmations.empty());
}

// A contact deleted in the address book since the last run, with the server's revision since.
struct DeletionCase {
  bool serverChanged;
  CollisionMethod method;
  Solution answer;
  SyncStatistics expected;
  bool localLeft, serverLeft;
};

class DeletedLocally : public ::testing::TestWithParam<DeletionCase> {};

TEST_P(DeletedLocally, Pass1) {
  const DeletionCase& c = GetParam();
  SyncWorld world;
  test::CatchInternalFailures catcher;
  const std::int32_t id = world.directory.Add("P");
  ASSERT_EQ(world.Run().save, kOk);
  world.book.Remove(*world.book.KeyOf("P"));
  if (c.serverChanged) world.directory.Edit(id, "comment", "new");
  world.settings = {true, c.method};
  world.questions.solution = c.answer;
  world.questions.massDeletion = true;  // the only contact goes
  auto run = world.Run();
  ASSERT_EQ(run.save, kOk);
  EXPECT_EQ(run.statistics, c.expected);
  EXPECT_EQ(world.book.KeyOf("P").has_value(), c.localLeft);
  EXPECT_EQ(!world.directory.Entries().empty(), c.serverLeft);
  EXPECT_EQ(world.Run().statistics, SyncStatistics());
}

INSTANTIATE_TEST_SUITE_P(
    Deletions, DeletedLocally,
    ::testing::Values(DeletionCase{false, kAsk, kSolutionNone, Stats(0, 0, 1, 0, 0, 0), false, false},
                      DeletionCase{true, kServer, kSolutionNone, Stats(0, 0, 0, 1, 0, 0), true, true},
                      DeletionCase{true, kLocal, kSolutionNone, Stats(0, 0, 1, 0, 0, 0), false, false},
                      DeletionCase{true, kAsk, kUseServerCopy, Stats(0, 0, 0, 1, 0, 0), true, true},
                      DeletionCase{true, kAsk, kDeleteServerCopy, Stats(0, 0, 1, 0, 0, 0), false, false}));

// A contact deleted on the server since the last run, changed locally or not.
struct ServerDeletionCase {
  bool localChanged;
  CollisionMethod method;
  Solution answer;
  SyncStatistics expected;
  bool localLeft, serverLeft;
};

class DeletedOnServer : public ::testing::TestWithParam<ServerDeletionCase> {};

TEST_P(DeletedOnServer, Pass2) {
  const ServerDeletionCase& c = GetParam();
  SyncWorld world;
  test::CatchInternalFailures catcher;
  const std::int32_t id = world.directory.Add("P");
  ASSERT_EQ(world.Run().save, kOk);
  world.directory.Remove(id);
  if (c.localChanged) world.book.Edit(*world.book.KeyOf("P"), kPrComment, "mine");
  world.settings = {true, c.method};
  world.questions.solution = c.answer;
  world.questions.massDeletion = true;  // the only contact goes
  auto run = world.Run();
  ASSERT_EQ(run.save, kOk);
  EXPECT_EQ(run.statistics, c.expected);
  EXPECT_EQ(world.book.KeyOf("P").has_value(), c.localLeft);
  EXPECT_EQ(!world.directory.Entries().empty(), c.serverLeft);
  EXPECT_EQ(world.Run().statistics, SyncStatistics());
}

INSTANTIATE_TEST_SUITE_P(
    Deletions, DeletedOnServer,
    ::testing::Values(ServerDeletionCase{false, kAsk, kSolutionNone, Stats(0, 0, 0, 0, 0, 1), false, false},
                      ServerDeletionCase{true, kServer, kSolutionNone, Stats(0, 0, 0, 0, 0, 1), false, false},
                      ServerDeletionCase{true, kLocal, kSolutionNone, Stats(1, 0, 0, 0, 0, 0), true, true},
                      ServerDeletionCase{true, kAsk, kUseLocalCopy, Stats(1, 0, 0, 0, 0, 0), true, true},
                      ServerDeletionCase{true, kAsk, kDeleteLocalCopy, Stats(0, 0, 0, 0, 0, 1), false, false}));

TEST_F(SyncPassesTest, RefusedDeletionStaysOnTheServerAndIsOfferedAgain) {
  world.directory.Add("P");
  world.directory.Add("Q");
  ASSERT_EQ(world.Run().save, kOk);
  world.book.Remove(*world.book.KeyOf("P"));
  world.settings = {false, kAsk};
  world.questions.confirm = ConfirmAnswer::kNo;
  auto run = world.Run();
  EXPECT_EQ(run.statistics, Stats(0, 0, 0, 0, 0, 0, 0, 1));
  ASSERT_EQ(world.questions.confirmations.size(), 1u);
  EXPECT_EQ(world.questions.confirmations[0], OperationKind::kDeleteOnServer);
  world.questions.confirm = ConfirmAnswer::kYes;
  EXPECT_EQ(world.Run().statistics, Stats(0, 0, 1, 0, 0, 0));
  EXPECT_EQ(world.directory.Entries().size(), 1u);
}

TEST_F(SyncPassesTest, YesToAllHoldsForItsKindOnly) {
  const std::int32_t a = world.directory.Add("A"), b = world.directory.Add("B");
  world.directory.Add("C");
  world.directory.Add("D");
  ASSERT_EQ(world.Run().save, kOk);
  world.book.Edit(*world.book.KeyOf("A"), kPrComment, "1");
  world.book.Edit(*world.book.KeyOf("B"), kPrComment, "2");
  world.book.Remove(*world.book.KeyOf("C"));
  world.book.Remove(*world.book.KeyOf("D"));
  (void)a;
  (void)b;
  world.settings = {false, kAsk};
  world.questions.confirm = ConfirmAnswer::kYesToAll;
  auto run = world.Run();
  EXPECT_EQ(run.statistics, Stats(0, 2, 2, 0, 0, 0));
  // One question per kind: modification on the server once, deletion on the server once.
  EXPECT_EQ(world.questions.confirmations,
            (std::vector<OperationKind>{OperationKind::kModifyOnServer, OperationKind::kDeleteOnServer}));
}

TEST_F(SyncPassesTest, StopDuringPass1SkipsPass2AndStillWritesTheStatus) {
  world.directory.Add("X");
  world.book.Add("Z");
  world.stopAtAction = kActionPass1;
  auto run = world.Run();
  EXPECT_EQ(run.save, kOk);
  EXPECT_EQ(run.statistics, SyncStatistics());
  EXPECT_TRUE(world.files.memory.Exists(SyncWorld::kStatusPath));
  world.stop.Reset();
  world.stopAtAction = nullptr;
  EXPECT_EQ(world.Run().statistics, Stats(1, 0, 0, 1, 0, 0));
}

// A server that goes away mid-run ends the run as Stop does: the contact that met the lost
// connection fails, the others wait untouched for the next run, and the status is written.
TEST_F(SyncPassesTest, LostServerEndsTheRunAsIfStoppedAndTheNextRunFinishes) {
  for (const char* name : {"A", "B", "C"}) world.book.Add(name);
  ASSERT_EQ(world.Run().statistics, Stats(3, 0, 0, 0, 0, 0));
  for (const auto& [key, contact] : world.book.Contacts()) world.book.Edit(key, kPrComment, "edited");
  world.directory.Add("New on server");
  world.plan.mode = test::FaultPlan::Mode::kFail;
  world.plan.directoryFailure = LdapStatus(-1);
  // The load saves the three raised local revisions; the first change sent to the server fails.
  world.plan.at = world.plan.count + 4;
  auto run = world.Run();
  EXPECT_EQ(run.save, kOk);
  EXPECT_EQ(run.statistics.failed, 1u);
  EXPECT_EQ(run.statistics.serverModified + run.statistics.localCreated, 0u);
  EXPECT_TRUE(world.files.memory.Exists(SyncWorld::kStatusPath));

  world.plan.mode = test::FaultPlan::Mode::kNone;
  EXPECT_EQ(world.Run().statistics, Stats(0, 3, 0, 1, 0, 0));
  EXPECT_EQ(LocalView(world.book), ServerView(world.directory));
  EXPECT_FALSE(world.Run().statistics.AnyChange());
}

TEST_F(SyncPassesTest, OneWayRunMirrorsTheServer) {
  world.directory.Add("X", "x");
  world.book.Add("Z");
  world.questions.massDeletion = true;  // Z is all the address book has
  auto run = world.Run(SyncMode::kOneWay);
  EXPECT_EQ(run.statistics, Stats(0, 0, 0, 1, 0, 1));
  EXPECT_EQ(test::LocalView(world.book), test::ServerView(world.directory));
  // A local edit is overwritten, a local deletion comes back.
  world.book.Edit(*world.book.KeyOf("X"), kPrComment, "mine");
  EXPECT_EQ(world.Run(SyncMode::kOneWay).statistics, Stats(0, 0, 0, 0, 1, 0));
  EXPECT_EQ(world.book.Text(*world.book.KeyOf("X"), kPrComment), "x");
  world.book.Remove(*world.book.KeyOf("X"));
  EXPECT_EQ(world.Run(SyncMode::kOneWay).statistics, Stats(0, 0, 0, 1, 0, 0));
  EXPECT_EQ(world.Run(SyncMode::kOneWay).statistics, SyncStatistics());
}

TEST_F(SyncPassesTest, MassDeletionOnTheServerIsAskedOnceAndSkippedWhenRefused) {
  for (int i = 0; i < 24; ++i) world.directory.Add("C" + std::to_string(i));
  ASSERT_EQ(world.Run().save, kOk);
  for (int i = 0; i < 13; ++i) world.book.Remove(*world.book.KeyOf("C" + std::to_string(i)));
  world.questions.massDeletion = false;
  auto run = world.Run();
  EXPECT_EQ(run.statistics, Stats(0, 0, 0, 0, 0, 0, 0, 13));
  ASSERT_EQ(world.questions.massDeletions.size(), 1u);
  EXPECT_EQ(world.questions.massDeletions[0], "13 contacts would be deleted from the server. Continue?");
  EXPECT_EQ(world.directory.Entries().size(), 24u);
  world.questions.massDeletion = true;
  EXPECT_EQ(world.Run().statistics, Stats(0, 0, 13, 0, 0, 0));
}

TEST_F(SyncPassesTest, EmptiedServerDoesNotEmptyTheAddressBookUnasked) {
  world.directory.Add("A");
  world.directory.Add("B");
  ASSERT_EQ(world.Run().save, kOk);
  world.directory.Entries().clear();
  auto run = world.Run();
  EXPECT_EQ(run.statistics, Stats(0, 0, 0, 0, 0, 0, 0, 2));
  EXPECT_EQ(world.questions.massDeletions,
            (std::vector<std::string>{"2 contacts would be deleted from the address book. Continue?"}));
  EXPECT_EQ(world.book.Contacts().size(), 2u);
  world.questions.massDeletion = true;
  EXPECT_EQ(world.Run(SyncMode::kOneWay).statistics, Stats(0, 0, 0, 0, 0, 2));
}

TEST_F(SyncPassesTest, UnreadableEntryKeepsItsLocalContactAndPendingDeletion) {
  const std::int32_t a = world.directory.Add("A");
  const std::int32_t b = world.directory.Add("B");
  world.directory.Add("C");
  ASSERT_EQ(world.Run().save, kOk);
  world.book.Remove(*world.book.KeyOf("B"));
  world.directory.unreadable = {a, b};
  auto run = world.Run();
  EXPECT_EQ(run.statistics, SyncStatistics());
  EXPECT_TRUE(world.book.KeyOf("A").has_value());
  world.directory.unreadable.clear();
  // B's deletion was kept: it goes out once the entry can be read again.
  EXPECT_EQ(world.Run().statistics, Stats(0, 0, 1, 0, 0, 0));
  EXPECT_EQ(world.directory.Entries().count(b), 0u);
}

TEST_F(SyncPassesTest, NegativeServerIdsAreOrdinaryIds) {
  world.directory.SetNextId(static_cast<std::int32_t>(0xFFFFFFF0u));
  world.directory.Add("N");
  world.book.Add("L");
  ASSERT_EQ(world.Run().save, kOk);
  EXPECT_EQ(world.Run().statistics, SyncStatistics());
  world.book.Remove(*world.book.KeyOf("N"));
  world.book.Remove(*world.book.KeyOf("L"));
  world.questions.massDeletion = true;
  EXPECT_EQ(world.Run().statistics, Stats(0, 0, 2, 0, 0, 0));
  EXPECT_TRUE(world.directory.Entries().empty());
}

TEST_F(SyncPassesTest, EditDuringTheRunIsSentNextTime) {
  world.directory.Add("A");
  ASSERT_EQ(world.Run().save, kOk);
  // The status file records the state the engine saw, so a later edit counts as a change.
  const int key = *world.book.KeyOf("A");
  world.book.Edit(key, kPrComment, "edited");
  EXPECT_EQ(world.Run().statistics, Stats(0, 1, 0, 0, 0, 0));
  EXPECT_EQ(world.directory.Text(world.directory.Entries().begin()->first, "comment"), "edited");
}

TEST_F(SyncPassesTest, FailedStatusWriteIsReportedAndKeepsTheOldFile) {
  world.directory.Add("A");
  ASSERT_EQ(world.Run().save, kOk);
  const auto old = world.files.memory.Contents(SyncWorld::kStatusPath);
  world.directory.Add("B");
  // The run's side effects: B saved in the address book (1), the status put in place (2).
  world.plan.mode = test::FaultPlan::Mode::kFail;
  world.plan.count = 0;
  world.plan.at = 2;
  auto run = world.Run();
  EXPECT_EQ(run.save, SystemStatus(kErrorDiskFull));
  EXPECT_EQ(run.statistics, Stats(0, 0, 0, 1, 0, 0));
  EXPECT_EQ(world.files.memory.Contents(SyncWorld::kStatusPath), old);
  EXPECT_EQ(world.files.memory.FileCount(), 1u);
  world.plan.mode = test::FaultPlan::Mode::kNone;
  // Without its record B counts as changed locally once; nothing is duplicated.
  EXPECT_EQ(world.Run().statistics, Stats(0, 1, 0, 0, 0, 0));
  EXPECT_EQ(world.Run().statistics, SyncStatistics());
  EXPECT_EQ(test::LocalView(world.book), test::ServerView(world.directory));
}

TEST_F(SyncPassesTest, DamagedStatusAnsweredYesKeepsTheLinks) {
  world.directory.Add("A");
  world.book.Add("B");
  ASSERT_EQ(world.Run().save, kOk);
  auto bytes = world.files.memory.Contents(SyncWorld::kStatusPath);
  bytes[5] ^= 1;
  world.files.memory.Put(SyncWorld::kStatusPath, bytes);
  auto run = world.Run();
  ASSERT_EQ(run.load, kOk);
  EXPECT_EQ(world.questions.warnings, std::vector<StatusWarning>{StatusWarning::kCorrupted});
  // Found again by server id: no contact is copied twice, each only counts as changed once.
  EXPECT_EQ(run.statistics, Stats(0, 2, 0, 0, 0, 0));
  EXPECT_EQ(world.book.Contacts().size(), 2u);
  EXPECT_EQ(world.directory.Entries().size(), 2u);
  EXPECT_EQ(world.Run().statistics, SyncStatistics());
}

TEST_F(SyncPassesTest, DamagedStatusAnsweredNoEndsTheLoad) {
  world.directory.Add("A");
  ASSERT_EQ(world.Run().save, kOk);
  world.files.memory.Put(SyncWorld::kStatusPath, {1, 2, 3});
  world.questions.reset = false;
  EXPECT_EQ(world.Run().load, kCveStatusCorrupted);
}

TEST_F(SyncPassesTest, SameFolderInOtherLetterCaseIsNotAnotherFolder) {
  world.directory.Add("A");
  ASSERT_EQ(world.Run().save, kOk);
  world.dn = "fn=Contacts,fn=personal,fn=contactroot";
  EXPECT_EQ(world.Run().statistics, SyncStatistics());
  EXPECT_TRUE(world.questions.warnings.empty());
}

TEST_F(SyncPassesTest, AnotherServerFolderAnsweredYesStartsAfresh) {
  world.directory.Add("A");
  ASSERT_EQ(world.Run().save, kOk);
  world.dn = "fn=Work,fn=Personal,fn=ContactRoot";
  world.questions.reset = false;
  EXPECT_EQ(world.Run().load, kCveInconsistentStatus);
  world.questions.reset = true;
  auto run = world.Run();
  ASSERT_EQ(run.load, kOk);
  EXPECT_EQ(world.questions.warnings.back(), StatusWarning::kOtherFolder);
  // Every link is gone: each side's contacts go to the other as new, as for any new folder.
  EXPECT_EQ(run.statistics, Stats(1, 0, 0, 1, 0, 0));
  EXPECT_EQ(world.book.Contacts().size(), 2u);
}

}  // namespace
}  // namespace contave
