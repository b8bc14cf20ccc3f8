// Injected faults of the directory side, as the synchronisation tool meets them: a change
// answered too late (abandoned by the client), adds answered without a usable matched DN,
// entries of the wrong form, replies cut off with the connection.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "ldap_fixtures.h"

namespace velor::mailserver::test {
namespace {

using Clock = std::chrono::steady_clock;
const std::string kJiri = "cn=1A," + kAnnaContacts;

long long millisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Polls for the result as the tool does: zero time-out, 10 ms apart, for the given seconds.
int pollLikeTheTool(LDAP* ld, int messageId, int seconds) {
  for (int i = 0; i < seconds * 100; ++i) {
    timeval zero{0, 0};
    LDAPMessage* message = nullptr;
    const int type = ldap_result(ld, messageId, LDAP_MSG_ONE, &zero, &message);
    if (type != 0) {
      if (message) ldap_msgfree(message);
      return type;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 0;
}

TEST(LdapFaults, ChangeAnsweredTooLateIsAbandonedAndNeverApplied) {
  auto r = startLdap({"--ldap-fault", "delay=4000,on=MODIFY"});
  auto c = bindAs(r->port(), "anna", "demo", LDAP_VERSION2);
  const auto start = Clock::now();
  LDAPMod mod{LDAP_MOD_REPLACE, const_cast<char*>("comment"), {}};
  char* values[] = {const_cast<char*>("late"), nullptr};
  mod.mod_values = values;
  LDAPMod* mods[] = {&mod, nullptr};
  int id = -1;
  ASSERT_EQ(ldap_modify_ext(c->handle(), kJiri.c_str(), mods, nullptr, nullptr, &id), LDAP_SUCCESS);
  EXPECT_EQ(pollLikeTheTool(c->handle(), id, 3), 0);  // the tool gives up here: code 85
  EXPECT_GE(millisecondsSince(start), 3000);
  ASSERT_EQ(ldap_abandon_ext(c->handle(), id, nullptr, nullptr), LDAP_SUCCESS);
  // Other operations are answered at once meanwhile, and the abandoned one never runs.
  EXPECT_EQ(c->revision(kJiri), "3");
  std::this_thread::sleep_for(std::chrono::milliseconds(4500 - millisecondsSince(start)));
  EXPECT_EQ(c->revision(kJiri), "3");
  EXPECT_EQ(c->read(kJiri).count("comment"), 0u);
}

// A seed of the fixture's directory with an "ldap" block and Jiří at another revision.
std::string seedWith(const std::string& ldap, const std::string& revision) {
  std::string seed = kLdapSeed;
  seed.replace(seed.find('{'), 1, "{\"ldap\": " + ldap + ",");
  seed.replace(seed.find("\"revId\": 3"), 10, "\"revId\": " + revision);
  return seed;
}

TEST(LdapFaults, ForcedResultsHitTheirOperationAndCountAndChangeNothing) {
  auto r = startLdap({}, seedWith(R"({"results": [{"on": "MODIFY", "nth": 2, "code": 51},
                                                  {"on": "DELETE", "code": 52}, {"on": "ADD", "nth": 1, "code": 80}]})",
                                  "3"));
  auto c = bindAs(r->port(), "anna", "demo");
  const Change comment{LDAP_MOD_REPLACE, "comment", {"x"}};
  EXPECT_EQ(c->modify(kJiri, {comment}).code, LDAP_SUCCESS);
  EXPECT_EQ(c->modify(kJiri, {comment}).code, LDAP_BUSY);
  EXPECT_EQ(c->revision(kJiri), "4");  // the refused modify left it
  EXPECT_EQ(c->modify(kJiri, {comment}).code, LDAP_SUCCESS);
  EXPECT_EQ(c->add(kAnnaContacts, {{"commonName", {"New"}}}).code, LDAP_OTHER);
  EXPECT_EQ(c->add(kAnnaContacts, {{"commonName", {"New"}}}).code, LDAP_SUCCESS);
  const std::string zoe = "cn=1B," + kAnnaContacts;
  int id = -1;
  for (int i = 0; i < 2; ++i) {  // every delete is refused: nth 0
    ASSERT_EQ(ldap_delete_ext(c->handle(), zoe.c_str(), nullptr, nullptr, &id), LDAP_SUCCESS);
    LDAPMessage* message = nullptr;
    ASSERT_EQ(ldap_result(c->handle(), id, LDAP_MSG_ALL, nullptr, &message), LDAP_RES_DELETE);
    int code = 0;
    ldap_parse_result(c->handle(), message, &code, nullptr, nullptr, nullptr, nullptr, 1);
    EXPECT_EQ(code, LDAP_UNAVAILABLE);
  }
  EXPECT_EQ(c->revision(zoe), "1");
}

TEST(LdapFaults, WrongResponseTypeAnswersAChange) {
  auto r = startLdap({}, seedWith(R"({"results": [{"on": "MODIFY", "wrong_type": true, "code": 0}]})", "3"));
  auto c = bindAs(r->port(), "anna", "demo");
  LDAPMod mod{LDAP_MOD_REPLACE, const_cast<char*>("comment"), {}};
  char* values[] = {const_cast<char*>("x"), nullptr};
  mod.mod_values = values;
  LDAPMod* mods[] = {&mod, nullptr};
  int id = -1;
  ASSERT_EQ(ldap_modify_ext(c->handle(), kJiri.c_str(), mods, nullptr, nullptr, &id), LDAP_SUCCESS);
  LDAPMessage* message = nullptr;
  EXPECT_EQ(ldap_result(c->handle(), id, LDAP_MSG_ALL, nullptr, &message), LDAP_RES_SEARCH_RESULT);
  if (message) ldap_msgfree(message);
  EXPECT_EQ(c->revision(kJiri), "3");
}

// Revisions count on past the width of 32 bits and past ten digits, in the directory and in
// the state it writes.
TEST(LdapFaults, RevisionsRaisePastTenDigits) {
  for (const auto& [seeded, raised] : {std::pair{"4294967295", "4294967296"}, std::pair{"9999999999", "10000000000"},
                                       std::pair{"\"99999999999999999999\"", "100000000000000000000"}}) {
    auto r = startLdap({}, seedWith("{}", seeded));
    auto c = bindAs(r->port(), "anna", "demo");
    EXPECT_EQ(c->modify(kJiri, {{LDAP_MOD_REPLACE, "comment", {"x"}}}).code, LDAP_SUCCESS);
    EXPECT_EQ(c->revision(kJiri), raised);
  }
}

// A test changes revisions while the server runs (the collisions of a damaged server record):
// the control file is applied before the next operation and removed.
TEST(LdapFaults, RevisionsSetWhileTheServerRuns) {
  TempDir dir;
  const std::string control = dir.path("control");
  auto r = startLdap({"--ldap-control", control});
  auto c = bindAs(r->port(), "anna", "demo");
  EXPECT_EQ(c->revision(kJiri), "3");
  const std::string zoe = "cn=1B," + kAnnaContacts;
  std::ofstream(dir.path("control.new")) << "revId anna " << kJiri << " 1\nrevId anna " << zoe << " 4294967295\n";
  ASSERT_EQ(std::rename(dir.path("control.new").c_str(), control.c_str()), 0);
  EXPECT_EQ(c->revision(kJiri), "1");
  EXPECT_EQ(c->revision(zoe), "4294967295");
  EXPECT_FALSE(std::ifstream(control).good());
  EXPECT_EQ(c->modify(zoe, {{LDAP_MOD_REPLACE, "comment", {"x"}}}).code, LDAP_SUCCESS);
  EXPECT_EQ(c->revision(zoe), "4294967296");
}

TEST(LdapFaults, StopDoesNotWaitForAHeldOperation) {
  auto r = startLdap({"--ldap-fault", "delay=60000,on=DELETE"});
  auto c = bindAs(r->port(), "anna", "demo");
  int id = -1;
  ASSERT_EQ(ldap_delete_ext(c->handle(), kJiri.c_str(), nullptr, nullptr, &id), LDAP_SUCCESS);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto start = Clock::now();
  EXPECT_EQ(r->server->stop(), 0);
  EXPECT_LT(millisecondsSince(start), 10000);
}

TEST(LdapFaults, DelayedChangeWithoutAbandonArrivesLateAndApplies) {
  auto r = startLdap({"--ldap-fault", "delay=700,on=ADD,conn=1"});
  auto c = bindAs(r->port(), "anna", "demo");
  const auto start = Clock::now();
  const auto made = c->add(kAnnaContacts, {{"commonName", {"Slow"}}});
  EXPECT_GE(millisecondsSince(start), 700);
  EXPECT_EQ(made.code, LDAP_SUCCESS);
  EXPECT_EQ(c->revision(made.matched), "1");
  // conn=1 only: a second connection is answered without the delay. Its add completes before
  // the first connection's next delayed add does, whatever the machine's speed.
  int slowId = 0;
  LDAPMod name{LDAP_MOD_ADD, const_cast<char*>("commonName"), {}};
  char slower[] = "Slower";
  char* values[] = {slower, nullptr};
  name.mod_vals.modv_strvals = values;
  LDAPMod* mods[] = {&name, nullptr};
  ASSERT_EQ(ldap_add_ext(c->handle(), kAnnaContacts.c_str(), mods, nullptr, nullptr, &slowId),
            LDAP_SUCCESS);
  auto other = bindAs(r->port(), "anna", "demo");
  EXPECT_EQ(other->add(kAnnaContacts, {{"commonName", {"Quick"}}}).code, LDAP_SUCCESS);
  LDAPMessage* pending = nullptr;
  timeval now{0, 0};
  EXPECT_EQ(ldap_result(c->handle(), slowId, 1, &now, &pending), 0) << "the delayed add was answered first";
  if (pending) ldap_msgfree(pending);
}

TEST(LdapFaults, SearchHeldPastItsTimeLimitEndsWithTimeLimitExceeded) {
  auto r = startLdap({"--ldap-fault", "delay=8000,on=SEARCH"});
  auto c = bindAs(r->port(), "anna", "demo");
  SearchOptions limited;
  limited.timeLimit = 1;
  const auto start = Clock::now();
  const auto found = c->search(kAnnaContacts, LDAP_SCOPE_ONELEVEL, "(objectClass=*)", limited);
  EXPECT_EQ(found.code, LDAP_TIMELIMIT_EXCEEDED);
  EXPECT_TRUE(found.entries.empty());
  EXPECT_GE(millisecondsSince(start), 1000);
  EXPECT_LT(millisecondsSince(start), 4000);
}

TEST(LdapFaults, AddAnsweredWithoutAUsableMatchedDn) {
  {
    auto r = startLdap({"--ldap-add-matched", "none"});
    const auto made = bindAs(r->port(), "anna", "demo")->add(kAnnaContacts, {{"commonName", {"[NEW CONTACT]"}}});
    EXPECT_EQ(made.code, LDAP_SUCCESS);
    EXPECT_EQ(made.matched, "");
  }
  {
    auto r = startLdap({"--ldap-add-matched", "folder"});
    EXPECT_EQ(bindAs(r->port(), "anna", "demo")->add(kAnnaContacts, {{"commonName", {"x"}}}).matched, kAnnaContacts);
  }
  {
    // Named uid=: the entry is real, so the tool's delete of it succeeds.
    std::string seed = kLdapSeed;
    seed.insert(seed.find("\"contacts\""), R"("ldap": {"add_matched": "uid"}, )");
    auto r = startLdap({}, seed);
    auto c = bindAs(r->port(), "anna", "demo");
    const auto made = c->add(kAnnaContacts, {{"commonName", {"[NEW CONTACT]"}}});
    EXPECT_EQ(made.matched, "uid=101," + kAnnaContacts);
    EXPECT_EQ(c->read(made.matched).at("uid"), Values{"101"});
    EXPECT_EQ(c->remove(made.matched).code, LDAP_SUCCESS);
    EXPECT_EQ(c->search(kAnnaContacts, LDAP_SCOPE_ONELEVEL, "(objectClass=velorOrgPerson)").entries.size(), 3u);
  }
}

TEST(LdapFaults, EntriesOfTheWrongFormAreServedAsSeeded) {
  std::string seed = kLdapSeed;
  seed.insert(seed.find("{\"name\": \"Work\"}"), R"({"name": "Broken", "contacts": [
      {"rdn": "cn=xyz", "commonName": "Not hexadecimal"},
      {"id": "B0", "revId": 0, "commonName": "Revision zero"},
      {"id": "B1", "revId": "12a", "commonName": "Revision 12a"},
      {"id": "B2", "revId": 4, "surname": "No common name"}]}, )");
  auto r = startLdap({}, seed);
  auto c = bindAs(r->port(), "anna", "demo", LDAP_VERSION2);
  const auto found = c->search("fn=Broken,fn=Personal,fn=ContactRoot", LDAP_SCOPE_ONELEVEL,
                               "(objectClass=velorOrgPerson)", {{"revId", "commonName"}});
  ASSERT_EQ(found.entries.size(), 4u);
  EXPECT_EQ(found.entries[0].dn, "cn=xyz,fn=Broken,fn=Personal,fn=ContactRoot");
  EXPECT_EQ(found.entries[1].attributes.at("revId"), Values{"0"});
  EXPECT_EQ(found.entries[2].attributes.at("revId"), Values{"12a"});
  EXPECT_EQ(found.entries[3].attributes, (Attributes{{"revId", {"4"}}}));
  // A broken revision stays as seeded through a change; a sound one goes up.
  const std::string b1 = "cn=B1,fn=Broken,fn=Personal,fn=ContactRoot";
  EXPECT_EQ(c->modify(b1, {{LDAP_MOD_REPLACE, "comment", {"x"}}}).code, LDAP_SUCCESS);
  EXPECT_EQ(c->revision(b1), "12a");
  EXPECT_EQ(c->modify("cn=B0,fn=Broken,fn=Personal,fn=ContactRoot", {{LDAP_MOD_REPLACE, "comment", {"x"}}}).code, LDAP_SUCCESS);
  EXPECT_EQ(c->revision("cn=B0,fn=Broken,fn=Personal,fn=ContactRoot"), "1");
}

