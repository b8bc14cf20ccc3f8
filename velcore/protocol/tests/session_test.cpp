// Transcript tests of the IMAP session: canned server bytes in, the exact bytes the client sent
// and what the user was shown checked out.
#include "velcore/protocol/ImapText.h"
#include "velcore/protocol/MailboxCommands.h"
#include "velcore/protocol/Session.h"
#include "velcore/protocol/Status.h"
#include "ScriptedTransport.h"
#include "TestStrings.h"

#include <gtest/gtest.h>

using namespace velor;
using velor::testing::ScriptedTransport;

namespace {

struct RecordedPrompts : SessionPrompts {
    std::vector<std::string> shown;
    std::vector<LogonRecord> answers;  // what the user types into each logon dialog; none: Cancel
    std::vector<LogonRecord> offered;

    void CapabilityMissing(const char* capability) override { shown.push_back(std::string("137 ") + capability); }
    void SpaNotSupported() override { shown.push_back("1100"); }
    void PasswordRefused() override { shown.push_back("135"); }
    bool AskLogon(LogonRecord& record) override {
        offered.push_back(record);
        shown.push_back("4100");
        if (answers.empty()) return false;
        LogonRecord answer = answers.front();
        answers.erase(answers.begin());
        record.user = answer.user;
        record.password = answer.password;
        if (record.remember) *record.remember = 1;
        return true;
    }
};

AccountSettings account(const char* user = "anna", const char* password = "secret") {
    AccountSettings a;
    a.host = "mail.example.com";
    a.user = user;
    a.password = password;
    return a;
}

const char kGreeting[] = "* OK Velor MailServer ready\r\n";
const char kOk[] = "A000 OK done\r\n";

}  // namespace

TEST(CommandLine, TagSpaceCommandAndLineEnd) {
    EXPECT_EQ(imap::CommandLine("CAPABILITY"), "A000 CAPABILITY\r\n");
    EXPECT_EQ(imap::CommandLine(" \t LOGOUT"), "A000 LOGOUT\r\n");
    EXPECT_EQ(imap::CommandLine("NOOP\r\n"), "A000 NOOP\r\n");
    // A command with its own line feed goes out ending LF CR LF.
    EXPECT_EQ(imap::CommandLine("SELECT \"INBOX\"\n"), "A000 SELECT \"INBOX\"\n\r\n");
    EXPECT_EQ(imap::CommandLine("   "), "");
}

TEST(CommandLine, ArgumentsAreAtomsOrQuotedStrings) {
    EXPECT_EQ(imap::Astring("anna"), "anna");
    EXPECT_EQ(imap::Astring("anna.berg@example.com"), "anna.berg@example.com");
    EXPECT_EQ(imap::Astring("anna berg"), "\"anna berg\"");
    EXPECT_EQ(imap::Astring("pa\"ss\\word"), "\"pa\\\"ss\\\\word\"");
    EXPECT_EQ(imap::Astring(""), "\"\"");
    EXPECT_EQ(imap::Astring("a(b"), "\"a(b\"");
    EXPECT_EQ(imap::QuotedContent("Te\"st\\x"), "Te\\\"st\\\\x");
}

TEST(Capability, WholeWordInAnyLetterCase) {
    EXPECT_TRUE(imap::HasCapability("CAPABILITY IMAP4rev1 acl QUOTA\r\nOK\r\n", "ACL"));
    EXPECT_TRUE(imap::HasCapability("capability IMAP4rev1 ACL\r\nOK\r\n", "ACL"));
    EXPECT_FALSE(imap::HasCapability("CAPABILITY IMAP4rev1 ACLX\r\nOK\r\n", "ACL"));
    EXPECT_FALSE(imap::HasCapability("CAPABILITY IMAP4rev1 X-ACL\r\nOK\r\n", "ACL"));
    EXPECT_FALSE(imap::HasCapability("", "ACL"));
    // Only the first CAPABILITY line decides.
    EXPECT_FALSE(imap::HasCapability("CAPABILITY IMAP4rev1\r\nCAPABILITY ACL\r\n", "ACL"));
}

