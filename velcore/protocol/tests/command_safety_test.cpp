// No text from a user, an account or another user's folder list may end a command line early:
// a line end inside a folder name or a password would otherwise reach the server as a command of
// its own. Refused texts open no connection at all.
#include "velcore/protocol/FolderNames.h"
#include "velcore/protocol/ImapText.h"
#include "velcore/protocol/MailboxCommands.h"
#include "velcore/protocol/Session.h"
#include "velcore/protocol/Status.h"
#include "velcore/protocol/TextConversion.h"
#include "ScriptedTransport.h"
#include "TestStrings.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

using namespace velor;
using velor::testing::ScriptedTransport;

namespace {

const char kGreeting[] = "* OK ready\r\n";
const char kOk[] = "A000 OK done\r\n";

struct SilentPrompts : SessionPrompts {
    std::optional<LogonRecord> answer;  // what the user types after a refusal; none: Cancel
    void CapabilityMissing(const char*) override {}
    void SpaNotSupported() override {}
    void PasswordRefused() override {}
    bool AskLogon(LogonRecord& record) override {
        if (!answer) return false;
        record.user = answer->user;
        record.password = answer->password;
        answer.reset();
        return true;
    }
};

AccountSettings account(std::string_view user, std::string_view password) {
    AccountSettings a;
    a.host = "mail.example.com";
    a.user = SharedString(user);
    a.password = SharedString(password);
    return a;
}

// Reads an IMAP astring from the front of text (an atom up to a space, or a quoted string with
// its escapes), as a server would; nullopt when the quoted string is never closed.
std::optional<std::string> readAstring(std::string_view& text) {
    std::string value;
    if (text.empty() || text.front() != '"') {
        std::size_t end = text.find(' ');
        value = std::string(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end);
        return value;
    }
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            value += text[++i];
        } else if (text[i] == '"') {
            text.remove_prefix(i + 1);
            return value;
        } else {
            value += text[i];
        }
    }
    return std::nullopt;
}

// The command without its line end, checked to be exactly one line.
std::string_view body(std::string_view sent) {
    EXPECT_GE(sent.size(), 2u);
    EXPECT_EQ(sent.substr(sent.size() - 2), "\r\n");
    sent.remove_suffix(2);
    if (!sent.empty() && sent.back() == '\n') sent.remove_suffix(1);  // SELECT's own line feed
    EXPECT_EQ(sent.find_first_of(std::string_view("\r\n\0", 3)), std::string_view::npos);
    return sent;
}

// Any bytes, with the ones that matter to a command line drawn often.
std::string randomText(std::mt19937& random) {
    static const char kInteresting[] = {'\r', '\n', '\0', '"', '\\', '&', '-', ' ', '/', '(', '{', '*', '\t', 'A'};
    std::uniform_int_distribution<int> length(0, 12), kind(0, 3), byte(0, 255),
        pick(0, static_cast<int>(sizeof kInteresting) - 1);
    std::string text;
    for (int n = length(random); n > 0; --n) {
        int k = kind(random);
        text += k == 0 ? kInteresting[pick(random)] : k == 1 ? static_cast<char>('a' + byte(random) % 26)
                                                           : static_cast<char>(byte(random));
    }
    return text;
}

bool hasLineEndOrNul(std::string_view text) { return !imap::FitsInCommand(text); }

}  // namespace

class CommandSafetyTest : public ::testing::Test {
protected:
    velor::testing::EnglishStrings strings;
    FolderNames names{strings};
    ScriptedTransport t;
    SilentPrompts prompts;
};

TEST_F(CommandSafetyTest, AFolderNameWithALineEndIsRefusedBeforeConnecting) {
    AccountSettings a = account("anna", "secret");
    // Typed, and as it arrives from another user's shared folder, encoded.
    const std::string typed = "x\r\nA000 DELETE INBOX";
    const std::string shared = names.WireToDisplay("x&AA0ACg-A000 DELETE INBOX");
    for (const std::string& folder : {typed, shared, std::string("Inbox/a\nb"), std::string("a\rb")}) {
        ScriptedTransport fresh;
        fresh.incoming = {kGreeting, kOk, kOk, kOk, kOk};
        EXPECT_EQ(RunMailboxAction(fresh, a, prompts, names, folder.c_str(), MailboxAction::kExpunge),
                  status::kInvalidArg);
        EXPECT_TRUE(fresh.events.empty()) << "no connection for " << folder;
        EXPECT_EQ(fresh.sent, "");
    }
}

TEST_F(CommandSafetyTest, CredentialsWithALineEndOrZeroAreRefusedBeforeConnecting) {
    const AccountSettings accounts[] = {account("anna\r\nA000 DELETE INBOX", "secret"), account("anna", "pw\nX"),
                                        account("anna", std::string_view("pw\0rest", 7))};
    for (const AccountSettings& a : accounts) {
        ScriptedTransport mailbox;
        EXPECT_EQ(RunMailboxAction(mailbox, a, prompts, names, "Inbox", MailboxAction::kMarkRead), status::kInvalidArg);
        EXPECT_TRUE(mailbox.events.empty());
        ScriptedTransport single;
        AccountSettings copy = a;
        EXPECT_EQ(SingleCommandSession(single, copy, prompts, "NOOP", nullptr, nullptr), status::kInvalidArg);
        EXPECT_TRUE(single.events.empty());
        EXPECT_EQ(single.sent, "");
    }
}

