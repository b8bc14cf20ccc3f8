// The script on the wire: the literal of X-PUTSCRIPT counted in UTF-8 bytes, X-GETSCRIPT's
// literal taken byte for byte, empty scripts both ways, and which outcome tells the user what.
#include "velcore/protocol/ScriptReply.h"
#include "velcore/protocol/ScriptTransfer.h"
#include "velcore/protocol/Status.h"
#include "ScriptedTransport.h"
#include "ServerTestSupport.h"

#include <gtest/gtest.h>

using namespace velor;
using namespace velor::testing;

namespace {

struct RecordingNotices : ScriptNotices {
    std::vector<std::string> shown;
    void ReceiveFailed(std::int32_t status) override {
        char text[32];
        std::snprintf(text, sizeof text, "3004 0x%08X", static_cast<unsigned>(status));
        shown.push_back(text);
    }
    void NotUpdated() override { shown.push_back("3304"); }
};

struct ScriptTest : ::testing::Test {
    ScriptedTransport transport;
    RecordingPrompts prompts;
    RecordingNotices notices;
    AccountSettings account = TestAccount();
    std::string script = "untouched";

    std::int32_t fetch(std::vector<std::string> reply) {
        transport.incoming = {kGreeting, kTaggedOk};
        for (auto& chunk : reply) transport.incoming.push_back(std::move(chunk));
        transport.incoming.push_back(kTaggedOk);
        return FetchScript(transport, account, prompts, notices, script);
    }
    std::int32_t store(std::string_view text, const char* reply = kTaggedOk) {
        transport.incoming = {kGreeting, kTaggedOk, reply, kTaggedOk};
        return StoreScript(transport, account, prompts, notices, text);
    }
};

std::string literalReply(const std::string& bytes) {
    return "* X-GETSCRIPT {" + std::to_string(bytes.size()) + "}\r\n" + bytes + "\r\nA000 OK X-GETSCRIPT completed\r\n";
}

// The same bytes cut into pieces of the given size, as a slow connection delivers them.
std::vector<std::string> pieces(const std::string& bytes, std::size_t size) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < bytes.size(); i += size) out.push_back(bytes.substr(i, size));
    return out;
}

const std::string kTrickyScript =
    "# * OK this comment line looks like a status\r\n"
    "* OK [ALERT] and so does this one\r\n"
    "A000 OK a tagged line inside the script\r\n"
    "\r\n"
    "   \r\n"
    "/* a comment\r\n"
    "   whose closing line stands alone\r\n"
    "*/\r\n"
    "\tif header :contains \"subject\" \"{5}\" {\r\n"
    "        keep;\r\n"
    "}\r\n"
    "a000 lower-case tag too\n"
    "* X-GETSCRIPT {3}\n";

}  // namespace

TEST_F(ScriptTest, TheStoredLiteralCountsUtf8Bytes) {
    // Five characters, two of them accented: seven bytes in UTF-8.
    EXPECT_EQ(store("H\xE9l\xE8n"), 0);
    EXPECT_EQ(transport.sends.at(1), "A000 X-PUTSCRIPT {7+}\r\nH\xC3\xA9l\xC3\xA8n\r\n");
    EXPECT_TRUE(notices.shown.empty());
    EXPECT_EQ(transport.sent, "A000 LOGIN anna secret\r\nA000 X-PUTSCRIPT {7+}\r\nH\xC3\xA9l\xC3\xA8n\r\nA000 LOGOUT\r\n");
}

TEST_F(ScriptTest, AnEmptyRuleSetIsStoredAsOneSpace) {
    EXPECT_EQ(store(""), 0);
    EXPECT_EQ(transport.sends.at(1), "A000 X-PUTSCRIPT {1+}\r\n \r\n");
}

TEST_F(ScriptTest, TheCommandScriptAndLineEndGoOutInOneSend) {
    EXPECT_EQ(store(kTrickyScript), 0);
    EXPECT_EQ(transport.sends.size(), 3u);
    EXPECT_EQ(transport.sends.at(1), PutScriptLine(kTrickyScript));
    EXPECT_EQ(transport.sends.at(1),
              "A000 X-PUTSCRIPT {" + std::to_string(kTrickyScript.size()) + "+}\r\n" + kTrickyScript + "\r\n");
}

TEST_F(ScriptTest, EveryResultButSuccessOfTheStoreIsToldTheUser) {
    EXPECT_EQ(store("keep;", "A000 NO quota exceeded\r\n"), status::kNo);
    EXPECT_EQ(store("keep;", "A000 BAD invalid\r\n"), status::kInvalidArg);
    EXPECT_EQ(store("keep;", "A000 BYE going away\r\n"), status::kAbort);
    EXPECT_EQ(notices.shown, (std::vector<std::string>{"3304", "3304", "3304"}));
    // A cancelled logon loses the edits just as well.
    notices.shown.clear();
    transport = ScriptedTransport();
    transport.incoming = {kGreeting, "A000 NO wrong password\r\n"};
    EXPECT_EQ(StoreScript(transport, account, prompts, notices, "keep;"), status::kNo);
    EXPECT_EQ(prompts.shown, (std::vector<std::string>{"135", "4100"}));
    EXPECT_EQ(notices.shown, (std::vector<std::string>{"3304"}));
    // A script with a NUL cannot travel as a literal: refused, nothing sent, the user told.
    transport = ScriptedTransport();
    EXPECT_EQ(StoreScript(transport, account, prompts, notices, std::string_view("ke\0ep;", 6)), status::kInvalidArg);
    EXPECT_TRUE(transport.events.empty());
    EXPECT_EQ(notices.shown.size(), 2u);
}

