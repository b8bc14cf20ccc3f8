// Access-control lists: the GETACL reply reader, the order and the stop of the write, the
// rendering, and the one-connection reading of several folders, byte for byte.
#include "velcore/protocol/AclCommands.h"
#include "velcore/protocol/Status.h"
#include "ScriptedTransport.h"
#include "ServerTestSupport.h"
#include "TestStrings.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace velor;
using namespace velor::testing;

namespace {

using Lines = std::vector<std::string>;

struct AclTest : ::testing::Test {
    EnglishStrings strings;
    FolderNames names{strings};
    ScriptedTransport transport;
    RecordingPrompts prompts;
    AccountSettings account = TestAccount();
    OwnedAcl acl;
};

}  // namespace

TEST_F(AclTest, OnePairPerLineAndAllPairsOnOneLineGiveTheSameList) {
    const Lines expected{"anna/lrswipcda/0/1ff", "staff/lr/2/180", "bob/lrwx/1/1a0", "eve/ri/1/90"};
    ASSERT_EQ(ParseAclReply("ACL \"INBOX/Team\" anna lrswipcda\r\n"
                            "ACL \"INBOX/Team\" \"[staff]\" lr\r\n"
                            "acl \"INBOX/Team\" bob LRWX\r\n"
                            "  ACL INBOX/Team eve \"ri\"\r\n"
                            "OK GETACL completed\r\n",
                            acl.list),
              0);
    EXPECT_EQ(acl.describe(), expected);
    OwnedAcl oneLine;
    ASSERT_EQ(ParseAclReply("ACL \"INBOX/Team\" anna lrswipcda \"[staff]\" lr bob LRWX eve ri\nOK done\n", oneLine.list),
              0);
    EXPECT_EQ(oneLine.describe(), expected);
}

TEST_F(AclTest, TheFirstEntryIsTheOwnerOnlyWithTheAdminRight) {
    ASSERT_EQ(ParseAclReply("ACL f bob lr\nACL f anna lrswipcda\nOK\n", acl.list), 0);
    EXPECT_EQ(acl.describe(), (Lines{"bob/lr/1/180", "anna/lrswipcda/1/1ff"}));
    ASSERT_EQ(ParseAclReply("ACL f \"[admins]\" lra\nACL f anna a\nOK\n", acl.list), 0);
    EXPECT_EQ(acl.describe(), (Lines{"admins/lra/2/181", "anna/a/1/1"}));
}

TEST_F(AclTest, QuotedTokensAreUnescapedAndIdentifiersDecodedFromTheWireForm) {
    ASSERT_EQ(ParseAclReply("ACL \"a\\\"b\" \"we\\\"ird\\\\one\" lr \"&AOk-va\" \"lrs\" \"[sales &- more]\" l\nOK\n",
                            acl.list),
              0);
    EXPECT_EQ(acl.describe(), (Lines{"we\"ird\\one/lr/1/180", "\xE9va/lrs/1/1c0", "sales & more/l/2/100"}));
}

TEST_F(AclTest, UnknownAndUpperCaseLettersAreKeptLowerCasedWithoutBits) {
    ASSERT_EQ(ParseAclReply("ACL f anna LRSWIPCDAXTEK0123456789\nACL f bob xyz\nOK\n", acl.list), 0);
    // At most 15 letters are kept.
    EXPECT_EQ(acl.describe(), (Lines{"anna/lrswipcdaxtek01/0/1ff", "bob/xyz/1/0"}));
}

TEST_F(AclTest, AnEmptyTokenClearsTheListAndFails) {
    for (const char* reply : {"ACL f anna lr\nACL f \"\" lr\nOK\n", "ACL f anna lr\nACL \"\" bob lr\nOK\n",
                              "ACL f anna lr\nACL f bob \"\"\nOK\n", "ACL f anna lr\nACL f bob\nOK\n",
                              "ACL f anna lr\nACL f\nOK\n", "ACL f anna \"lr\nOK\n"}) {
        acl.add("old", "l", kAclUser);
        EXPECT_EQ(ParseAclReply(reply, acl.list), status::kFail) << reply;
        EXPECT_EQ(acl.list.count, 0u) << reply;
    }
}

TEST_F(AclTest, AnIdentifierThatCannotBeHeldWholeIsLeftOut) {
    std::string longName(128, 'x');
    ASSERT_EQ(ParseAclReply("ACL f anna lrswipcda\nACL f " + longName + " lr\nACL f \"a&AAo-b\" lr\nACL f " +
                                std::string(127, 'y') + " r\nACL f bob \"l\x01r\"\nACL f eve " + std::string("\0r", 2) + "\nOK\n",
                            acl.list),
              0);
    EXPECT_EQ(acl.describe(), (Lines{"anna/lrswipcda/0/1ff", std::string(127, 'y') + "/r/1/80"}));
}

