// Folder mappings: the exact X-SETMAP and X-DELETEMAP lines, the "~" of the user's own folders,
// the kinds and folders read from X-LISTMAP, and the refusals made before any connection.
#include "velcore/protocol/MappingCommands.h"
#include "velcore/protocol/Status.h"
#include "ScriptedTransport.h"
#include "ServerTestSupport.h"
#include "TestStrings.h"

#include <gtest/gtest.h>

using namespace velor;
using namespace velor::testing;

namespace {

struct MappingTest : ::testing::Test {
    EnglishStrings strings;
    FolderNames names{strings};
    ScriptedTransport transport;
    RecordingPrompts prompts;
    AccountSettings account = TestAccount();

    // The command the session sent between LOGIN and LOGOUT.
    std::string commandSent() const {
        const std::string login = "A000 LOGIN anna secret\r\n";
        std::string sent = transport.sent;
        EXPECT_EQ(sent.compare(0, login.size(), login), 0) << sent;
        sent.erase(0, login.size());
        const std::string logout = "A000 LOGOUT\r\n";
        if (sent.size() >= logout.size() && sent.compare(sent.size() - logout.size(), logout.size(), logout) == 0)
            sent.erase(sent.size() - logout.size());
        return sent;
    }
    void serverAnswers(const char* reply) { transport.incoming = {kGreeting, kTaggedOk, reply, kTaggedOk}; }
};

std::vector<std::string> describe(const std::vector<FolderMapping>& mappings) {
    std::vector<std::string> out;
    for (const auto& m : mappings) out.push_back(std::to_string(m.kind) + " " + m.alias.str() + " -> " + m.folder.str());
    return out;
}

}  // namespace

TEST_F(MappingTest, AnOwnFolderGetsTheTildeAndANamespaceFolderNone) {
    serverAnswers(kTaggedOk);
    EXPECT_EQ(AddMapping(transport, account, prompts, names, "Inbox/Sales", "sales"), 0);
    EXPECT_EQ(commandSent(), "A000 X-SETMAP \"sales\" \"~INBOX/Sales\"\r\n");

    transport = ScriptedTransport();
    serverAnswers(kTaggedOk);
    EXPECT_EQ(AddMapping(transport, account, prompts, names, "  Public Folders/Shared ", "\tshared  "), 0);
    EXPECT_EQ(commandSent(), "A000 X-SETMAP \"shared\" \"#public/Shared\"\r\n");

    transport = ScriptedTransport();
    serverAnswers("A000 NO folder unknown\r\n");
    EXPECT_EQ(AddMapping(transport, account, prompts, names, "Projekte/Gr\xFC\xDF" "e", "a \"q\" \\ b"), status::kNo);
    EXPECT_EQ(commandSent(), "A000 X-SETMAP \"a \\\"q\\\" \\\\ b\" \"~Projekte/Gr&APwA3w-e\"\r\n");
}

TEST_F(MappingTest, EmptyOrLineBreakingTextsAreRefusedWithoutAConnection) {
    EXPECT_EQ(AddMapping(transport, account, prompts, names, "Inbox", "    "), status::kInvalidArg);
    EXPECT_EQ(AddMapping(transport, account, prompts, names, " \t ", "sales"), status::kInvalidArg);
    EXPECT_EQ(AddMapping(transport, account, prompts, names, "Inbox", "sales\r\nA000 X-DELETEMAP x"), status::kInvalidArg);
    EXPECT_EQ(AddMapping(transport, account, prompts, names, std::string_view("In\0box", 6), "sales"),
              status::kInvalidArg);
    EXPECT_EQ(RemoveMapping(transport, account, prompts, "  "), status::kInvalidArg);
    EXPECT_EQ(RemoveMapping(transport, account, prompts, "a\nb"), status::kInvalidArg);
    EXPECT_TRUE(transport.events.empty());
    EXPECT_TRUE(transport.sent.empty());
}

TEST_F(MappingTest, RemovingSendsTheTrimmedAliasInTheWireForm) {
    serverAnswers(kTaggedOk);
    EXPECT_EQ(RemoveMapping(transport, account, prompts, " Verk\xE4uf "), 0);
    EXPECT_EQ(commandSent(), "A000 X-DELETEMAP \"Verk&AOQ-uf\"\r\n");
    transport = ScriptedTransport();
    serverAnswers("A000 NO No such mapping\r\n");
    EXPECT_EQ(RemoveMapping(transport, account, prompts, "gone"), status::kNo);
}

TEST_F(MappingTest, ListedFoldersGetTheirKindAndDisplayForm) {
    auto mappings = ParseMappingReply(
        "X-LISTMAP \"sales\" \"~INBOX/Sales\"\r\n"
        "X-LISTMAP \"pub\" \"#public\"\r\n"
        "X-LISTMAP \"team\" \"#public/Team\"\r\n"
        "X-LISTMAP \"old\" \"#backup/2024\"\r\n"
        "X-LISTMAP \"k&AOQ-se\" \"~Projekte/Gr&APwA3w-e\"\r\n"
        "X-LISTMAP \"q\\\"uote\" \"~a\\\\b\"\r\n"
        "X-LISTMAP atom ~Plain\r\n"
        "OK X-LISTMAP completed\r\n",
        names);
    EXPECT_EQ(describe(mappings), (std::vector<std::string>{
                                      "1 sales -> INBOX/Sales", "0 pub -> Public Folders", "2 team -> Public Folders/Team",
                                      "2 old -> Backup Folders/2024", "1 k\xE4se -> Projekte/Gr\xFC\xDF" "e",
                                      "1 q\"uote -> a\\b", "1 atom -> Plain"}));
}

TEST_F(MappingTest, MalformedLinesAreSkippedAndTheRestKept) {
    auto mappings = ParseMappingReply(
        "X-LISTMAP \"only-one\"\n"
        "X-LISTMAP \"a\" \"b\" \"c\"\n"
        "X-LISTMAP \"a\" \"~x\n"
        "X-LISTMAP \"\" \"~x\"\n"
        "X-LISTMAP \"e\" \"\"\n"
        "X-LISTMAP \"nl\" \"~a&AAo-b\"\n"
        "X-LISTMAPx \"a\" \"~b\"\n"
        "x-listmap \"lower\" \"~b\"\n"
        "  X-LISTMAP \"good\" \"~INBOX\"  \n",
        names);
    EXPECT_EQ(describe(mappings), (std::vector<std::string>{"1 good -> INBOX"}));
}

TEST_F(MappingTest, AFailedListReportsNothing) {
    std::vector<FolderMapping> mappings{{1, "x", "y"}};
    transport.incoming = {kGreeting, kTaggedOk, "* X-LISTMAP \"a\" \"~b\"\r\nA000 NO busy\r\n", kTaggedOk};
    EXPECT_EQ(ListMappings(transport, account, prompts, names, mappings), status::kNo);
    EXPECT_TRUE(mappings.empty());
    transport = ScriptedTransport();
    transport.incoming = {kGreeting, kTaggedOk, "* X-LISTMAP \"a\" \"~b\"\r\nA000 OK done\r\n", kTaggedOk};
    EXPECT_EQ(ListMappings(transport, account, prompts, names, mappings), 0);
    EXPECT_EQ(describe(mappings), (std::vector<std::string>{"1 a -> b"}));
    EXPECT_EQ(commandSent(), "A000 X-LISTMAP\r\n");
}
