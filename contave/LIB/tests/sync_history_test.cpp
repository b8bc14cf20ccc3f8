// Long histories and faults. Random edits on both sides between runs must always converge: both
// sides equal, no contact twice, every contact that nobody deleted still there, and a second
// run that writes nothing. A fault at any side effect of a run, a failure or the process dying
// right after it, must leave a state that a clean run brings to the same contacts as a run
// without the fault: none lost, none twice.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>

#include "contave/LIB/mapi_tags.h"
#include "contave/LIB/tests/sync_fakes.h"
#include "contave/LIB/tests/test_support.h"

namespace contave {
namespace {

using test::FaultPlan;
using test::SyncWorld;

std::set<std::string> Names(const std::multimap<std::string, std::string>& view) {
  std::set<std::string> names;
  for (const auto& entry : view) names.insert(entry.first);
  return names;
}

// Checks the two sides agree and hold each name once; returns the names.
std::set<std::string> ExpectInStep(SyncWorld& world, const std::string& context) {
  const auto local = test::LocalView(world.book);
  const auto server = test::ServerView(world.directory);
  EXPECT_EQ(local, server) << context;
  const auto names = Names(local);
  EXPECT_EQ(names.size(), local.size()) << context << ": a contact is there twice locally";
  EXPECT_EQ(Names(server).size(), server.size()) << context << ": a contact is there twice on the server";
  return names;
}

// Random edits of one period between runs, by the user (address book) and by other clients
// (server). Names are never reused, so a name tells one contact from another.
class History {
 public:
  explicit History(unsigned seed) : random_(seed) {}

  void Edit(SyncWorld& world, int steps) {
    for (int i = 0; i < steps; ++i) {
      switch (Pick(6)) {
        case 0: {
          const std::string name = Fresh();
          world.book.Add(name, "l0");
          kept_.insert(name);
          break;
        }
        case 1:
          if (auto key = AnyLocal(world)) world.book.Edit(*key, kPrComment, "l" + std::to_string(i));
          break;
        case 2:
          if (auto key = AnyLocal(world)) {
            removed_.insert(world.book.Text(*key, kPrDisplayName));
            world.book.Remove(*key);
          }
          break;
        case 3: {
          const std::string name = Fresh();
          world.directory.Add(name, "s0");
          kept_.insert(name);
          break;
        }
        case 4:
          if (auto id = AnyServer(world)) world.directory.Edit(*id, "comment", "s" + std::to_string(i));
          break;
        case 5:
          if (auto id = AnyServer(world)) {
            removed_.insert(world.directory.Text(*id, "commonName"));
            world.directory.Remove(*id);
          }
          break;
      }
    }
  }

  // Contacts nobody deleted must be on both sides.
  void ExpectKept(const std::set<std::string>& names, const std::string& context) const {
    for (const std::string& name : kept_) {
      if (removed_.count(name) == 0) {
        EXPECT_EQ(names.count(name), 1u) << context << ": " << name << " was lost";
      }
    }
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  std::string Fresh() { return "N" + std::to_string(next_++); }
  std::optional<int> AnyLocal(SyncWorld& world) {
    auto& contacts = world.book.Contacts();
    if (contacts.empty()) return std::nullopt;
    auto it = contacts.begin();
    std::advance(it, Pick(static_cast<int>(contacts.size())));
    return it->first;
  }
  std::optional<std::int32_t> AnyServer(SyncWorld& world) {
    auto& entries = world.directory.Entries();
    if (entries.empty()) return std::nullopt;
    auto it = entries.begin();
    std::advance(it, Pick(static_cast<int>(entries.size())));
    return it->first;
  }

  std::mt19937 random_;
  int next_ = 0;
  std::set<std::string> kept_, removed_;
};

int Rounds(int quick, int full) { return std::getenv("CONTAVE_LONG_TESTS") ? full : quick; }

TEST(SyncHistoryTest, RandomEditsOnBothSidesConverge) {
  test::CatchInternalFailures catcher;
  const int histories = Rounds(40, 400);
  for (int seed = 1; seed <= histories; ++seed) {
    SyncWorld world;
    world.questions.massDeletion = true;
    world.settings.collisionMethod = seed % 2 ? CollisionMethod::kServerPreferred : CollisionMethod::kLocalPreferred;
    History history(static_cast<unsigned>(seed));
    for (int period = 0; period < 8; ++period) {
      const std::string context = "seed " + std::to_string(seed) + " period " + std::to_string(period);
      history.Edit(world, 1 + period % 5);
      const auto run = world.Run();
      ASSERT_EQ(run.load, kOk) << context;
      ASSERT_EQ(run.save, kOk) << context;
      EXPECT_EQ(run.statistics.failed + run.statistics.canceled, 0u) << context;
      history.ExpectKept(ExpectInStep(world, context), context);
      const int saves = world.book.saves, writes = world.directory.writes;
      EXPECT_EQ(world.Run().statistics, SyncStatistics()) << context << ": second run";
      EXPECT_EQ(world.book.saves, saves) << context;
      EXPECT_EQ(world.directory.writes, writes) << context;
      if (::testing::Test::HasFailure()) return;
    }
  }
}

// A scenario: two runs of history in step, then a mix of creates, modifies and deletes on both
// sides for the run under test.
void Build(SyncWorld& world, unsigned seed, History& history) {
  world.questions.massDeletion = true;
  world.settings.collisionMethod = seed % 2 ? CollisionMethod::kServerPreferred : CollisionMethod::kLocalPreferred;
  history.Edit(world, 6);
  world.Run();
  history.Edit(world, 4);
  world.Run();
  history.Edit(world, 8);
  world.plan.count = 0;
}

void FaultAtEverySideEffect(FaultPlan::Mode mode) {
  test::CatchInternalFailures catcher;
  const unsigned scenarios = static_cast<unsigned>(Rounds(32, 200));
  int faults = 0;
  for (unsigned seed = 100; seed < 100 + scenarios; ++seed) {
    std::set<std::string> expected;
    int sideEffects = 0;
    {
      SyncWorld clean;
      History history(seed);
      Build(clean, seed, history);
      clean.Run();
      sideEffects = clean.plan.count;
      clean.Run();
      expected = ExpectInStep(clean, "clean seed " + std::to_string(seed));
    }
    for (int at = 1; at <= sideEffects; ++at) {
      const std::string context = "seed " + std::to_string(seed) + " fault at " + std::to_string(at);
      SyncWorld world;
      History history(seed);
      Build(world, seed, history);
      world.plan.mode = mode;
      world.plan.at = at;
      world.Run();
      world.plan.mode = FaultPlan::Mode::kNone;
      for (int rerun = 0; rerun < 2; ++rerun) world.Run();
      const auto names = ExpectInStep(world, context);
      EXPECT_EQ(names, expected) << context;
      history.ExpectKept(names, context);
      EXPECT_EQ(world.Run().statistics, SyncStatistics()) << context;
      ++faults;
      if (::testing::Test::HasFailure()) return;
    }
  }
  EXPECT_GT(faults, 100);
  ::testing::Test::RecordProperty("faults", faults);
}

TEST(SyncCrashSafetyTest, FailureAtEachSideEffect) { FaultAtEverySideEffect(FaultPlan::Mode::kFail); }

TEST(SyncCrashSafetyTest, ProcessEndsAfterEachSideEffect) { FaultAtEverySideEffect(FaultPlan::Mode::kCrashAfter); }

}  // namespace
}  // namespace contave