TEST_F(CommandSafetyTest, ALineEndTypedIntoTheLogonDialogIsNotSent) {
    t.incoming = {"A000 NO wrong\r\n"};
    prompts.answer = LogonRecord{"", "anna", "new\r\nA000 DELETE INBOX", nullptr};
    EXPECT_EQ(Logon(t, account("anna", "old"), prompts, true, nullptr), status::kInvalidArg);
    EXPECT_EQ(t.sent, "A000 LOGIN anna old\r\n");
}

TEST_F(CommandSafetyTest, ACommandOfMoreThanOneLineIsNotSent) {
    EXPECT_EQ(ExecuteCommand(t, "NOOP\r\nA000 DELETE INBOX", nullptr), status::kInvalidArg);
    EXPECT_EQ(ExecuteCommand(t, std::string_view("NOOP\0X", 6), nullptr), status::kInvalidArg);
    AccountSettings a = account("anna", "secret");
    EXPECT_EQ(SingleCommandSession(t, a, prompts, "X-LISTMAP\rA000 DELETE INBOX", nullptr, nullptr),
              status::kInvalidArg);
    EXPECT_EQ(t.sent, "");
    EXPECT_TRUE(t.events.empty());
    // The commands' own line ends are no reason to refuse them.
    EXPECT_TRUE(imap::IsSingleLine("STORE 1:* +FLAGS (\\Seen)\n"));
    EXPECT_TRUE(imap::IsSingleLine("NOOP\r\n"));
}

TEST(ModifiedUtf7, ControlCharactersTravelInBase64) {
    EXPECT_EQ(ToWireName("a\tb"), "a&AAk-b");
    EXPECT_EQ(ToWireName("x\r\ny"), "x&AA0ACg-y");
    EXPECT_EQ(ToWireName("x\x7Fy"), "x&AH8-y");
    EXPECT_EQ(FromWireName("a&AAk-b"), "a\tb");
}

// Whatever bytes a folder name or a credential holds, every command that goes out is one line
// whose arguments a server reads back exactly; what cannot be sent so is refused unsent.
TEST_F(CommandSafetyTest, NoGeneratedNameOrCredentialBreaksACommand) {
    std::mt19937 random(20261208);
    int refused = 0, sent = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::string folder = randomText(random);
        const std::string user = round % 3 == 0 ? randomText(random) : "anna";
        const std::string password = round % 3 == 1 ? randomText(random) : "secret";
        ScriptedTransport wire;
        wire.incoming = {kGreeting, kOk, kOk, kOk, kOk};
        AccountSettings a = account(user, password);
        std::int32_t result = RunMailboxAction(wire, a, prompts, names, folder.c_str(), MailboxAction::kMarkRead);
        const std::string folderSeen(folder.c_str());  // the export gets a C string
        if (hasLineEndOrNul(folderSeen) || hasLineEndOrNul(user) || hasLineEndOrNul(password)) {
            ASSERT_EQ(result, status::kInvalidArg) << round;
            ASSERT_TRUE(wire.events.empty()) << round;
            ++refused;
            continue;
        }
        ASSERT_EQ(result, status::kOk) << round;
        ASSERT_EQ(wire.sends.size(), 4u) << round;
        ++sent;

        std::string_view login = body(wire.sends[0]);
        ASSERT_EQ(login.substr(0, 11), "A000 LOGIN ");
        login.remove_prefix(11);
        auto sentUser = readAstring(login);
        ASSERT_TRUE(sentUser) << round;
        ASSERT_EQ(*sentUser, user);
        ASSERT_EQ(login.substr(0, 1), " ");
        login.remove_prefix(1);
        auto sentPassword = readAstring(login);
        ASSERT_TRUE(sentPassword) << round;
        ASSERT_EQ(*sentPassword, password);
        ASSERT_TRUE(login.empty()) << "extra text after LOGIN's arguments: " << login;

        std::string_view select = body(wire.sends[1]);
        ASSERT_EQ(select.substr(0, 12), "A000 SELECT ");
        select.remove_prefix(12);
        auto sentFolder = readAstring(select);
        ASSERT_TRUE(sentFolder) << round;
        ASSERT_EQ(*sentFolder, names.DisplayToWire(folderSeen));
        ASSERT_TRUE(select.empty());
        // The wire form is printable ASCII only.
        for (char c : *sentFolder) ASSERT_TRUE(c >= 0x20 && c < 0x7F) << round;
    }
    // Both outcomes were exercised in earnest.
    EXPECT_GT(refused, 300);
    EXPECT_GT(sent, 300);
}
