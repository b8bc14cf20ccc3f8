// Greeting, CAPABILITY, LOGIN, LOGOUT and the handling of tags and unknown commands, as a client
// sees them over a real connection.
#include <gtest/gtest.h>

#include <algorithm>

#include "fixtures.h"

namespace velor::mailserver::test {
namespace {

TEST(Session, StartsOnFreePortsAndStopsCleanlyOnSigterm) {
  auto r = startServer();
  ASSERT_TRUE(r->server->started()) << r->server->portsLine();
  EXPECT_NE(r->server->imapPort(), r->server->imapsPort());
  EXPECT_GT(r->server->ldapPort(), 0);
  EXPECT_EQ(r->server->portsLine(), "PORTS imap=" + std::to_string(r->server->imapPort()) +
                                        " imaps=" + std::to_string(r->server->imapsPort()) +
                                        " ldap=" + std::to_string(r->server->ldapPort()) + "\n");
  std::printf("[ startup ] %lld ms to the PORTS line\n", static_cast<long long>(r->server->startupTime().count()));
  auto idle = ImapClient::connect(r->server->imapPort());  // a client that never speaks
  ASSERT_TRUE(idle);
  EXPECT_EQ(r->server->stop(), 0);
}

TEST(Session, GreetsWithOkAndTheCapabilities) {
  auto r = startServer();
  auto c = ImapClient::connect(r->server->imapPort());
  ASSERT_TRUE(c);
  EXPECT_EQ(c->readLine(), "* OK [CAPABILITY IMAP4rev1 LITERAL+ ACL] Velor MailServer ready\r\n");
  EXPECT_EQ(c->command("A000", "CAPABILITY"), "* CAPABILITY IMAP4rev1 LITERAL+ ACL\r\nA000 OK CAPABILITY completed\r\n");
}

TEST(Session, GreetingOtherThanOkEndsTheConnection) {
  for (const char* kind : {"NO", "BAD", "BYE"}) {
    auto r = startServer({"--greeting", kind});
    auto c = ImapClient::connect(r->server->imapPort());
    ASSERT_TRUE(c);
    const std::string all = c->readToEnd();
    EXPECT_EQ(all.rfind(std::string("* ") + kind + " ", 0), 0u) << all;
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 1) << all;
    EXPECT_TRUE(c->atEnd());
  }
}

TEST(Session, CapabilityListCanLeaveOutAclOrBeReplaced) {
  auto r = startServer({"--no-acl"});
  auto c = ImapClient::connect(r->server->imapPort());
  c->readLine();
  EXPECT_EQ(c->command("A000", "CAPABILITY"), "* CAPABILITY IMAP4rev1 LITERAL+\r\nA000 OK CAPABILITY completed\r\n");

  auto r2 = startServer({"--capabilities", "IMAP4rev1 ACLX acl"});
  auto c2 = ImapClient::connect(r2->server->imapPort());
  EXPECT_EQ(c2->readLine(), "* OK [CAPABILITY IMAP4rev1 ACLX acl] Velor MailServer ready\r\n");
  EXPECT_EQ(c2->command("A000", "capability"), "* CAPABILITY IMAP4rev1 ACLX acl\r\nA000 OK CAPABILITY completed\r\n");
}

TEST(Session, LoginTakesAtomsQuotedStringsAndLiterals) {
  auto r = startServer();
  const struct {
    const char* command;
    const char* expected;
  } cases[] = {
      {"LOGIN alice secret", "A000 OK LOGIN completed\r\n"},
      {"login \"bob\" \"two words\"", "A000 OK LOGIN completed\r\n"},
      {"LOGIN carol \"q\\\"uo\\\\te\"", "A000 OK LOGIN completed\r\n"},
      {"LOGIN alice wrong", "A000 NO [AUTHENTICATIONFAILED] Invalid user name or password\r\n"},
      {"LOGIN mallory secret", "A000 NO [AUTHENTICATIONFAILED] Invalid user name or password\r\n"},
      {"LOGIN bob two words", "A000 BAD Usage: LOGIN user-name password\r\n"},  // unquoted space
      {"LOGIN alice", "A000 BAD Usage: LOGIN user-name password\r\n"},
      {"LOGIN carol \"q\\uo\"", "A000 BAD Invalid escape in quoted string\r\n"},
  };
  for (const auto& tc : cases) {
    auto c = ImapClient::connect(r->server->imapPort());
    c->readLine();
    EXPECT_EQ(c->command("A000", tc.command), tc.expected) << tc.command;
  }
  // A synchronising literal gets its continuation request first.
  auto c = ImapClient::connect(r->server->imapPort());
  c->readLine();
  c->send("A000 LOGIN {3}\r\n");
  EXPECT_EQ(c->readLine(), "+ Ready for literal data\r\n");
  c->send("bob {9}\r\n");
  EXPECT_EQ(c->readLine(), "+ Ready for literal data\r\n");
  c->send("two words\r\n");
  EXPECT_EQ(c->readUntilTagged("A000"), "A000 OK LOGIN completed\r\n");
  EXPECT_EQ(c->command("A001", "LOGIN bob x"), "A001 BAD Already logged in\r\n");
}

TEST(Session, CommandsNeedTheRightStateAndAKnownName) {
  auto r = startServer();
  auto c = ImapClient::connect(r->server->imapPort());
  c->readLine();
  EXPECT_EQ(c->command("A000", "LSUB \"\" \"*\""), "A000 BAD Log in first\r\n");
  EXPECT_EQ(c->command("x.1", "FROB"), "x.1 BAD Unknown command FROB\r\n");
  EXPECT_EQ(c->command("T9", ""), "T9 BAD Missing command\r\n");
  c->send("+tag NOOP\r\n");
  EXPECT_EQ(c->readLine(), "* BAD Missing or invalid tag\r\n");
  c->send("\r\n");
  EXPECT_EQ(c->readLine(), "* BAD Empty command line\r\n");
  EXPECT_EQ(c->command("A000", "NOOP extra"), "A000 BAD Usage: NOOP\r\n");
  ASSERT_EQ(c->command("A000", "LOGIN alice secret"), "A000 OK LOGIN completed\r\n");
  EXPECT_EQ(c->command("A000", "STORE 1:* +FLAGS (\\Seen)"), "A000 BAD No folder selected\r\n");
  EXPECT_EQ(c->command("A000", "NOOP"), "A000 OK NOOP completed\r\n");
}

TEST(Session, LogoutSaysByeAnswersOkAndCloses) {
  auto r = startServer();
  auto c = ImapClient::connect(r->server->imapPort());
  ASSERT_TRUE(c->login());
  EXPECT_EQ(c->command("A000", "LOGOUT"), "* BYE Velor MailServer logging out\r\nA000 OK LOGOUT completed\r\n");
  EXPECT_EQ(c->readToEnd(), "");
  EXPECT_TRUE(c->atEnd());
}

TEST(Session, HelpAndUsageErrors) {
  const RunResult help = runServerToEnd({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--fault RULE"), std::string::npos);
  EXPECT_NE(help.out.find("PORTS imap=<port> imaps=<port>"), std::string::npos);
  EXPECT_EQ(runServerToEnd({"--greeting", "MAYBE"}).exitCode, 2);
  EXPECT_EQ(runServerToEnd({"--fault", "delay=soon"}).exitCode, 2);
  EXPECT_EQ(runServerToEnd({"--imap-port", "70000"}).exitCode, 2);
  EXPECT_EQ(runServerToEnd({"--seed", "/nonexistent/seed.json"}).exitCode, 1);
}

TEST(Session, RefusesSeedsThatBreakTheFolderModel) {
  TempDir dir;
  for (const char* seed : {
           R"({"users": [{"name": "u", "password": "p", "folders": [{"name": "INBOX/a/b"}]}]})",      // no parent
           R"({"users": [{"name": "u", "password": "p", "folders": [{"name": "Drafts"}]}]})",         // outside INBOX
           R"({"shared": [{"name": "#other", "owner": "u"}]})",                                        // unknown namespace
           R"({"shared": [{"name": "#public"}]})",                                                     // no owner
           R"({"users": [{"name": "u", "password": "p", "folders": [{"name": "INBOX", "acl": [{"id": "u", "rights": "lrx"}]}]}]})",
           R"({"users": [{"name": "u", "password": "p", "mappings": [{"alias": "a", "folder": "~INBOX/None"}]}]})",
           R"({"imap": {"faults": [{"delay_ms": 5, "drop": 3}]}})",
           "{not json"}) {
    EXPECT_EQ(runServerToEnd({"--seed", dir.write("bad.json", seed)}).exitCode, 1) << seed;
  }
}

TEST(Session, DemoSeedServesARealisticAccount) {
  auto r = startServer({}, readFile(VELOR_MAILSERVER_DEMO_SEED));
  auto c = ImapClient::connect(r->server->imapPort());
  ASSERT_TRUE(c && c->login("anna", "demo"));
  const std::string folders = c->command("A000", "LSUB \"\" \"*\"");
  EXPECT_GE(std::count(folders.begin(), folders.end(), '\n'), 30) << folders;
  EXPECT_NE(folders.find("* LSUB () \"/\" \"INBOX/Clients/M&APw-ller GmbH\"\r\n"), std::string::npos);
  const std::string script = c->command("A000", "X-GETSCRIPT");
  EXPECT_EQ(std::count(script.begin(), script.end(), '!'), 6) << script;  // six rule headers
  EXPECT_NE(script.find("\n#!0 Holiday\n# if true \n"), std::string::npos);
  EXPECT_NE(c->command("A000", "GETACL \"INBOX/Team Calendar\"").find("* ACL \"INBOX/Team Calendar\" \"[sales]\" lrsw\r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace velor::mailserver::test
