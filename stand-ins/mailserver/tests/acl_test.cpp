// GETACL, SETACL, DELETEACL: one identifier per ACL line, the owner first, groups in brackets,
// and the a right required to read or change an ACL.
#include <gtest/gtest.h>

#include "fixtures.h"

namespace velor::mailserver::test {
namespace {

constexpr char kUebersicht[] = "\"INBOX/&ANw-bersicht &- Co\"";

class Acl : public ::testing::Test {
 protected:
  void SetUp() override {
    running = startServer(extraArgs());
    client = ImapClient::connect(running->server->imapPort());
    ASSERT_TRUE(client && client->login());
  }
  virtual std::vector<std::string> extraArgs() { return {}; }
  std::string acl(const std::string& folder) { return client->command("A000", "GETACL " + folder); }

  std::unique_ptr<Running> running;
  std::unique_ptr<ImapClient> client;
};

TEST_F(Acl, GetAclListsTheOwnerFirstAndGroupsInBrackets) {
  EXPECT_EQ(acl(kUebersicht), std::string("* ACL ") + kUebersicht + " alice lrswipcda\r\n* ACL " + kUebersicht +
                                  " \"[staff]\" lr\r\nA000 OK GETACL completed\r\n");
  EXPECT_EQ(acl("\"INBOX\""), "* ACL INBOX alice lrswipcda\r\nA000 OK GETACL completed\r\n");
  // A shared folder that alice administers but does not own still lists its owner first.
  EXPECT_EQ(acl("\"#public/Team\""), "* ACL #public/Team alice lrswipcda\r\n* ACL #public/Team bob lrs\r\nA000 OK GETACL completed\r\n");
  EXPECT_EQ(acl("\"#public/Handbook\""), "A000 NO Permission denied: administering this folder takes the a right\r\n");
  EXPECT_EQ(acl("\"#backup/Mail\""), "A000 NO Mailbox does not exist\r\n");
}

TEST_F(Acl, SetAclAndDeleteAclEditTheList) {
  const std::string f = "\"INBOX/Projects\"";
  EXPECT_EQ(client->command("A000", "SETACL " + f + " \"bob\" \"rl\""), "A000 OK SETACL completed\r\n");
  EXPECT_EQ(client->command("A000", "SETACL " + f + " \"[staff]\" \"lrsw\""), "A000 OK SETACL completed\r\n");
  EXPECT_EQ(client->command("A000", "SETACL " + f + " \"bob\" \"+wi\""), "A000 OK SETACL completed\r\n");
  EXPECT_EQ(client->command("A000", "SETACL " + f + " \"[staff]\" \"-s\""), "A000 OK SETACL completed\r\n");
  // The owner's rights may be rewritten as long as l and a stay.
  EXPECT_EQ(client->command("A000", "SETACL " + f + " \"alice\" \"lrswipcda\""), "A000 OK SETACL completed\r\n");
  EXPECT_EQ(acl(f), "* ACL INBOX/Projects alice lrswipcda\r\n* ACL INBOX/Projects bob lrwi\r\n"
                    "* ACL INBOX/Projects \"[staff]\" lrw\r\nA000 OK GETACL completed\r\n");
  EXPECT_EQ(client->command("A000", "DELETEACL " + f + " \"bob\""), "A000 OK DELETEACL completed\r\n");
  EXPECT_EQ(client->command("A000", "DELETEACL " + f + " \"[staff]\""), "A000 OK DELETEACL completed\r\n");
  EXPECT_EQ(acl(f), "* ACL INBOX/Projects alice lrswipcda\r\nA000 OK GETACL completed\r\n");
  // Setting no rights at all takes the entry away, as DELETEACL would.
  client->command("A000", "SETACL " + f + " anyone l");
  EXPECT_EQ(client->command("A000", "SETACL " + f + " anyone \"\""), "A000 OK SETACL completed\r\n");
  EXPECT_EQ(acl(f), "* ACL INBOX/Projects alice lrswipcda\r\nA000 OK GETACL completed\r\n");
}

TEST_F(Acl, RefusesWhatARealServerRefuses) {
  const std::string f = "\"INBOX/Projects\"";
  EXPECT_EQ(client->command("A000", "SETACL " + f + " bob lrx"), "A000 BAD Invalid rights: only the letters lrswipcda are known\r\n");
  EXPECT_EQ(client->command("A000", "SETACL " + f + " bob LR"), "A000 BAD Invalid rights: only the letters lrswipcda are known\r\n");
  EXPECT_EQ(client->command("A000", "SETACL " + f + " mallory lr"), "A000 NO Unknown identifier: mallory\r\n");
  EXPECT_EQ(client->command("A000", "SETACL " + f + " \"[nobody]\" lr"), "A000 NO Unknown identifier: [nobody]\r\n");
  EXPECT_EQ(client->command("A000", "SETACL " + f + " alice lrswipcd"), "A000 NO The owner keeps the l and a rights\r\n");
  EXPECT_EQ(client->command("A000", "DELETEACL " + f + " alice"), "A000 NO The owner's entry cannot be removed\r\n");
  EXPECT_EQ(client->command("A000", "SETACL " + f + " bob"), "A000 BAD Usage: SETACL folder identifier rights\r\n");
  EXPECT_EQ(client->command("A000", "SETACL \"INBOX/Gone\" bob lr"), "A000 NO Mailbox does not exist\r\n");

  // bob reads the handbook but may not administer it.
  auto bob = ImapClient::connect(running->server->imapPort());
  ASSERT_TRUE(bob->login("bob", "\"two words\""));
  EXPECT_EQ(bob->command("B1", "SETACL \"#public/Handbook\" bob lrswipcda"), "B1 NO Permission denied: administering this folder takes the a right\r\n");
  EXPECT_EQ(bob->command("B1", "DELETEACL \"#public/Handbook\" \"[staff]\""), "B1 NO Permission denied: administering this folder takes the a right\r\n");
  EXPECT_EQ(bob->command("B1", "MYRIGHTS \"#public/Handbook\""), "* MYRIGHTS #public/Handbook lr\r\nB1 OK MYRIGHTS completed\r\n");
  // alice's own folders are not bob's to see: his INBOX is his own.
  EXPECT_EQ(bob->command("B1", "GETACL \"INBOX/Projects\""), "B1 NO Mailbox does not exist\r\n");
}

class AclOneLine : public Acl {
  std::vector<std::string> extraArgs() override { return {"--acl-one-line"}; }
};

TEST_F(AclOneLine, PutsEveryPairOnOneLineWhenAsked) {
  EXPECT_EQ(acl(kUebersicht), std::string("* ACL ") + kUebersicht + " alice lrswipcda \"[staff]\" lr\r\nA000 OK GETACL completed\r\n");
}

}  // namespace
}  // namespace velor::mailserver::test