TEST(Logon, WrongPasswordShowsTheMessageThenTheDialogUntilAccepted) {
    ScriptedTransport t;
    t.incoming = {"A000 NO bad password\r\n", "A000 NO again\r\n", kOk};
    RecordedPrompts prompts;
    prompts.answers = {{"", "anna", "typo", nullptr}, {"", "anna b", "right\"one", nullptr}};
    AccountSettings a = account();
    std::uint8_t remember = 0;
    EXPECT_EQ(Logon(t, a, prompts, true, &remember), status::kOk);
    EXPECT_EQ(t.sent, "A000 LOGIN anna secret\r\nA000 LOGIN anna typo\r\nA000 LOGIN \"anna b\" \"right\\\"one\"\r\n");
    EXPECT_EQ(prompts.shown, (std::vector<std::string>{"135", "4100", "135", "4100"}));
    ASSERT_EQ(prompts.offered.size(), 2u);
    EXPECT_EQ(prompts.offered[0].server, "mail.example.com");
    EXPECT_EQ(prompts.offered[1].user, "anna");  // the dialog shows the values last tried
    EXPECT_EQ(prompts.offered[1].password, "typo");
    EXPECT_EQ(remember, 1);
    EXPECT_STREQ(a.password.c_str(), "secret");  // corrected values last only for the call
}

TEST(Logon, CancellingTheDialogGivesOneAndSendsNothingMore) {
    ScriptedTransport t;
    t.incoming = {"A000 NO bad password\r\n"};
    RecordedPrompts prompts;
    EXPECT_EQ(Logon(t, account(), prompts, true, nullptr), status::kNo);
    EXPECT_EQ(t.sent, "A000 LOGIN anna secret\r\n");
    EXPECT_EQ(prompts.shown, (std::vector<std::string>{"135", "4100"}));
}

