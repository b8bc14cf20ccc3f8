// SELECT, STORE, EXPUNGE and the folder list, with the line ends and forms the runtime library
// uses: SELECT and STORE arrive ending in LF CR LF.
#include <gtest/gtest.h>

#include "fixtures.h"

namespace velor::mailserver::test {
namespace {

constexpr char kInboxSelected[] =
    "* FLAGS (\\Answered \\Flagged \\Deleted \\Seen \\Draft)\r\n"
    "* 3 EXISTS\r\n"
    "* 0 RECENT\r\n"
    "* OK [UNSEEN 2] First unseen\r\n"
    "* OK [PERMANENTFLAGS (\\Answered \\Flagged \\Deleted \\Seen \\Draft \\*)] Flags permitted\r\n"
    "* OK [UIDVALIDITY 1] UIDs valid\r\n"
    "* OK [UIDNEXT 4] Predicted next UID\r\n"
    "A000 OK [READ-WRITE] SELECT completed\r\n";

class Mailbox : public ::testing::Test {
 protected:
  void SetUp() override {
    running = startServer();
    client = ImapClient::connect(running->server->imapPort());
    ASSERT_TRUE(client && client->login());
  }
  std::unique_ptr<Running> running;
  std::unique_ptr<ImapClient> client;
};

TEST_F(Mailbox, MarkAllReadAndUnreadWithLfCrLfLineEnds) {
  client->send("A000 SELECT \"INBOX\"\n\r\n");
  EXPECT_EQ(client->readUntilTagged("A000"), kInboxSelected);
  client->send("A000 STORE 1:* +FLAGS (\\Seen)\n\r\n");
  EXPECT_EQ(client->readUntilTagged("A000"),
            "* 1 FETCH (FLAGS (\\Seen))\r\n* 2 FETCH (FLAGS (\\Seen))\r\n* 3 FETCH (FLAGS (\\Deleted \\Seen))\r\n"
            "A000 OK STORE completed\r\n");
  client->send("A000 STORE 1:* -FLAGS (\\Seen)\n\r\n");
  EXPECT_EQ(client->readUntilTagged("A000"),
            "* 1 FETCH (FLAGS ())\r\n* 2 FETCH (FLAGS ())\r\n* 3 FETCH (FLAGS (\\Deleted))\r\n"
            "A000 OK STORE completed\r\n");
  // The CR LF after each LF was part of the line end: no reply of its own came before this.
  EXPECT_EQ(client->command("A000", "LOGOUT"), "* BYE Velor MailServer logging out\r\nA000 OK LOGOUT completed\r\n");
}

TEST_F(Mailbox, SelectFindsFoldersByTheirWireNames) {
  EXPECT_EQ(client->command("A000", "SELECT inbox"), kInboxSelected);  // INBOX in any case
  const std::string projects = client->command("A000", "SELECT \"INBOX/Projects\"");
  EXPECT_NE(projects.find("* 2 EXISTS\r\n"), std::string::npos);
  EXPECT_NE(projects.find("A000 OK [READ-WRITE]"), std::string::npos);
  EXPECT_NE(client->command("A000", "SELECT \"INBOX/&ANw-bersicht &- Co\"").find("A000 OK [READ-WRITE]"), std::string::npos);
  EXPECT_EQ(client->command("A000", "SELECT \"INBOX/\xC3\x9C" "bersicht &- Co\""), "A000 NO Folder name is not valid modified UTF-7\r\n");
  EXPECT_EQ(client->command("A000", "SELECT \"INBOX/Archive\""), "A000 NO Mailbox cannot be selected: it only holds other folders\r\n");
  EXPECT_EQ(client->command("A000", "SELECT \"INBOX/Nothing\""), "A000 NO Mailbox does not exist\r\n");
  EXPECT_EQ(client->command("A000", "SELECT \"#backup/Mail\""), "A000 NO Mailbox does not exist\r\n");  // no l right
  // A failed SELECT leaves no folder selected.
  EXPECT_EQ(client->command("A000", "EXPUNGE"), "A000 BAD No folder selected\r\n");
}

TEST_F(Mailbox, StoreValidatesItsArgumentsAndEmptyFoldersAnswerOk) {
  ASSERT_NE(client->command("A000", "SELECT \"INBOX/Empty\"").find("* 0 EXISTS"), std::string::npos);
  client->send("A000 STORE 1:* +FLAGS (\\Seen)\n\r\n");
  EXPECT_EQ(client->readUntilTagged("A000"), "A000 OK STORE completed\r\n");
  client->command("A000", "SELECT INBOX");
  EXPECT_EQ(client->command("A000", "STORE 4 +FLAGS (\\Seen)"), "A000 BAD Invalid message sequence set\r\n");
  EXPECT_EQ(client->command("A000", "STORE 1 +FLAGS (\\Recent)"), "A000 BAD Invalid flag: \\Recent\r\n");
  EXPECT_EQ(client->command("A000", "STORE 1 +FLAGS (\\Seen"), "A000 BAD Unbalanced flag list\r\n");
  EXPECT_EQ(client->command("A000", "STORE 1 BODY (\\Seen)"), "A000 BAD STORE changes FLAGS, +FLAGS or -FLAGS\r\n");
  EXPECT_EQ(client->command("A000", "STORE 2 +FLAGS.SILENT \\flagged $Work"), "A000 OK STORE completed\r\n");
  EXPECT_EQ(client->command("A000", "STORE 2 FLAGS ()"), "* 2 FETCH (FLAGS ())\r\nA000 OK STORE completed\r\n");
}

TEST_F(Mailbox, ExpungeRenumbersAsItGoes) {
  client->command("A000", "SELECT \"INBOX/Archive/2025\"");
  EXPECT_EQ(client->command("A000", "EXPUNGE"), "* 1 EXPUNGE\r\n* 1 EXPUNGE\r\nA000 OK EXPUNGE completed\r\n");
  EXPECT_NE(client->command("A000", "SELECT \"INBOX/Archive/2025\"").find("* 1 EXISTS"), std::string::npos);
  EXPECT_EQ(client->command("A000", "STORE 1 -FLAGS (\\Flagged)"), "* 1 FETCH (FLAGS ())\r\nA000 OK STORE completed\r\n");
}

TEST_F(Mailbox, RightsDecideWhatAReaderMayChange) {
  auto bob = ImapClient::connect(running->server->imapPort());
  ASSERT_TRUE(bob->login("bob", "\"two words\""));
  const std::string handbook = bob->command("B1", "SELECT \"#public/Handbook\"");
  EXPECT_NE(handbook.find("B1 OK [READ-ONLY] SELECT completed"), std::string::npos) << handbook;
  EXPECT_EQ(bob->command("B1", "STORE 1:* +FLAGS (\\Seen)"), "B1 NO Mailbox is read-only\r\n");
  EXPECT_EQ(bob->command("B1", "EXPUNGE"), "B1 NO Mailbox is read-only\r\n");
  // lrs on #public/Team: \Seen may change, \Deleted may not.
  ASSERT_NE(bob->command("B1", "SELECT \"#public/Team\"").find("[READ-WRITE]"), std::string::npos);
  EXPECT_EQ(bob->command("B1", "STORE 1:* +FLAGS (\\Seen)"), "B1 OK STORE completed\r\n");
  EXPECT_EQ(bob->command("B1", "EXPUNGE"), "B1 NO Permission denied\r\n");
  EXPECT_EQ(bob->command("B1", "EXAMINE INBOX"), "* FLAGS (\\Answered \\Flagged \\Deleted \\Seen \\Draft)\r\n* 0 EXISTS\r\n* 0 RECENT\r\n"
            "* OK [PERMANENTFLAGS (\\Answered \\Flagged \\Deleted \\Seen \\Draft \\*)] Flags permitted\r\n"
            "* OK [UIDVALIDITY 1] UIDs valid\r\n* OK [UIDNEXT 1] Predicted next UID\r\nB1 OK [READ-ONLY] EXAMINE completed\r\n");
}

TEST_F(Mailbox, LsubListsSubscribedFoldersInTreeOrder) {
  EXPECT_EQ(client->command("A000", "LSUB \"\" \"*\""),
            "* LSUB () \"/\" INBOX\r\n"
            "* LSUB () \"/\" INBOX/Projects\r\n"
            "* LSUB () \"/\" \"INBOX/Sent Items\"\r\n"
            "* LSUB (\\Noselect) \"/\" INBOX/Archive\r\n"
            "* LSUB () \"/\" INBOX/Archive/2025\r\n"
            "* LSUB () \"/\" \"INBOX/&ANw-bersicht &- Co\"\r\n"
            "* LSUB () \"/\" INBOX/Empty\r\n"
            "* LSUB () \"/\" INBOX/Sales\r\n"
            "* LSUB (\\Noselect) \"/\" #public\r\n"
            "* LSUB () \"/\" #public/Handbook\r\n"
            "* LSUB () \"/\" #public/Team\r\n"
            "* LSUB (\\Noselect) \"/\" #backup\r\n"
            "A000 OK LSUB completed\r\n");
  EXPECT_EQ(client->command("A000", "LIST \"\" \"%\""),
            "* LIST () \"/\" INBOX\r\n* LIST (\\Noselect) \"/\" #public\r\n* LIST (\\Noselect) \"/\" #backup\r\nA000 OK LIST completed\r\n");
  EXPECT_EQ(client->command("A000", "LIST \"inbox/\" \"O%\""), "* LIST () \"/\" INBOX/Old\r\nA000 OK LIST completed\r\n");
  EXPECT_EQ(client->command("A000", "LIST \"\" \"\""), "* LIST (\\Noselect) \"/\" \"\"\r\nA000 OK LIST completed\r\n");
}

}  // namespace
}  // namespace velor::mailserver::test
