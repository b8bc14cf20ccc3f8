// Injected faults as a client meets them: late replies, replies in pieces, ALERT lines in the
// middle of a command, and a connection that dies half-way through a reply.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <nlohmann/json.hpp>

#include "faults.h"
#include "fixtures.h"

namespace velor::mailserver::test {
namespace {

using Clock = std::chrono::steady_clock;

long long millisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(Faults, DelayHoldsBackOnlyTheNamedReply) {
  auto r = startServer({"--fault", "delay=600,on=CAPABILITY", "--fault", "delay=300,on=GREETING"});
  auto start = Clock::now();
  auto c = ImapClient::connect(r->server->imapPort());
  EXPECT_EQ(c->readLine(200), "");  // nothing yet
  EXPECT_NE(c->readLine(), "");
  EXPECT_GE(millisecondsSince(start), 300);
  // An undelayed command is answered (no time bound: a loaded machine may be slow).
  EXPECT_EQ(c->command("A000", "NOOP"), "A000 OK NOOP completed\r\n");
  // The delayed reply is not there when a client that waits 200 ms gives up, and arrives whole
  // afterwards.
  start = Clock::now();
  ASSERT_TRUE(c->send("A000 CAPABILITY\r\n"));
  EXPECT_EQ(c->readLine(200), "");
  EXPECT_EQ(c->readUntilTagged("A000"), "* CAPABILITY IMAP4rev1 LITERAL+ ACL\r\nA000 OK CAPABILITY completed\r\n");
  EXPECT_GE(millisecondsSince(start), 600);
}

TEST(Faults, SplitSendsTheReplyInSeparatePiecesCutMidWord) {
  auto r = startServer({"--fault", "split=4+30,pause=250,on=X-LISTMAP"});
  auto c = ImapClient::connect(r->server->imapPort());
  ASSERT_TRUE(c->login());
  c->send("A000 X-LISTMAP\r\n");
  const auto chunks = c->readChunks("A000");
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0], "* X-");
  EXPECT_EQ(chunks[1], "LISTMAP \"sales\" \"~INBOX/Sa");
  EXPECT_EQ(chunks[0] + chunks[1] + chunks[2],
            "* X-LISTMAP \"sales\" \"~INBOX/Sales\"\r\n* X-LISTMAP \"handbook\" \"#public/Handbook\"\r\nA000 OK X-LISTMAP completed\r\n");
}

TEST(Faults, AlertLinesArriveWhileTheCommandIsPending) {
  auto r = startServer({"--fault", "alert=Mailbox nearly full,on=LSUB", "--fault", "alert=Backup running,at=end,on=LSUB"});
  auto c = ImapClient::connect(r->server->imapPort());
  EXPECT_EQ(c->readLine().rfind("* OK [CAPABILITY", 0), 0u);  // the greeting is left alone
  ASSERT_EQ(c->command("L1", "LOGIN alice secret"), "L1 OK LOGIN completed\r\n");
  c->send("A000 LSUB \"\" \"#public*\"\r\n");
  const auto chunks = c->readChunks("A000");
  ASSERT_GE(chunks.size(), 2u);
  EXPECT_EQ(chunks.front(), "* OK [ALERT] Mailbox nearly full\r\n");  // on its own, before the reply
  std::string reply;
  for (const auto& chunk : chunks) reply += chunk;
  EXPECT_EQ(reply, "* OK [ALERT] Mailbox nearly full\r\n* LSUB (\\Noselect) \"/\" #public\r\n* LSUB () \"/\" #public/Handbook\r\n"
                   "* LSUB () \"/\" #public/Team\r\n* OK [ALERT] Backup running\r\nA000 OK LSUB completed\r\n");
}

TEST(Faults, DropCutsTheConnectionInTheMiddleOfTheReply) {
  auto r = startServer({"--fault", "drop=30,on=SELECT,conn=1"});
  auto c = ImapClient::connect(r->server->imapPort());
  ASSERT_TRUE(c->login());
  c->send("A000 SELECT \"INBOX\"\n\r\n");
  EXPECT_EQ(c->readToEnd(), "* FLAGS (\\Answered \\Flagged \\D");
  EXPECT_TRUE(c->atEnd());
  // Only the first connection was chosen: the next one is served whole.
  auto next = ImapClient::connect(r->server->imapPort());
  ASSERT_TRUE(next->login());
  EXPECT_NE(next->command("A000", "SELECT INBOX").find("A000 OK [READ-WRITE] SELECT completed\r\n"), std::string::npos);
}

