// A first two-way run of 5,000 contacts (2,500 new on each side) against the mail-server
// stand-in, with its time and round trips, next to ldapadd adding the same number of entries to
// the same server in the same run; then a second run, which must write nothing.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "contave/LIB/ldap_proxy.h"
#include "contave/LIB/mapi_tags.h"
#include "contave/LIB/tests/sync_fakes.h"
#include "server_process.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace contave;

constexpr int kPerSide = 2500;
constexpr char kContacts[] = "fn=Contacts,fn=Personal,fn=ContactRoot";

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::string Seed() {
  std::string seed = R"({"users": [{"name": "anna", "password": "demo"}], "contacts": {"personal": {"anna": [)";
  seed += R"({"name": "Contacts", "contacts": [)";
  for (int i = 0; i < kPerSide; ++i) {
    char entry[256];
    std::snprintf(entry, sizeof entry,
                  R"(%s{"id": "%X", "commonName": "Server %d", "surname": "S%d", "email": ["s%d@example.cz"], "comment": "seeded"})",
                  i ? "," : "", 0x1000 + i, i, i, i);
    seed += entry;
  }
  seed += R"(]}, {"name": "Load"}]}}})";
  return seed;
}

struct Run {
  double seconds;
  std::uint64_t roundTrips;
  SyncStatistics statistics;
};

Run Sync(const DirectoryLogin& login, test::FakeAddressBook& book, MemoryFileSystem& files) {
  test::ScriptedQuestions questions;
  SilentProgress progress;
  StopFlag stop;
  const auto start = Clock::now();
  LocalFolder local;
  ServerFolder folder;
  Run run{};
  if (Failed(local.Load(book, "bench.CTV", kContacts, false, files, progress, stop, questions)) ||
      Failed(folder.Open(login, kContacts, 3, progress, stop))) {
    std::fprintf(stderr, "cannot load the folders\n");
    std::exit(1);
  }
  SyncPasses passes(local, folder, questions, progress, stop, files, {true, CollisionMethod::kServerPreferred});
  if (Failed(passes.RunTwoWay(run.statistics))) std::fprintf(stderr, "status not saved\n");
  local.Unload();
  run.roundTrips = folder.RoundTrips();
  folder.Close();
  run.seconds = Seconds(Clock::now() - start);
  return run;
}

}  // namespace

int main() {
  SetUpDirectoryLibrary();
  velor::mailserver::test::TempDir dir;
  velor::mailserver::test::ServerProcess server({"--seed", dir.write("seed.json", Seed())});
  const int port = server.ldapPort();
  const DirectoryLogin login{"127.0.0.1:" + std::to_string(port), "anna", "demo"};

  test::FaultPlan plan;
  test::FakeAddressBook book(plan);
  for (int i = 0; i < kPerSide; ++i) {
    const int key = book.Add("Local " + std::to_string(i), "typed in");
    book.Contacts()[key].properties[kPrEmailAddress] = {kPrEmailAddress, "l" + std::to_string(i) + "@example.cz"};
    book.Contacts()[key].properties[0x3A11001Eu] = {0x3A11001Eu, "L" + std::to_string(i)};
  }
  MemoryFileSystem files;
  const Run first = Sync(login, book, files);
  const Run second = Sync(login, book, files);

  // ldapadd: the same number of entries with the same values, one add each.
  std::ofstream ldif(dir.path("load.ldif"));
  for (int i = 0; i < 2 * kPerSide; ++i) {
    ldif << "dn: cn=" << std::hex << std::uppercase << (0x100000 + i) << std::dec
         << ",fn=Load,fn=Personal,fn=ContactRoot\nobjectClass: velorOrgPerson\ncommonName: Added " << i
         << "\nsurname: A" << i << "\nemail: a" << i << "@example.cz\ncomment: typed in\n\n";
  }
  ldif.close();
  const std::string command = "ldapadd -x -H ldap://127.0.0.1:" + std::to_string(port) +
                              " -D anna -w demo -f " + dir.path("load.ldif") + " > /dev/null";
  const auto start = Clock::now();
  const int status = std::system(command.c_str());
  const double ldapadd = Seconds(Clock::now() - start);
  server.stop();

  std::printf("first two-way run, %d contacts: %.2f s, %llu round trips (created %u on the server, %u locally, "
              "%u failed)\n",
              2 * kPerSide, first.seconds, static_cast<unsigned long long>(first.roundTrips),
              first.statistics.serverCreated, first.statistics.localCreated, first.statistics.failed);
  std::printf("ldapadd, %d entries: %.2f s (exit %d)\n", 2 * kPerSide, ldapadd, status);
  std::printf("ratio first run / ldapadd: %.2f\n", first.seconds / ldapadd);
  std::printf("second run: %.3f s, %llu round trips, changes %s\n", second.seconds,
              static_cast<unsigned long long>(second.roundTrips), second.statistics.AnyChange() ? "MADE" : "none");
  return status == 0 && !second.statistics.AnyChange() ? 0 : 1;
}