TEST_F(AclTest, ReadAclSendsGetaclInTheWireFormAndKeepsTheListWhenRefused) {
    transport.incoming = {"* ACL \"INBOX/Gr&APwA3w-e\" anna lrswipcda\r\n* ACL \"INBOX/Gr&APwA3w-e\" \"[staff]\" lr\r\n"
                          "A000 OK done\r\n",
                          "A000 NO no such folder\r\n"};
    EXPECT_EQ(ReadAcl(transport, names, "Inbox/Gr\xFC\xDF" "e", acl.list), 0);
    EXPECT_EQ(acl.describe(), (Lines{"anna/lrswipcda/0/1ff", "staff/lr/2/180"}));
    EXPECT_EQ(ReadAcl(transport, names, "Public Folders/a\"b", acl.list), status::kNo);
    EXPECT_EQ(acl.list.count, 2u);
    EXPECT_EQ(transport.sent, "A000 GETACL \"INBOX/Gr&APwA3w-e\"\r\nA000 GETACL \"#public/a\\\"b\"\r\n");
}

TEST_F(AclTest, RenderingLeavesOutTheOwnerBracketsGroupsAndSaysAllWithoutSAndP) {
    EXPECT_EQ(RenderAcl(acl.list, "All"), "");
    acl.add("anna", "lrswipcda", kAclOwner, 0x1FF);
    EXPECT_EQ(RenderAcl(acl.list, "All"), "");
    acl.add("staff", "lr", kAclGroup, 0x180);
    acl.add("bob", "lrwicda", kAclUser, 0x1B7);
    acl.add("eve", "lrwicd", kAclUser, 0x1B6);
    EXPECT_EQ(RenderAcl(acl.list, "All"), "[staff] (lr), bob (All), eve (lrwicd)");
}

TEST_F(AclTest, WriteDeletesFirstThenSetsEveryRemainingEntryInOrder) {
    acl.add("anna", "lrswipcda", kAclOwner);
    acl.add("-bob", "lr", kAclUser);
    acl.add("-staff", "lr", kAclGroup);
    acl.add("eve \"x\\y\"", "lrs", kAclUser);
    acl.add("sales", "l", kAclGroup);
    transport.incoming.assign(4, kTaggedOk);
    transport.incoming.push_back(kTaggedOk);
    EXPECT_EQ(WriteAcl(transport, names, "Inbox", acl.list), 0);
    EXPECT_EQ(transport.sent,
              "A000 DELETEACL \"INBOX\" \"bob\"\r\n"
              "A000 DELETEACL \"INBOX\" \"[staff]\"\r\n"
              "A000 SETACL \"INBOX\" \"anna\" \"lrswipcda\"\r\n"
              "A000 SETACL \"INBOX\" \"eve \\\"x\\\\y\\\"\" \"lrs\"\r\n"
              "A000 SETACL \"INBOX\" \"[sales]\" \"l\"\r\n");
    EXPECT_EQ(acl.list.count, 3u);
}

TEST_F(AclTest, AFailedDeletionStopsTheWriteAndIsReturned) {
    acl.add("anna", "lrswipcda", kAclOwner);
    acl.add("-bob", "lr", kAclUser);
    acl.add("-eve", "lr", kAclUser);
    transport.incoming = {"A000 NO not allowed\r\n"};
    EXPECT_EQ(WriteAcl(transport, names, "Inbox", acl.list), status::kNo);
    // No SETACL follows, least of all one for an identifier still marked for deletion.
    EXPECT_EQ(transport.sent, "A000 DELETEACL \"INBOX\" \"bob\"\r\n");
    EXPECT_EQ(acl.list.count, 3u);
}

TEST_F(AclTest, TheFirstFailedGrantStopsTheWriteAndIsReturned) {
    acl.add("anna", "lrswipcda", kAclOwner);
    acl.add("bob", "lr", kAclUser);
    acl.add("eve", "lr", kAclUser);
    transport.incoming = {kTaggedOk, "A000 BAD unknown right\r\n", kTaggedOk};
    EXPECT_EQ(WriteAcl(transport, names, "Inbox", acl.list), status::kInvalidArg);
    EXPECT_EQ(transport.sends.size(), 2u);
}

TEST_F(AclTest, TextsThatWouldBreakTheLineAreRefusedBeforeAnythingIsSent) {
    acl.add("anna", "lrswipcda", kAclOwner);
    acl.add("bob\r\nA000 DELETEACL INBOX anna", "lr", kAclUser);
    EXPECT_EQ(SetFolderAcl(transport, account, prompts, names, "Inbox", acl.list), status::kInvalidArg);
    EXPECT_EQ(WriteAcl(transport, names, "Inbox", acl.list), status::kInvalidArg);
    AclListRemove(acl.list, 1);
    acl.add("bob", "l\nr", kAclUser);
    EXPECT_EQ(WriteAcl(transport, names, "Inbox", acl.list), status::kInvalidArg);
    AclListRemove(acl.list, 1);
    acl.add("bob", "lr", kAclUser);
    std::memset(acl.list.entries[1].identifier, 'x', kAclIdentifierSize);  // no terminating zero
    EXPECT_EQ(WriteAcl(transport, names, "Inbox", acl.list), status::kInvalidArg);
    AclListRemove(acl.list, 1);
    EXPECT_EQ(WriteAcl(transport, names, "Inbox\r\nA000 LOGOUT", acl.list), status::kInvalidArg);
    EXPECT_EQ(GetFolderAcl(transport, account, prompts, names, "Inbox\n", acl.list), status::kInvalidArg);
    EXPECT_TRUE(transport.sent.empty());
    EXPECT_TRUE(transport.events.empty());
}

