// The directory side against the mail-server stand-in over the real client library: loading a
// folder (with entries of the wrong form), attributes, the contact changes and their failure
// codes, the folder list and paths, and whole runs of the passes with the server as one side.
#include <gtest/gtest.h>

#include <chrono>

#include "contave/LIB/error_text.h"
#include "contave/LIB/ldap_proxy.h"
#include "contave/LIB/mapi_tags.h"
#include "contave/LIB/tests/sync_fakes.h"
#include "contave/LIB/tests/test_support.h"
#include "server_process.h"

namespace contave {
namespace {

using velor::mailserver::test::ServerProcess;
using velor::mailserver::test::TempDir;

constexpr char kContacts[] = "fn=Contacts,fn=Personal,fn=ContactRoot";

const char* kSeed = R"JSON({
  "users": [{"name": "anna", "password": "demo"}],
  "contacts": {
    "personal": {
      "anna": [
        {"name": "Contacts",
         "contacts": [
           {"id": "1A", "revId": 3, "commonName": "Zoë Müller", "surname": "Müller",
            "defaultEmail": "zoe@example.de", "email": ["zoe@example.de", "ZM@Firma.de"]},
           {"id": "1B", "commonName": "Ørjan Ås", "comment": "met in Trondheim"},
           {"rdn": "cn=xyz", "commonName": "No id"},
           {"id": "2C", "revId": "12a", "commonName": "Bad revision"},
           {"id": "2D", "revId": 0, "commonName": "Zero revision"},
           {"id": "2E", "revId": 4294967295, "commonName": "Top revision"}
         ],
         "folders": [{"name": "Family", "contacts": []}]},
        {"name": "Work"}
      ]
    },
    "public": [{"name": "Team", "folders": [{"name": "Shared"}]}]
  }
})JSON";

class DirectoryLibrary : public ::testing::Environment {
 public:
  void SetUp() override { SetUpDirectoryLibrary(); }
};
const auto* const g_library = ::testing::AddGlobalTestEnvironment(new DirectoryLibrary);

struct Server {
  explicit Server(std::vector<std::string> extra = {}, const char* seed = kSeed) {
    std::vector<std::string> args{"--seed", dir.write("seed.json", seed)};
    args.insert(args.end(), extra.begin(), extra.end());
    process = std::make_unique<ServerProcess>(args);
  }
  DirectoryLogin Login(std::string password = "demo") const {
    return {"127.0.0.1:" + std::to_string(process->ldapPort()), "anna", std::move(password)};
  }
  TempDir dir;
  std::unique_ptr<ServerProcess> process;
};

TEST(LdapProxyTest, NamesAndNumbers) {
  std::int32_t id = 0;
  EXPECT_TRUE(ParseContactId("cn=1A", id));
  EXPECT_EQ(id, 26);
  EXPECT_TRUE(ParseContactId("CN=fffffffe", id));
  EXPECT_EQ(id, -2);
  for (const char* bad : {"cn=xyz", "cn=", "uid=1A", "cn=FFFFFFFF", "cn=100000000", "cn=1A "}) {
    EXPECT_FALSE(ParseContactId(bad, id)) << bad;
  }
  std::uint32_t revision = 0;
  EXPECT_TRUE(ParseRevision("4294967295", revision));
  EXPECT_EQ(revision, 0xFFFFFFFFu);
  for (const char* bad : {"0", "12a", "", "4294967296", "-1"}) EXPECT_FALSE(ParseRevision(bad, revision)) << bad;

  std::string host;
  int port = 0;
  ASSERT_TRUE(SplitHostPort("mail.example.cz", host, port));
  EXPECT_EQ(port, 389);
  ASSERT_TRUE(SplitHostPort("127.0.0.1:1389", host, port));
  EXPECT_EQ(host, "127.0.0.1");
  EXPECT_EQ(port, 1389);
  for (const char* bad : {"", ":389", "host:", "host:0", "host:70000", "host:1x"}) {
    EXPECT_FALSE(SplitHostPort(bad, host, port)) << bad;
  }
}

