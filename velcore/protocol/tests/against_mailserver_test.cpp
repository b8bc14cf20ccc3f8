// The ACL, mapping and script commands against the mail-server stand-in over real sockets:
// generated ACLs and scripts written and read back unchanged, a 2,000-rule script through
// fetch, store and fetch, and the replies and refusals the stand-in's faults produce.
#include "velcore/protocol/AclCommands.h"
#include "velcore/protocol/MappingCommands.h"
#include "velcore/protocol/ScriptTransfer.h"
#include "velcore/protocol/Status.h"
#include "velcore/protocol/TextConversion.h"
#include "velcore/rules/SieveReader.h"
#include "PosixTransport.h"
#include "ServerTestSupport.h"
#include "TestStrings.h"
#include "server_process.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace velor;
using namespace velor::testing;
using velor::mailserver::test::ServerProcess;
using velor::mailserver::test::TempDir;

namespace {

struct Notices : ScriptNotices {
    std::vector<std::string> shown;
    void ReceiveFailed(std::int32_t status) override { shown.push_back("3004 " + std::to_string(status)); }
    void NotUpdated() override { shown.push_back("3304"); }
};

// A JSON string of a UTF-8 text.
std::string json(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') out += '\\', out += static_cast<char>(c);
        else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else out += static_cast<char>(c);
    }
    return out + "\"";
}

std::string seedWith(const std::vector<std::string>& users, const std::vector<std::string>& groups,
                     const std::string& script, bool withScript = true) {
    std::string groupList;
    for (const auto& g : groups) groupList += (groupList.empty() ? "" : ",") + json(AnsiToUtf8(g));
    std::string seed = R"({"users": [{"name": "anna", "password": "demo", "groups": [)" + groupList +
                       R"(], "folders": [{"name": "INBOX"}, {"name": "INBOX/Team"}, {"name": "INBOX/Sales"}])";
    if (withScript) seed += R"(, "script": {"name": "main", "text": )" + json(AnsiToUtf8(script)) + "}";
    seed += "}";
    for (const auto& u : users) seed += R"(, {"name": )" + json(AnsiToUtf8(u)) + R"(, "password": "x"})";
    seed += R"(], "shared": [{"name": "#public", "noselect": true, "owner": "anna"},
                             {"name": "#public/Shared", "owner": "anna"}]})";
    return seed;
}

class Server {
public:
    explicit Server(const std::string& seed, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"--seed", dir_.write("seed.json", seed), "--wire-log", dir_.path("wire.log")};
        args.insert(args.end(), extra.begin(), extra.end());
        process_ = std::make_unique<ServerProcess>(args);
        account.host = "127.0.0.1";
        account.port = static_cast<std::uint32_t>(process_->imapPort());
        account.user = "anna";
        account.password = "demo";
    }
    bool started() const { return process_->started(); }

    AccountSettings account;

private:
    TempDir dir_;
    std::unique_ptr<ServerProcess> process_;
};

struct AgainstMailServer : ::testing::Test {
    EnglishStrings strings;
    FolderNames names{strings};
    RecordingPrompts prompts;
    Notices notices;
};

