// Folder mappings, the Sieve script commands with their literals, and the state written back.
#include <gtest/gtest.h>

#include <cstring>

#include <nlohmann/json.hpp>

#include "fixtures.h"

namespace velor::mailserver::test {
namespace {

constexpr char kAliceScript[] = "#!1 B\xC3\xBCro\nif header :contains \"Subject\" \"report\"\n {\n  fileinto \"INBOX/Projects\";\n}\n";

std::string putScript(const std::string& script, std::size_t announced) {
  return "A000 X-PUTSCRIPT {" + std::to_string(announced) + "+}\r\n" + script + "\r\n";
}

class Mapped : public ::testing::Test {
 protected:
  void SetUp() override {
    running = startServer({"--state", dir.path("state.json")});
    client = ImapClient::connect(running->server->imapPort());
    ASSERT_TRUE(client && client->login());
  }
  TempDir dir;
  std::unique_ptr<Running> running;
  std::unique_ptr<ImapClient> client;
};

TEST_F(Mapped, ListMapQuotesAliasAndFolderAndMarksOwnFolders) {
  EXPECT_EQ(client->command("A000", "X-LISTMAP"),
            "* X-LISTMAP \"sales\" \"~INBOX/Sales\"\r\n* X-LISTMAP \"handbook\" \"#public/Handbook\"\r\nA000 OK X-LISTMAP completed\r\n");
}

TEST_F(Mapped, SetMapAddsOrChangesAndDeleteMapRemoves) {
  EXPECT_EQ(client->command("A000", "X-SETMAP \"b&APw-ro\" \"~INBOX/&ANw-bersicht &- Co\""), "A000 OK X-SETMAP completed\r\n");
  EXPECT_EQ(client->command("A000", "X-SETMAP \"sales\" \"#public/Team\""), "A000 OK X-SETMAP completed\r\n");
  EXPECT_EQ(client->command("A000", "X-SETMAP \"inbox\" \"~inbox\""), "A000 OK X-SETMAP completed\r\n");
  EXPECT_EQ(client->command("A000", "X-DELETEMAP \"handbook\""), "A000 OK X-DELETEMAP completed\r\n");
  EXPECT_EQ(client->command("A000", "X-LISTMAP"),
            "* X-LISTMAP \"sales\" \"#public/Team\"\r\n"
            "* X-LISTMAP \"b&APw-ro\" \"~INBOX/&ANw-bersicht &- Co\"\r\n"
            "* X-LISTMAP \"inbox\" \"~INBOX\"\r\nA000 OK X-LISTMAP completed\r\n");
}

TEST_F(Mapped, SetMapAndDeleteMapRefuseBadTargets) {
  EXPECT_EQ(client->command("A000", "X-SETMAP \"x\" \"INBOX/Sales\""),
            "A000 NO Folder must be one of your own, written with a leading ~, or one of a # namespace\r\n");
  EXPECT_EQ(client->command("A000", "X-SETMAP \"x\" \"~INBOX/Gone\""), "A000 NO Mailbox does not exist\r\n");
  EXPECT_EQ(client->command("A000", "X-SETMAP \"x\" \"#backup/Mail\""), "A000 NO Mailbox does not exist\r\n");
  EXPECT_EQ(client->command("A000", "X-SETMAP \"x\" \"~#public/Team\""), "A000 NO Mailbox does not exist\r\n");
  EXPECT_EQ(client->command("A000", "X-SETMAP \"\" \"~INBOX\""), "A000 BAD Alias expected (modified UTF-7, not empty)\r\n");
  EXPECT_EQ(client->command("A000", "X-SETMAP \"x\""), "A000 BAD Usage: X-SETMAP alias folder\r\n");
  EXPECT_EQ(client->command("A000", "X-DELETEMAP \"nothing\""), "A000 NO No such mapping: nothing\r\n");
}

TEST_F(Mapped, GetScriptSendsOneFirstLineTheScriptAndTheTaggedOk) {
  EXPECT_EQ(client->command("A000", "X-GETSCRIPT"), "* X-GETSCRIPT {" + std::to_string(std::strlen(kAliceScript)) +
                                                        "}\r\n" + kAliceScript + "\r\nA000 OK X-GETSCRIPT completed\r\n");
  auto carol = ImapClient::connect(running->server->imapPort());
  ASSERT_TRUE(carol->login("carol", "\"q\\\"uo\\\\te\""));
  EXPECT_EQ(carol->command("C1", "X-GETSCRIPT"), "C1 NO There is no active script\r\n");
}

TEST_F(Mapped, PutScriptChecksTheLiteralAndMakesTheScriptActive) {
  // Five characters, two of them two bytes long in UTF-8: a literal of 7.
  const std::string script = "#!0 B\xC3\xBC\xC3\x9F" "e\n# keep;";
  client->send(putScript(script, script.size()));
  EXPECT_EQ(client->readUntilTagged("A000"), "A000 OK X-PUTSCRIPT completed\r\n");
  EXPECT_EQ(client->command("A000", "X-GETSCRIPT"), "* X-GETSCRIPT {" + std::to_string(script.size()) + "}\r\n" +
                                                        script + "\r\nA000 OK X-GETSCRIPT completed\r\n");
  // An empty rule set is stored as one space.
  client->send(putScript(" ", 1));
  EXPECT_EQ(client->readUntilTagged("A000"), "A000 OK X-PUTSCRIPT completed\r\n");
  EXPECT_EQ(client->command("A000", "X-GETSCRIPT"), "* X-GETSCRIPT {1}\r\n \r\nA000 OK X-GETSCRIPT completed\r\n");

  // Counted in characters instead of bytes, the literal ends early and the rest is left over.
  client->send(putScript("B\xC3\xBCro", 4));
  EXPECT_EQ(client->readUntilTagged("A000"), "A000 BAD Unexpected data after the script: the literal length does not match\r\n");
  client->send(putScript("B\xFCro", 4));
  EXPECT_EQ(client->readUntilTagged("A000"), "A000 NO The script is not valid UTF-8\r\n");
  EXPECT_EQ(client->command("A000", "X-PUTSCRIPT keep;"), "A000 BAD Usage: X-PUTSCRIPT {length+} followed by the script\r\n");
  // A synchronising literal works too, after the continuation request.
  client->send("A000 X-PUTSCRIPT {5}\r\n");
  EXPECT_EQ(client->readLine(), "+ Ready for literal data\r\n");
  client->send("keep;\r\n");
  EXPECT_EQ(client->readUntilTagged("A000"), "A000 OK X-PUTSCRIPT completed\r\n");
}

TEST_F(Mapped, StateFileRecordsTheChangesAndServesAsASeed) {
  client->command("A000", "X-SETMAP \"new\" \"~INBOX/Projects\"");
  client->command("A000", "SETACL \"INBOX/Projects\" \"[staff]\" lr");
  client->send(putScript("keep;", 5));
  client->readUntilTagged("A000");
  client->command("A000", "SELECT INBOX");
  client->command("A000", "STORE 2 +FLAGS (\\Seen)");
  client->command("A000", "EXPUNGE");
  const std::string lsubBefore = client->command("A000", "LSUB \"\" \"*\"");
  client.reset();
  ASSERT_EQ(running->server->stop(), 0);

  const auto state = nlohmann::json::parse(readFile(dir.path("state.json")));
  const auto& alice = state.at("users").at(0);
  EXPECT_EQ(alice.at("script").at("text"), "keep;");
  EXPECT_EQ(alice.at("mappings").at(2), (nlohmann::json{{"alias", "new"}, {"folder", "~INBOX/Projects"}}));
  const auto& inbox = alice.at("folders").at(0);
  EXPECT_EQ(inbox.at("name"), "INBOX");
  ASSERT_EQ(inbox.at("messages").size(), 2u);  // the deleted third message is gone
  EXPECT_EQ(inbox.at("messages").at(1), (nlohmann::json{{"uid", 2}, {"flags", {"\\Seen"}}}));
  EXPECT_EQ(alice.at("folders").at(1).at("acl").at(1), (nlohmann::json{{"id", "[staff]"}, {"rights", "lr"}}));
  EXPECT_EQ(alice.at("folders").at(5).at("name"), "INBOX/\xC3\x9C" "bersicht & Co");
  EXPECT_EQ(state.at("contacts").at("kept"), "for the directory side");

  // The state file starts a server that answers as the first one ended.
  auto again = startServer({}, readFile(dir.path("state.json")));
  auto c = ImapClient::connect(again->server->imapPort());
  ASSERT_TRUE(c->login());
  EXPECT_EQ(c->command("A000", "LSUB \"\" \"*\""), lsubBefore);
  EXPECT_NE(c->command("A000", "SELECT INBOX").find("* 2 EXISTS\r\n"), std::string::npos);
}

}  // namespace
}  // namespace velor::mailserver::test