TEST(LdapProxyTest, FolderPaths) {
  std::string path, dn;
  ASSERT_TRUE(FolderDnToPath("fn=Contacts,fn=Personal,fn=ContactRoot", path));
  EXPECT_EQ(path, "Contacts");
  ASSERT_TRUE(FolderDnToPath("fn=Shared,fn=Team,fn=Public,fn=ContactRoot", path));
  EXPECT_EQ(path, "#public/Team/Shared");
  ASSERT_TRUE(PathToFolderDn(path, dn));
  EXPECT_EQ(dn, "fn=Shared,fn=Team,fn=public,fn=contactroot");
  ASSERT_TRUE(PathToFolderDn("Contacts", dn));
  EXPECT_EQ(dn, "fn=Contacts,fn=personal,fn=contactroot");
  EXPECT_FALSE(FolderDnToPath("fn=Personal,fn=ContactRoot", path));
  EXPECT_FALSE(FolderDnToPath("cn=1A,fn=Personal,fn=ContactRoot", path));
  EXPECT_FALSE(PathToFolderDn("#public", dn));
  EXPECT_FALSE(PathToFolderDn("//", dn));
}

TEST(LdapProxyTest, LoadsTheFolderAndSkipsEntriesOfTheWrongForm) {
  Server server;
  ServerFolder folder;
  SilentProgress progress;
  StopFlag stop;
  ASSERT_EQ(folder.Open(server.Login(), kContacts, 3, progress, stop), kOk);
  const auto contacts = folder.Contacts();
  ASSERT_EQ(contacts.size(), 3u);
  EXPECT_EQ(contacts[0].id, 0x1A);
  EXPECT_EQ(contacts[0].revision, 3u);
  EXPECT_EQ(contacts[0].displayName, "Zo\xEB M\xFCller");  // the local code page
  EXPECT_EQ(contacts[1].id, 0x1B);
  EXPECT_EQ(contacts[2].id, 0x2E);
  EXPECT_EQ(contacts[2].revision, 0xFFFFFFFFu);
  EXPECT_EQ(folder.SkippedCount(), 3u);
  // The two entries with an id but no usable revision still exist as far as the passes go.
  EXPECT_EQ(std::vector<std::int32_t>(folder.UnreadableIds().begin(), folder.UnreadableIds().end()),
            (std::vector<std::int32_t>{0x2C, 0x2D}));

  AttributeList attributes;
  ASSERT_EQ(folder.LoadAttributes(contacts[0], attributes), kOk);
  ASSERT_NE(FindAttribute(attributes, "email"), nullptr);
  EXPECT_EQ(FindAttribute(attributes, "email")->Values(), (std::vector<std::string>{"zoe@example.de", "ZM@Firma.de"}));
  EXPECT_EQ(FindAttribute(attributes, "surname")->First(), "M\xFCller");
  EXPECT_EQ(FindAttribute(attributes, "comment"), nullptr);
}

TEST(LdapProxyTest, CreateSendAndDelete) {
  Server server;
  ServerFolder folder;
  SilentProgress progress;
  StopFlag stop;
  ASSERT_EQ(folder.Open(server.Login(), kContacts, 3, progress, stop), kOk);
  ServerContact created;
  ASSERT_EQ(folder.Create(created), kOk);
  EXPECT_GE(created.revision, 1u);
  EXPECT_EQ(created.displayName, kNewContactName);
  AttributeList changes;
  changes.emplace_back("commonName");
  changes.back().Append("P\xE9ter");
  changes.back().SetMark(ChangeMark::kReplace);
  changes.emplace_back("comment");
  changes.back().Append("new");
  changes.back().SetMark(ChangeMark::kAdd);
  const std::uint32_t before = created.revision;
  ASSERT_EQ(folder.Send(created, changes), kOk);
  EXPECT_GT(created.revision, before);
  AttributeList read;
  ASSERT_EQ(folder.LoadAttributes(created, read), kOk);
  EXPECT_EQ(FindAttribute(read, "commonName")->Values(), std::vector<std::string>{"P\xE9ter"});
  // A second add of a single-valued attribute the entry has is the server's to refuse or take.
  changes.clear();
  changes.emplace_back("revId");
  changes.back().Append("1");
  changes.back().SetMark(ChangeMark::kReplace);
  EXPECT_EQ(folder.Send(created, changes), LdapStatus(19));
  ASSERT_EQ(folder.Delete(created), kOk);
  EXPECT_EQ(folder.Delete(created), LdapStatus(32));
  EXPECT_EQ(folder.LoadAttributes(created, read), LdapStatus(32));
}