// Names with what quoting, the wire form and the code page must carry: quotes, backslashes,
// brackets, spaces, ampersands and 8-bit letters.
class NameGenerator {
public:
    explicit NameGenerator(std::uint32_t seed) : random_(seed) {}
    std::string Name() {
        static const char* const pieces[] = {"a", "b", "x", "\"", "\\", "[", "]", " ", "&", "\xE9", "\xFC", "\xDF",
                                             "\xC5", "~", "-", "q", "z", "\xF8", "\xE7", "(", ")", "*", "%"};
        std::string name;
        do {
            name = "u";  // a name never starts with "-", "[" or a space
            int length = pick(1, 12);
            for (int i = 0; i < length; ++i) name += pieces[pick(0, std::size(pieces) - 1)];
        } while (name.back() == ' ' || name.back() == ']' || !used_.insert(name).second);
        return name;
    }
    std::string Rights() {
        std::string letters;
        for (char c : std::string("lrswipcda")) {
            if (pick(0, 1)) letters += c;
        }
        return letters.empty() ? "l" : letters;
    }
    std::string Script() {
        static const char* const lines[] = {
            "* OK [ALERT] looks like a status", "A000 OK looks like the end", "a000 no", "", "   ", "\t  keep;",
            "# comment with \xE9t\xE9 and \xDF", "/* block", "*/", "* X-GETSCRIPT {12}", "{5}", "if true {", "}",
            "fileinto \"INBOX/Gr\xFC\xDF" "e\";", "\"quoted \\\" text\"", "*", " * indented star"};
        std::string script;
        int count = pick(1, 30);
        for (int i = 0; i < count; ++i) {
            script += lines[pick(0, std::size(lines) - 1)];
            script += pick(0, 3) == 0 ? "\n" : "\r\n";
        }
        if (pick(0, 2) == 0) script += "no line end";
        return script;
    }
    int pick(int low, std::size_t high) { return std::uniform_int_distribution<int>(low, static_cast<int>(high))(random_); }

private:
    std::mt19937 random_;
    std::set<std::string> used_;
};

}  // namespace

TEST_F(AgainstMailServer, GeneratedAclsAndScriptsComeBackUnchanged) {
    for (std::uint32_t round = 1; round <= 6; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        NameGenerator generate(round);
        std::vector<std::string> users, groups;
        for (int i = 0; i < 6; ++i) users.push_back(generate.Name());
        for (int i = 0; i < 3; ++i) groups.push_back(generate.Name());
        Server server(seedWith(users, groups, "keep;"));
        ASSERT_TRUE(server.started());

        OwnedAcl written;
        written.add("anna", "lrswipcda", kAclOwner, AclMask("lrswipcda"));
        for (const auto& u : users) written.add(u.c_str(), generate.Rights().c_str(), kAclUser);
        for (const auto& g : groups) written.add(g.c_str(), generate.Rights().c_str(), kAclGroup);
        for (std::uint32_t i = 0; i < written.list.count; ++i)
            written.list.entries[i].mask = AclMask(written.list.entries[i].rights);
        PosixTransport setTransport;
        ASSERT_EQ(SetFolderAcl(setTransport, server.account, prompts, names, "Inbox/Team", written.list), 0);

        OwnedAcl read;
        PosixTransport getTransport;
        ASSERT_EQ(GetFolderAcl(getTransport, server.account, prompts, names, "Inbox/Team", read.list), 0);
        EXPECT_EQ(read.describe(), written.describe());

        for (int i = 0; i < 5; ++i) {
            const std::string script = generate.Script();
            PosixTransport store, fetch;
            ASSERT_EQ(StoreScript(store, server.account, prompts, notices, script), 0);
            std::string back;
            ASSERT_EQ(FetchScript(fetch, server.account, prompts, notices, back), 0);
            EXPECT_EQ(back, script);
        }
        EXPECT_TRUE(notices.shown.empty());
        EXPECT_TRUE(prompts.shown.empty());
    }
}

