// Input no client should send, and load no single test exercises: the server must answer BAD
// (never crash or hang), and keep serving afterwards.
#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "fixtures.h"

namespace velor::mailserver::test {
namespace {

TEST(Robustness, RandomGarbageGetsBadAndTheSessionGoesOn) {
  auto r = startServer();
  std::mt19937 random(20260101);  // fixed, so a failure can be replayed
  const std::string alphabet = "A0 *%(){}[]\"\\+-:~#&\r\n\t\x01\x7f\xff" "abcXYZ";  // digits: 0 only
  for (int round = 0; round < 20; ++round) {
    auto c = ImapClient::connect(r->server->imapPort());
    ASSERT_TRUE(c);
    if (round % 2) ASSERT_TRUE(c->login());
    else c->readLine();
    std::string garbage;
    for (int i = 0; i < 400; ++i) {
      // Mostly characters IMAP gives meaning to, now and then a plausible command start.
      if (random() % 40 == 0) garbage += "\r\nG" + std::to_string(i) + (random() % 2 ? " SELECT {3" : " STORE 1:* +FLAGS (");
      garbage += alphabet[random() % alphabet.size()];
    }
    // The only digits about are 0 and 3, so no literal the garbage opens can be longer than
    // the filler: after it the NOOP must be read as a command of its own and answered.
    c->send(garbage + "\r\n" + std::string(4096, 'x') + "\r\nZZ9 NOOP\r\n");
    const std::string reply = c->readUntilTagged("ZZ9", 15000);
    EXPECT_NE(reply.find("ZZ9 OK NOOP completed\r\n"), std::string::npos) << "round " << round;
    EXPECT_EQ(reply.find("\n* BYE"), std::string::npos) << "round " << round;
  }
  auto c = ImapClient::connect(r->server->imapPort());
  ASSERT_TRUE(c->login());
  EXPECT_EQ(c->command("A000", "NOOP"), "A000 OK NOOP completed\r\n");
  c.reset();
  EXPECT_EQ(r->server->stop(), 0);
}

TEST(Robustness, HugeLinesAndLiteralsAreRefusedWithoutLosingTheSession) {
  auto r = startServer();
  auto c = ImapClient::connect(r->server->imapPort());
  ASSERT_TRUE(c->login());
  const std::string longLine = "A000 SELECT \"" + std::string(5 * 1024 * 1024, 'm') + "\"\r\n";
  ASSERT_TRUE(c->send(longLine));
  EXPECT_EQ(c->readUntilTagged("A000", 30000), "A000 BAD Command line too long\r\n");
  EXPECT_EQ(c->command("A001", "NOOP"), "A001 OK NOOP completed\r\n");
  c->send("A002 X-PUTSCRIPT {999999999}\r\n");  // synchronising: refused before any data
  EXPECT_EQ(c->readUntilTagged("A002"), "A002 BAD Literal too large\r\n");
  EXPECT_EQ(c->command("A003", "NOOP"), "A003 OK NOOP completed\r\n");
  c->send("A004 X-PUTSCRIPT {999999999+}\r\n");  // already on its way: the stream cannot recover
  EXPECT_EQ(c->readToEnd(), "* BYE Literal too large\r\n");

  auto next = ImapClient::connect(r->server->imapPort());
  ASSERT_TRUE(next->login());
  // A client that vanishes in the middle of a literal costs the server nothing.
  next->send("A000 X-PUTSCRIPT {100+}\r\nkeep;");
  next.reset();
  auto last = ImapClient::connect(r->server->imapPort());
  ASSERT_TRUE(last->login());
  EXPECT_EQ(last->command("A000", "NOOP"), "A000 OK NOOP completed\r\n");
}

TEST(Robustness, ServesManyConnectionsInTurnAndSideBySide) {
  auto r = startServer();
  for (int i = 0; i < 150; ++i) {
    auto c = ImapClient::connect(r->server->imapPort());
    ASSERT_TRUE(c && c->login()) << "connection " << i;
    ASSERT_EQ(c->command("A000", "LOGOUT"), "* BYE Velor MailServer logging out\r\nA000 OK LOGOUT completed\r\n");
  }
  std::vector<std::thread> threads;
  std::atomic<int> good{0};
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      auto c = ImapClient::connect(r->server->imapPort());
      if (!c || !c->login()) return;
      const std::string alias = "\"alias" + std::to_string(t) + "\"";
      for (int k = 0; k < 20; ++k)
        if (c->command("A000", "X-SETMAP " + alias + " \"~INBOX/Sales\"") != "A000 OK X-SETMAP completed\r\n") return;
      ++good;
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(good.load(), 8);
  auto c = ImapClient::connect(r->server->imapPort());
  ASSERT_TRUE(c->login());
  const std::string list = c->command("A000", "X-LISTMAP");
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 2 + 8 + 1) << list;
}

}  // namespace
}  // namespace velor::mailserver::test