TEST(Logon, WithoutTheDialogARefusalIsReturnedAsItIs) {
    ScriptedTransport t;
    t.incoming = {"A000 NO bad password\r\n"};
    RecordedPrompts prompts;
    EXPECT_EQ(Logon(t, account(), prompts, false, nullptr), status::kNo);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST(Logon, SecurePasswordAuthenticationIsRefusedBeforeAnythingIsSent) {
    ScriptedTransport t;
    RecordedPrompts prompts;
    AccountSettings a = account();
    a.useSpa = 1;
    EXPECT_EQ(Logon(t, a, prompts, true, nullptr), status::kInvalidArg);
    EXPECT_EQ(t.sent, "");
    EXPECT_EQ(prompts.shown, (std::vector<std::string>{"1100"}));
}

TEST(OpenSession, MissingCapabilityIsReportedWithItsName) {
    ScriptedTransport t;
    t.incoming = {kGreeting, "* CAPABILITY IMAP4rev1 ACLX\r\nA000 OK\r\n"};
    RecordedPrompts prompts;
    EXPECT_EQ(OpenSession(t, account(), prompts, "ACL"), status::kFail);
    EXPECT_EQ(t.sent, "A000 CAPABILITY\r\n");
    EXPECT_EQ(prompts.shown, (std::vector<std::string>{"137 ACL"}));
}

TEST(OpenSession, GreetingRefusalsAndTlsFollowTheAccount) {
    ScriptedTransport t;
    t.incoming = {"* BYE busy\r\n"};
    RecordedPrompts prompts;
    AccountSettings a = account();
    a.useSsl = 1;
    a.port = 993;
    EXPECT_EQ(OpenSession(t, a, prompts, "ACL"), status::kByeGreeting);
    EXPECT_EQ(t.events, (std::vector<std::string>{"connect mail.example.com:993", "tls"}));
    EXPECT_EQ(t.sent, "");

    ScriptedTransport failing;
    failing.connectResult = static_cast<std::int32_t>(0x80072AF9);
    EXPECT_EQ(OpenSession(failing, a, prompts, nullptr), static_cast<std::int32_t>(0x80072AF9));
}

TEST(OpenSession, ARefusedCertificateEndsTheCallWithOneBeforeAnythingIsSentOrRead) {
    // The transport's TLS start answers 1 when the user cancels the certificate question.
    velor::testing::EnglishStrings strings;
    FolderNames names{strings};
    AccountSettings a = account();
    a.useSsl = 1;
    for (MailboxAction action : {MailboxAction::kMarkRead, MailboxAction::kMarkUnread, MailboxAction::kExpunge}) {
        ScriptedTransport t;
        t.tlsResult = status::kNo;
        t.incoming = {kGreeting, kOk, kOk, kOk};
        RecordedPrompts prompts;
        EXPECT_EQ(RunMailboxAction(t, a, prompts, names, "Inbox", action), status::kNo);
        EXPECT_EQ(t.sent, "");
        EXPECT_EQ(t.incoming.size(), 4u);  // not even the greeting was read
        EXPECT_EQ(t.events.back(), "close");
        EXPECT_TRUE(prompts.shown.empty());
    }
    ScriptedTransport t;
    t.tlsResult = status::kNo;
    t.incoming = {kGreeting, kOk, kOk};
    RecordedPrompts prompts;
    bool loggedOn = true;
    a.useSsl = 1;
    EXPECT_EQ(SingleCommandSession(t, a, prompts, "NOOP", nullptr, &loggedOn), status::kNo);
    EXPECT_FALSE(loggedOn);
    EXPECT_EQ(t.sent, "");
}

TEST(ExecuteCommand, AFailedSendReportsTheSocketError) {
    ScriptedTransport t;
    t.sendFails = true;
    t.socketError = 10054;
    EXPECT_EQ(ExecuteCommand(t, "NOOP", nullptr), static_cast<std::int32_t>(0x80072746));
    t.socketError = 0;
    EXPECT_EQ(ExecuteCommand(t, "NOOP", nullptr), status::kUnexpected);
}

TEST(SingleCommandSession, TheCommandRunsBetweenLogonAndLogout) {
    ScriptedTransport t;
    t.incoming = {kGreeting, kOk, "* X-LISTMAP \"a\" \"~b\"\r\nA000 OK\r\n", "* BYE\r\nA000 OK\r\n"};
    RecordedPrompts prompts;
    AccountSettings a = account();
    std::string response;
    bool loggedOn = false;
    EXPECT_EQ(SingleCommandSession(t, a, prompts, "X-LISTMAP", &response, &loggedOn), status::kOk);
    EXPECT_EQ(t.sent, "A000 LOGIN anna secret\r\nA000 X-LISTMAP\r\nA000 LOGOUT\r\n");
    EXPECT_EQ(response, "X-LISTMAP \"a\" \"~b\"\r\nOK\r\n");
    EXPECT_TRUE(loggedOn);
    EXPECT_EQ(t.events.back(), "close");
}

TEST(SingleCommandSession, AnEarlyEndLeavesTheGreetingAsResponse) {
    ScriptedTransport t;
    t.incoming = {"* NO maintenance\r\n"};
    RecordedPrompts prompts;
    AccountSettings a = account();
    std::string response = "stale";
    bool loggedOn = true;
    EXPECT_EQ(SingleCommandSession(t, a, prompts, "X-LISTMAP", &response, &loggedOn), status::kNo);
    EXPECT_EQ(response, "NO maintenance\r");
    EXPECT_FALSE(loggedOn);
    EXPECT_EQ(t.sent, "");
    EXPECT_EQ(t.events.back(), "close");
}

TEST(SingleCommandSession, TheDialogMayRememberThePasswordInTheAccount) {
    ScriptedTransport t;
    t.incoming = {kGreeting, "A000 NO\r\n", kOk, kOk, kOk};
    RecordedPrompts prompts;
    prompts.answers = {{"", "anna", "fixed", nullptr}};
    AccountSettings a = account();
    EXPECT_EQ(SingleCommandSession(t, a, prompts, "NOOP", nullptr, nullptr), status::kOk);
    EXPECT_EQ(a.rememberPassword, 1);
}

class MailboxActionTest : public ::testing::Test {
protected:
    velor::testing::EnglishStrings strings;
    FolderNames names{strings};
    ScriptedTransport t;
    RecordedPrompts prompts;
    AccountSettings a = account();
};

TEST_F(MailboxActionTest, MarkReadSelectsTheWireNameAndStoresSeen) {
    t.incoming = {kGreeting, kOk, "* 3 EXISTS\r\nA000 OK [READ-WRITE]\r\n", "* 1 FETCH (FLAGS (\\Seen))\r\nA000 OK\r\n", kOk};
    EXPECT_EQ(RunMailboxAction(t, a, prompts, names, "Inbox/Projects", MailboxAction::kMarkRead), status::kOk);
    EXPECT_EQ(t.sent,
              "A000 LOGIN anna secret\r\n"
              "A000 SELECT \"INBOX/Projects\"\n\r\n"
              "A000 STORE 1:* +FLAGS (\\Seen)\n\r\n"
              "A000 LOGOUT\r\n");
    EXPECT_EQ(t.events, (std::vector<std::string>{"connect mail.example.com:143", "close"}));
}

TEST_F(MailboxActionTest, MarkUnreadAndExpungeSendTheirActions) {
    t.incoming = {kGreeting, kOk, kOk, kOk, kOk};
    EXPECT_EQ(RunMailboxAction(t, a, prompts, names, "Gr\xFC" "n & Co", MailboxAction::kMarkUnread), status::kOk);
    EXPECT_EQ(t.sent,
              "A000 LOGIN anna secret\r\nA000 SELECT \"Gr&APw-n &- Co\"\n\r\nA000 STORE 1:* -FLAGS (\\Seen)\n\r\n"
              "A000 LOGOUT\r\n");
    ScriptedTransport t2;
    t2.incoming = {kGreeting, kOk, kOk, "A000 NO expunge refused\r\n", kOk};
    EXPECT_EQ(RunMailboxAction(t2, a, prompts, names, "inbox", MailboxAction::kExpunge), status::kNo);
    EXPECT_EQ(t2.sent, "A000 LOGIN anna secret\r\nA000 SELECT \"inbox\"\n\r\nA000 EXPUNGE\r\nA000 LOGOUT\r\n");
}

TEST_F(MailboxActionTest, ARefusedSelectClosesWithoutLogout) {
    t.incoming = {kGreeting, kOk, "A000 NO no such folder\r\n"};
    EXPECT_EQ(RunMailboxAction(t, a, prompts, names, "Missing", MailboxAction::kMarkRead), status::kNo);
    EXPECT_EQ(t.sent, "A000 LOGIN anna secret\r\nA000 SELECT \"Missing\"\n\r\n");
    EXPECT_EQ(t.events.back(), "close");
}

TEST_F(MailboxActionTest, AQuoteInAFolderNameCannotExtendTheCommand) {
    t.incoming = {kGreeting, kOk, kOk, kOk, kOk};
    RunMailboxAction(t, a, prompts, names, "a\" b\\", MailboxAction::kExpunge);
    EXPECT_NE(t.sent.find("A000 SELECT \"a\\\" b\\\\\"\n\r\n"), std::string::npos) << t.sent;
}

TEST_F(MailboxActionTest, CancelledLogonGivesOneAndSendsNothingMore) {
    t.incoming = {kGreeting, "A000 NO\r\n"};
    EXPECT_EQ(RunMailboxAction(t, a, prompts, names, "Inbox", MailboxAction::kMarkRead), status::kNo);
    EXPECT_EQ(t.sent, "A000 LOGIN anna secret\r\n");
    ASSERT_EQ(prompts.offered.size(), 1u);
    EXPECT_EQ(prompts.offered[0].remember, nullptr);  // the remember box stays disabled
}

TEST_F(MailboxActionTest, MissingFolderIsRejectedWithoutContactingTheServer) {
    EXPECT_EQ(RunMailboxAction(t, a, prompts, names, nullptr, MailboxAction::kMarkRead), status::kInvalidArg);
    EXPECT_TRUE(t.events.empty());
}