TEST(LdapProxyTest, LoginFailures) {
  Server server;
  ServerFolder folder;
  SilentProgress progress;
  StopFlag stop;
  EXPECT_EQ(folder.Open(server.Login(""), kContacts, 3, progress, stop), LdapStatus(49));
  EXPECT_EQ(folder.Open(server.Login("wrong"), kContacts, 3, progress, stop), LdapStatus(49));
  EXPECT_FALSE(folder.IsOpen());
  EXPECT_EQ(folder.Open(server.Login(), "fn=Nothing,fn=Personal,fn=ContactRoot", 3, progress, stop), LdapStatus(32));
  const DirectoryLogin login = server.Login();
  server.process->stop();
  const Status down = folder.Open(login, kContacts, 3, progress, stop);
  EXPECT_EQ(StatusBits(down), 0x8072FFFFu);
  EXPECT_EQ(ErrorTextOrCode(down), "Can't contact LDAP server");
}

TEST(LdapProxyTest, ChangeWithoutAnAnswerInTimeIsAbandonedAsTimeOut) {
  Server server({"--ldap-fault", "delay=5000,on=MODIFY"});
  ServerFolder folder;
  SilentProgress progress;
  StopFlag stop;
  ASSERT_EQ(folder.Open(server.Login(), kContacts, 1, progress, stop), kOk);
  ServerContact contact = folder.Contacts()[0];
  AttributeList changes;
  changes.emplace_back("comment");
  changes.back().Append("late");
  changes.back().SetMark(ChangeMark::kReplace);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(folder.Send(contact, changes), MakeStatus(0x80720055));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
  EXPECT_EQ(ErrorTextOrCode(MakeStatus(0x80720055)), "Timed out");
}

TEST(LdapProxyTest, AddAnsweredWithoutAUsableEntryName) {
  for (const char* mode : {"none", "folder", "uid"}) {
    Server server({"--ldap-add-matched", mode});
    ServerFolder folder;
    SilentProgress progress;
    StopFlag stop;
    ASSERT_EQ(folder.Open(server.Login(), kContacts, 3, progress, stop), kOk) << mode;
    ServerContact created;
    EXPECT_EQ(folder.Create(created), kCveInaccessibleEntry) << mode;
    // The folder itself is never deleted; a "uid=" entry directly below it is taken back.
    std::vector<std::string> dns;
    ASSERT_EQ(ListFolders(server.Login(), false, dns), kOk) << mode;
    EXPECT_EQ(dns.size(), 3u) << mode;
    ServerFolder reread;
    ASSERT_EQ(reread.Open(server.Login(), kContacts, 3, progress, stop), kOk);
    // Without a usable name the new entry cannot be taken back here; the next run removes it
    // as the leftover of an interrupted create.
    EXPECT_EQ(reread.Contacts().size() + reread.SkippedCount(), 6u + (std::string(mode) == "uid" ? 0u : 1u)) << mode;
  }
}

// The server's refusals reach the engine as their codes, and an answer of the wrong type is a
// failure, never taken for success; a refused add leaves nothing behind.
TEST(LdapProxyTest, ForcedResultsAndWrongResponseTypes) {
  std::string seed = kSeed;
  seed.replace(seed.find('{'), 1, R"({"ldap": {"results": [{"on": "MODIFY", "nth": 1, "code": 51},
      {"on": "DELETE", "nth": 1, "code": 52}, {"on": "ADD", "nth": 1, "code": 80},
      {"on": "MODIFY", "nth": 2, "wrong_type": true, "code": 0},
      {"on": "ADD", "nth": 2, "wrong_type": true, "code": 0}]},)");
  Server server({}, seed.c_str());
  ServerFolder folder;
  SilentProgress progress;
  StopFlag stop;
  ASSERT_EQ(folder.Open(server.Login(), kContacts, 3, progress, stop), kOk);
  const std::size_t count = folder.Contacts().size();
  ServerContact contact = folder.Contacts()[0];
  AttributeList changes;
  changes.emplace_back("comment");
  changes.back().Append("x");
  changes.back().SetMark(ChangeMark::kReplace);
  EXPECT_EQ(folder.Send(contact, changes), LdapStatus(51));
  const Status wrongModify = folder.Send(contact, changes);
  EXPECT_TRUE(Failed(wrongModify)) << std::hex << StatusBits(wrongModify);
  EXPECT_EQ(folder.Send(contact, changes), kOk);
  EXPECT_EQ(folder.Delete(contact), LdapStatus(52));
  ServerContact created;
  EXPECT_EQ(folder.Create(created), LdapStatus(80));
  const Status wrongAdd = folder.Create(created);
  EXPECT_TRUE(Failed(wrongAdd)) << std::hex << StatusBits(wrongAdd);
  ServerFolder reread;
  ASSERT_EQ(reread.Open(server.Login(), kContacts, 3, progress, stop), kOk);
  EXPECT_EQ(reread.Contacts().size(), count);
}