TEST(LdapFaults, DroppedConnectionInTheMiddleOfAReply) {
  auto r = startLdap({"--ldap-fault", "drop=40,on=SEARCH,conn=1", "--ldap-fault", "drop=0,on=DELETE"});
  auto c = bindAs(r->port(), "anna", "demo");
  EXPECT_EQ(c->search(kAnnaContacts, LDAP_SCOPE_ONELEVEL, "(objectClass=*)").code, LDAP_SERVER_DOWN);
  auto next = bindAs(r->port(), "anna", "demo");
  EXPECT_EQ(next->search(kAnnaContacts, LDAP_SCOPE_ONELEVEL, "(objectClass=*)").entries.size(), 4u);
  EXPECT_EQ(next->remove(kJiri).code, LDAP_SERVER_DOWN);
}

TEST(LdapFaults, SplitReplyStillReadsWhole) {
  auto r = startLdap({"--ldap-fault", "split=3+50+51,pause=100,on=SEARCH"});
  auto c = bindAs(r->port(), "anna", "demo");
  const auto start = Clock::now();
  EXPECT_EQ(c->search(kAnnaContacts, LDAP_SCOPE_ONELEVEL, "(objectClass=*)").entries.size(), 4u);
  EXPECT_GE(millisecondsSince(start), 300);
}

TEST(LdapFaults, FaultOptionsAreChecked) {
  EXPECT_EQ(runServerToEnd({"--ldap-fault", "alert=Hello"}).exitCode, 2);
  EXPECT_EQ(runServerToEnd({"--ldap-add-matched", "sometimes"}).exitCode, 2);
  TempDir dir;
  std::string seed = kLdapSeed;
  seed.insert(seed.find("\"contacts\""), R"("ldap": {"faults": [{"alert": "x"}]}, )");
  EXPECT_EQ(runServerToEnd({"--seed", dir.write("seed.json", seed)}).exitCode, 1);
}

}  // namespace
}  // namespace velor::mailserver::test