TEST_F(ScriptTest, TheFetchedLiteralArrivesByteForByte) {
    EXPECT_EQ(fetch({literalReply(kTrickyScript)}), 0);
    EXPECT_EQ(script, kTrickyScript);
    EXPECT_EQ(transport.sends.at(1), "A000 X-GETSCRIPT\r\n");
    EXPECT_TRUE(notices.shown.empty());
}

TEST_F(ScriptTest, ALiteralCutIntoPiecesAndAnAlertBeforeItChangeNothing) {
    for (std::size_t size : {1u, 2u, 7u, 64u}) {
        transport = ScriptedTransport();
        script.clear();
        EXPECT_EQ(fetch(pieces("* OK [ALERT] quota low\r\n" + literalReply(kTrickyScript), size)), 0);
        EXPECT_EQ(script, kTrickyScript) << size;
    }
}

TEST_F(ScriptTest, TheScriptIsConvertedFromUtf8) {
    EXPECT_EQ(fetch({literalReply("# K\xC3\xB6ln\nkeep;\n")}), 0);
    EXPECT_EQ(script, "# K\xF6ln\nkeep;\n");
}

TEST_F(ScriptTest, NothingOrOnlyBlanksBeforeTheTaggedOkIsAnEmptyScript) {
    for (const char* reply : {"* X-GETSCRIPT {0}\r\n\r\nA000 OK done\r\n", "* X-GETSCRIPT {3}\r\n \r\n\r\nA000 OK\r\n",
                              " \r\nA000 OK done\r\n", "A000 OK done\r\n", "* X-GETSCRIPT\r\n   \r\n\r\nA000 OK\r\n"}) {
        transport = ScriptedTransport();
        script = "untouched";
        EXPECT_EQ(fetch({reply}), 0) << reply;
        EXPECT_EQ(script, "") << reply;
    }
    EXPECT_TRUE(notices.shown.empty());
}

TEST_F(ScriptTest, AServerThatSendsPlainLinesIsReadToo) {
    EXPECT_EQ(fetch({"* X-GETSCRIPT\r\n#!1 Rule\r\n* not a status\r\nif true {\r\n  keep;\r\n}\r\n\r\nA000 OK done\r\n"}), 0);
    EXPECT_EQ(script, "#!1 Rule\r\n* not a status\r\nif true {\r\n  keep;\r\n}");
}

TEST_F(ScriptTest, ARefusalAfterScriptDataEndsQuietlyWithItsResult) {
    EXPECT_EQ(fetch({"* X-GETSCRIPT {5}\r\nkeep;\r\nA000 NO script locked\r\n"}), status::kNo);
    EXPECT_TRUE(notices.shown.empty());
    EXPECT_EQ(script, "");
}

TEST_F(ScriptTest, FailuresToReceiveShowTheirCode) {
    EXPECT_EQ(fetch({"A000 NO There is no active script\r\n"}), status::kFail);
    transport = ScriptedTransport();
    EXPECT_EQ(fetch({"A000 BAD Unknown command X-GETSCRIPT\r\n"}), status::kInvalidArg);
    transport = ScriptedTransport();
    EXPECT_EQ(fetch({"* X-GETSCRIPT {50}\r\nonly part of it"}), status::kUnexpected);  // the connection ends
    transport = ScriptedTransport();
    transport.connectResult = status::FromWin32(10061);
    EXPECT_EQ(FetchScript(transport, account, prompts, notices, script), static_cast<std::int32_t>(0x8007274D));
    transport = ScriptedTransport();
    transport.incoming = {"* BYE busy\r\n"};
    EXPECT_EQ(FetchScript(transport, account, prompts, notices, script), status::kFail);
    transport = ScriptedTransport();
    transport.incoming = {kGreeting, "A000 NO wrong password\r\n"};  // and the dialog is cancelled
    EXPECT_EQ(FetchScript(transport, account, prompts, notices, script), status::kFail);
    EXPECT_EQ(notices.shown, (std::vector<std::string>{"3004 0x80004005", "3004 0x80070057", "3004 0x8000FFFF",
                                                       "3004 0x8007274D", "3004 0x80004005", "3004 0x80004005"}));
    EXPECT_EQ(script, "");
}

TEST(ScriptReply, ALiteralBeyondTheLimitIsGivenUp) {
    ScriptedTransport transport;
    transport.incoming = {"* X-GETSCRIPT {99999999999}\r\nabc"};
    imap::ScriptReply reply;
    EXPECT_EQ(imap::ReadScriptReply(transport, reply), status::kFail);
    EXPECT_TRUE(reply.script.empty());
}