TEST(LdapProxyTest, ListsFoldersDepthFirst) {
  Server server;
  std::vector<std::string> dns;
  ASSERT_EQ(ListFolders(server.Login(), false, dns), kOk);
  std::vector<std::string> paths;
  for (const std::string& dn : dns) {
    std::string path;
    if (FolderDnToPath(dn, path)) paths.push_back(path);
  }
  EXPECT_EQ(paths, (std::vector<std::string>{"Contacts", "Contacts/Family", "Work"}));
  dns.clear();
  ASSERT_EQ(ListFolders(server.Login(), true, dns), kOk);
  ASSERT_EQ(dns.size(), 2u);
  std::string path;
  ASSERT_TRUE(FolderDnToPath(dns[1], path));
  EXPECT_EQ(path, "#public/Team/Shared");
}

// The passes with the server as one side and an address book in memory as the other.
SyncStatistics RunEngine(const Server& server, test::FakeAddressBook& book, MemoryFileSystem& files,
                         test::ScriptedQuestions& questions) {
  SilentProgress progress;
  StopFlag stop;
  LocalFolder local;
  EXPECT_EQ(local.Load(book, "s.CTV", kContacts, false, files, progress, stop, questions), kOk);
  ServerFolder folder;
  EXPECT_EQ(folder.Open(server.Login(), kContacts, 3, progress, stop), kOk);
  SyncPasses passes(local, folder, questions, progress, stop, files, {true, CollisionMethod::kServerPreferred});
  SyncStatistics statistics;
  EXPECT_EQ(passes.RunTwoWay(statistics), kOk);
  local.Unload();
  return statistics;
}

TEST(LdapEngineTest, TwoWayRunsAgainstTheServer) {
  Server server;
  test::FaultPlan plan;
  test::FakeAddressBook book(plan);
  MemoryFileSystem files;
  test::ScriptedQuestions questions;
  const int mine = book.Add("Local One", "from the address book");
  book.Contacts()[mine].properties[kPrEmailAddress] = {kPrEmailAddress, std::string("one@example.cz")};

  const SyncStatistics first = RunEngine(server, book, files, questions);
  EXPECT_EQ(first.localCreated, 3u);
  EXPECT_EQ(first.serverCreated, 1u);
  EXPECT_EQ(first.failed + first.canceled, 0u);
  const int zoe = *book.KeyOf("Zo\xEB M\xFCller");
  EXPECT_EQ(book.Text(zoe, kPrEmailAddress), "zoe@example.de");
  EXPECT_EQ(RunEngine(server, book, files, questions), SyncStatistics());

  book.Edit(*book.KeyOf("\xD8rjan \xC5s"), kPrComment, "met in Bergen");
  const SyncStatistics third = RunEngine(server, book, files, questions);
  EXPECT_EQ(third.serverModified, 1u);
  EXPECT_EQ(RunEngine(server, book, files, questions), SyncStatistics());

  ServerFolder folder;
  SilentProgress progress;
  StopFlag stop;
  ASSERT_EQ(folder.Open(server.Login(), kContacts, 3, progress, stop), kOk);
  bool sawMine = false;
  for (const ServerContact& contact : folder.Contacts()) {
    AttributeList values;
    ASSERT_EQ(folder.LoadAttributes(contact, values), kOk);
    if (contact.displayName == "Local One") {
      sawMine = true;
      EXPECT_EQ(FindAttribute(values, "email")->Values(), std::vector<std::string>{"one@example.cz"});
      EXPECT_EQ(FindAttribute(values, "comment")->First(), "from the address book");
    }
    if (contact.id == 0x1B) {
      EXPECT_EQ(FindAttribute(values, "comment")->First(), "met in Bergen");
    }
  }
  EXPECT_TRUE(sawMine);
}

}  // namespace
}  // namespace contave

namespace contave {
namespace {

// A server that takes the connection and never answers the bind: the bind, and with it the
// folder list the Synchronization page asks for, give up after the network time-out instead of
// holding the window (or a run's Stop) for ever.
TEST(LdapProxyTest, SilentServerTimesOut) {
  Server server({"--ldap-fault", "delay=60000,on=BIND"});
  std::vector<std::string> dns;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(Failed(ListFolders(server.Login(), false, dns)));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::seconds(kDirectoryAnswerSeconds - 1));
  EXPECT_LT(took, std::chrono::seconds(kDirectoryAnswerSeconds + 10));
  EXPECT_TRUE(dns.empty());
}

}  // namespace
}  // namespace contave