TEST_F(AgainstMailServer, TwoThousandRulesSurviveFetchStoreFetchByteForByte) {
    std::string script;
    for (int i = 1; i <= 2000; ++i) {
        script += "#!" + std::string(i % 7 ? "1" : "0") + " Rule " + std::to_string(i) + "\n";
        script += "/*\n* OK a comment line that starts with a star\n\n* " + std::to_string(i) + " EXISTS\n*/\n\n";
        const std::string off = i % 7 ? "" : "# ";
        script += off + "if header :contains \"Subject\" \"Bericht " + std::to_string(i) + " \xFC\" \n" + off + " {\n";
        script += off + "  fileinto \"INBOX/Sales\";\n" + off + "}\n";
    }
    ASSERT_TRUE(rules::ReadScript(script).ok);
    Server server(seedWith({}, {}, script));
    ASSERT_TRUE(server.started());
    std::string first, second;
    PosixTransport a, b, c;
    ASSERT_EQ(FetchScript(a, server.account, prompts, notices, first), 0);
    EXPECT_TRUE(first == script) << "first fetch differs";
    ASSERT_EQ(StoreScript(b, server.account, prompts, notices, first), 0);
    ASSERT_EQ(FetchScript(c, server.account, prompts, notices, second), 0);
    EXPECT_TRUE(second == script) << "second fetch differs";
    rules::ParseOutcome parsed = rules::ReadScript(second);
    EXPECT_TRUE(parsed.ok) << parsed.line << ": " << parsed.message;
}

TEST_F(AgainstMailServer, AnEmptyRuleSetIsStoredAndFetchedBackEmpty) {
    Server server(seedWith({}, {}, "keep;"));
    PosixTransport store, fetch;
    ASSERT_EQ(StoreScript(store, server.account, prompts, notices, ""), 0);
    std::string back = "untouched";
    EXPECT_EQ(FetchScript(fetch, server.account, prompts, notices, back), 0);
    EXPECT_EQ(back, "");
    EXPECT_TRUE(notices.shown.empty());
}

TEST_F(AgainstMailServer, MappingsAreSetListedAndRemoved) {
    Server server(seedWith({}, {}, "keep;"));
    PosixTransport t1, t2, t3, t4, t5;
    EXPECT_EQ(AddMapping(t1, server.account, prompts, names, "Inbox/Sales", "sales"), 0);
    EXPECT_EQ(AddMapping(t2, server.account, prompts, names, "Public Folders/Shared", "K\xE4se \"&\" Co"), 0);
    EXPECT_EQ(AddMapping(t3, server.account, prompts, names, "Inbox/Missing", "gone"), status::kNo);
    std::vector<FolderMapping> mappings;
    ASSERT_EQ(ListMappings(t4, server.account, prompts, names, mappings), 0);
    ASSERT_EQ(mappings.size(), 2u);
    EXPECT_EQ(mappings[0].kind, kMappingOwnFolder);
    EXPECT_EQ(mappings[0].folder, std::string_view("INBOX/Sales"));
    EXPECT_EQ(mappings[1].kind, kMappingNamespace);
    EXPECT_EQ(mappings[1].folder, std::string_view("Public Folders/Shared"));
    EXPECT_EQ(mappings[1].alias, std::string_view("K\xE4se \"&\" Co"));
    EXPECT_EQ(RemoveMapping(t5, server.account, prompts, "K\xE4se \"&\" Co"), 0);
    PosixTransport t6, t7;
    EXPECT_EQ(RemoveMapping(t6, server.account, prompts, "K\xE4se \"&\" Co"), status::kNo);
    ASSERT_EQ(ListMappings(t7, server.account, prompts, names, mappings), 0);
    EXPECT_EQ(mappings.size(), 1u);
}

TEST_F(AgainstMailServer, AFailedDeletionStopsTheWriteOnTheServer) {
    Server server(seedWith({"bob", "eve"}, {"staff"}, "keep;"), {"--fault", "status=NO,on=DELETEACL"});
    OwnedAcl acl;
    acl.add("anna", "lrswipcda", kAclOwner);
    acl.add("-bob", "lr", kAclUser);
    acl.add("eve", "lr", kAclUser);
    PosixTransport t;
    EXPECT_EQ(SetFolderAcl(t, server.account, prompts, names, "Inbox/Team", acl.list), status::kNo);
    EXPECT_EQ(t.sent.find("SETACL"), std::string::npos) << t.sent;
    OwnedAcl read;
    PosixTransport g;
    ASSERT_EQ(GetFolderAcl(g, server.account, prompts, names, "Inbox/Team", read.list), 0);
    EXPECT_EQ(read.describe(), (std::vector<std::string>{"anna/lrswipcda/0/1ff"}));  // eve was not granted
}