TEST(Faults, SeedCanChooseFaultsAndGreeting) {
  std::string seed = kSeed;
  seed.insert(seed.find("\"users\""), R"("imap": {"acl_capability": false, "faults": [{"drop": null, "on": "GETACL"}]}, )");
  auto r = startServer({}, seed);
  auto c = ImapClient::connect(r->server->imapPort());
  EXPECT_EQ(c->readLine(), "* OK [CAPABILITY IMAP4rev1 LITERAL+] Velor MailServer ready\r\n");
  ASSERT_EQ(c->command("L1", "LOGIN alice secret"), "L1 OK LOGIN completed\r\n");
  const std::string whole = "* ACL INBOX alice lrswipcda\r\nA000 OK GETACL completed\r\n";
  c->send("A000 GETACL INBOX\r\n");
  EXPECT_EQ(c->readToEnd(), whole.substr(0, whole.size() / 2));

  auto greetedBye = startServer({"--greeting", "BYE"}, seed);
  auto b = ImapClient::connect(greetedBye->server->imapPort());
  EXPECT_EQ(b->readToEnd(), "* BYE Velor MailServer is shutting down\r\n");
}

TEST(Faults, StopDoesNotWaitForADelayedReply) {
  auto r = startServer({"--fault", "delay=60000,on=NOOP"});
  auto c = ImapClient::connect(r->server->imapPort());
  c->readLine();
  c->send("A000 NOOP\r\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto start = Clock::now();
  EXPECT_EQ(r->server->stop(), 0);
  EXPECT_LT(millisecondsSince(start), 10000);
}

TEST(Faults, ReplyAnswersTheNamedCommandWithTheGivenBytesInsteadOfRunningIt) {
  auto r = startServer({"--fault", "reply=* ACL INBOX alice LRSX \"[staff]\" \"\"\\r\\n$TAG OK done\\x2C really\\r\\n,on=GETACL",
                        "--fault", "reply=$TAG OK mapped\\r\\n,on=X-SETMAP,conn=1"});
  auto c = ImapClient::connect(r->server->imapPort());
  ASSERT_TRUE(c->login());
  EXPECT_EQ(c->command("T1", "GETACL INBOX"), "* ACL INBOX alice LRSX \"[staff]\" \"\"\r\nT1 OK done, really\r\n");
  // Not run: the mapping the client asked for does not exist afterwards.
  EXPECT_EQ(c->command("T2", "X-SETMAP \"new\" \"~INBOX/Projects\""), "T2 OK mapped\r\n");
  EXPECT_EQ(c->command("T3", "X-LISTMAP").find("\"new\""), std::string::npos);
  // On the second connection the X-SETMAP rule does not apply.
  auto d = ImapClient::connect(r->server->imapPort());
  ASSERT_TRUE(d->login());
  EXPECT_EQ(d->command("T4", "X-SETMAP \"new\" \"~INBOX/Projects\""), "T4 OK X-SETMAP completed\r\n");
}

TEST(Faults, StatusForcesNoBadOrByeAndLeavesTheStateAlone) {
  auto r = startServer({"--fault", "status=NO,on=DELETEACL", "--fault", "status=bad,on=SETACL",
                        "--fault", "status=BYE,on=X-PUTSCRIPT"});
  auto c = ImapClient::connect(r->server->imapPort());
  ASSERT_TRUE(c->login());
  EXPECT_EQ(c->command("A000", "DELETEACL \"INBOX/&ANw-bersicht &- Co\" \"[staff]\""), "A000 NO Forced by fault\r\n");
  EXPECT_EQ(c->command("A000", "SETACL INBOX bob lr"), "A000 BAD Forced by fault\r\n");
  EXPECT_EQ(c->command("A000", "GETACL \"INBOX/&ANw-bersicht &- Co\""),
            "* ACL \"INBOX/&ANw-bersicht &- Co\" alice lrswipcda\r\n* ACL \"INBOX/&ANw-bersicht &- Co\" \"[staff]\" lr\r\n"
            "A000 OK GETACL completed\r\n");
  c->send("A000 X-PUTSCRIPT {5+}\r\nkeep;\r\n");
  EXPECT_EQ(c->readToEnd(), "A000 BYE Forced by fault\r\n");
}

TEST(Faults, ReplyAndStatusNeedACommandAndAKnownStatus) {
  EXPECT_THROW(parseFaultRule("status=NO"), std::invalid_argument);
  EXPECT_THROW(parseFaultRule("reply=x,on=GREETING"), std::invalid_argument);
  EXPECT_THROW(parseFaultRule("status=MAYBE,on=GETACL"), std::invalid_argument);
  const FaultRule rule = parseFaultRule("reply=a\\x2Cb\\\\c\\td,on=getacl");
  EXPECT_EQ(rule.bytes, "a,b\\c\td");
  EXPECT_EQ(rule.on, "GETACL");
  EXPECT_EQ(faultFromJson(faultToJson(rule)).bytes, rule.bytes);
}

}  // namespace
}  // namespace velor::mailserver::test