TEST_F(AclTest, FolderAclNeedsTheAclCapability) {
    transport.incoming = {kAclGreeting, "* CAPABILITY IMAP4rev1 ACLX\r\nA000 OK done\r\n"};
    EXPECT_EQ(GetFolderAcl(transport, account, prompts, names, "Inbox", acl.list), status::kFail);
    EXPECT_EQ(prompts.shown, (Lines{"137 ACL"}));
    EXPECT_EQ(transport.sent, "A000 CAPABILITY\r\n");
    EXPECT_EQ(transport.events.back(), "close");
}

TEST_F(AclTest, SetFolderAclIsOneSessionAroundTheWrite) {
    acl.add("anna", "lrswipcda", kAclOwner);
    transport.incoming = {kAclGreeting, kAclCapability, kTaggedOk, kTaggedOk, kTaggedOk};
    EXPECT_EQ(SetFolderAcl(transport, account, prompts, names, "Inbox/Team", acl.list), 0);
    EXPECT_EQ(transport.sent,
              "A000 CAPABILITY\r\nA000 LOGIN anna secret\r\nA000 SETACL \"INBOX/Team\" \"anna\" \"lrswipcda\"\r\n"
              "A000 LOGOUT\r\n");
}

TEST_F(AclTest, SeveralFoldersAreReadInOneSessionEachWithItsOwnResult) {
    OwnedAcl first, second, third;
    FolderAclRequest items[3] = {{"Inbox", 99, &first.list}, {"Inbox/Gone", 99, &second.list},
                                 {"Public Folders", 99, &third.list}};
    FolderAclRequests requests{items, 3};
    second.add("kept", "l", kAclUser);
    transport.incoming = {kAclGreeting, kAclCapability, kTaggedOk,
                          "* ACL INBOX anna lrswipcda\r\nA000 OK done\r\n", "A000 NO no such folder\r\n",
                          "* ACL #public admin lrswipcda anyone l\r\nA000 OK done\r\n", kTaggedOk};
    EXPECT_EQ(GetAcls(transport, account, prompts, names, requests), 0);
    EXPECT_EQ(items[0].result, 0);
    EXPECT_EQ(items[1].result, status::kNo);  // the refusal is recorded, not taken for success
    EXPECT_EQ(items[2].result, 0);
    EXPECT_EQ(first.describe(), (Lines{"anna/lrswipcda/0/1ff"}));
    EXPECT_EQ(second.describe(), (Lines{"kept/l/1/0"}));
    EXPECT_EQ(third.describe(), (Lines{"admin/lrswipcda/0/1ff", "anyone/l/1/100"}));
    EXPECT_EQ(transport.sent,
              "A000 CAPABILITY\r\nA000 LOGIN anna secret\r\nA000 GETACL \"INBOX\"\r\nA000 GETACL \"INBOX/Gone\"\r\n"
              "A000 GETACL \"#public\"\r\nA000 LOGOUT\r\n");
    EXPECT_EQ(std::count(transport.events.begin(), transport.events.end(), "close"), 1);
}

TEST_F(AclTest, NoFolderStillLogsOnAndOffAndAFailedLogonTouchesNoRequest) {
    FolderAclRequests none{nullptr, 0};
    transport.incoming = {kAclGreeting, kAclCapability, kTaggedOk, kTaggedOk};
    EXPECT_EQ(GetAcls(transport, account, prompts, names, none), 0);
    EXPECT_EQ(transport.sent, "A000 CAPABILITY\r\nA000 LOGIN anna secret\r\nA000 LOGOUT\r\n");

    ScriptedTransport refused;
    FolderAclRequest item{"Inbox", 99, &acl.list};
    FolderAclRequests one{&item, 1};
    refused.incoming = {kAclGreeting, kAclCapability, "A000 NO wrong password\r\n"};
    EXPECT_EQ(GetAcls(refused, account, prompts, names, one), status::kNo);  // the dialog was cancelled
    EXPECT_EQ(item.result, 99);
    EXPECT_EQ(prompts.shown, (Lines{"135", "4100"}));
}

TEST_F(AclTest, TheMaskHoldsTheKnownLettersOnly) {
    EXPECT_EQ(AclMask("lrswipcda"), 0x1FF);
    EXPECT_EQ(AclMask("LRxyz"), 0x180);
    EXPECT_EQ(AclMask(""), 0);
}