TEST_F(AgainstMailServer, ByeOnACommandEndsItWithAbort) {
    Server server(seedWith({}, {}, "keep;"), {"--fault", "status=BYE,on=X-PUTSCRIPT", "--fault", "status=BAD,on=X-LISTMAP"});
    PosixTransport store, list;
    EXPECT_EQ(StoreScript(store, server.account, prompts, notices, "keep;"), status::kAbort);
    EXPECT_EQ(notices.shown, (std::vector<std::string>{"3304"}));
    std::vector<FolderMapping> mappings;
    EXPECT_EQ(ListMappings(list, server.account, prompts, names, mappings), status::kInvalidArg);
}

TEST_F(AgainstMailServer, OddRepliesReadTheWayTheyShould) {
    Server server(seedWith({}, {}, "keep;"),
                  {"--fault", "reply=* ACL INBOX anna LRSWIPCDA bob \"LrX\" \"[staff]\" lr\\r\\n$TAG OK done\\r\\n,on=GETACL,conn=1",
                   "--fault", "reply=* ACL INBOX anna lr \"\" l\\r\\n$TAG OK done\\r\\n,on=GETACL,conn=2",
                   "--fault", "reply=* X-LISTMAP \"a\" \"~INBOX\" \"extra\"\\r\\n* X-LISTMAP \"b\\r\\n* X-LISTMAP \"c\" "
                              "\"#backup/x\"\\r\\n$TAG OK done\\r\\n,on=X-LISTMAP",
                   "--fault", "reply=* X-GETSCRIPT\\r\\nline one\\r\\nline two\\r\\n$TAG NO locked\\r\\n,on=X-GETSCRIPT"});
    OwnedAcl acl;
    PosixTransport t1, t2, t3, t4;
    EXPECT_EQ(GetFolderAcl(t1, server.account, prompts, names, "Inbox", acl.list), 0);
    EXPECT_EQ(acl.describe(), (std::vector<std::string>{"anna/lrswipcda/0/1ff", "bob/lrx/1/180", "staff/lr/2/180"}));
    EXPECT_EQ(GetFolderAcl(t2, server.account, prompts, names, "Inbox", acl.list), status::kFail);
    EXPECT_EQ(acl.list.count, 0u);
    std::vector<FolderMapping> mappings;
    EXPECT_EQ(ListMappings(t3, server.account, prompts, names, mappings), 0);
    ASSERT_EQ(mappings.size(), 1u);
    EXPECT_EQ(mappings[0].folder, std::string_view("Backup Folders/x"));
    std::string script = "untouched";
    EXPECT_EQ(FetchScript(t4, server.account, prompts, notices, script), status::kNo);  // quietly
    EXPECT_TRUE(notices.shown.empty());
}

TEST_F(AgainstMailServer, AUserWithoutAScriptIsAFailureToReceive) {
    Server server(seedWith({}, {}, "", false));
    PosixTransport t;
    std::string script;
    EXPECT_EQ(FetchScript(t, server.account, prompts, notices, script), status::kFail);
    EXPECT_EQ(notices.shown, (std::vector<std::string>{"3004 " + std::to_string(status::kFail)}));
}

TEST_F(AgainstMailServer, AServerWithoutAclIsRefusedBeforeTheLogon) {
    Server server(seedWith({}, {}, "keep;"), {"--no-acl"});
    OwnedAcl acl;
    PosixTransport t;
    EXPECT_EQ(GetFolderAcl(t, server.account, prompts, names, "Inbox", acl.list), status::kFail);
    EXPECT_EQ(prompts.shown, (std::vector<std::string>{"137 ACL"}));
    EXPECT_EQ(t.sent, "A000 CAPABILITY\r\n");
}
