// Velcore's ACL and mapping exports and the script transfer over real sockets against a scripted
// peer, loaded the way Velhook loads the library: the exact bytes on the wire, the records the
// caller gets back, and the messages the user sees.
#include "shared/AccountSettings.h"
#include "shared/ServerRecords.h"
#include "velcore/protocol/Runtime.h"
#include "velcore/protocol/ScriptTransfer_win32.h"
#include "ScriptServer.h"
#include "WindowDriver.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace velor;
using namespace velor::testing;

namespace {

constexpr char kCaption[] = "Velor Outlook Express Extensions";
constexpr char kGreeting[] = "* OK Velor MailServer ready\r\n";
constexpr char kCapability[] = "* CAPABILITY IMAP4rev1 ACL\r\nA000 OK done\r\n";
const ScriptServer::Step kOk{"A000 OK done\r\n"};

using GetAclFn = HRESULT(WINAPI*)(HWND, AccountSettings*, FolderAclRequests*);
using AclToStringFn = int(WINAPI*)(const AclList*, char*);
using GetAliasesFn = HRESULT(WINAPI*)(AccountSettings*, FolderMappingCallback, void*);
using AddAliasFn = HRESULT(WINAPI*)(AccountSettings*, char* const*, char* const*);
using RemoveAliasFn = HRESULT(WINAPI*)(AccountSettings*, char* const*);

class VelcoreServer : public ::testing::Test {
protected:
    void SetUp() override {
        velcore = LoadLibraryA("Velcore.dll");
        ASSERT_NE(velcore, nullptr);
        getAcl = bind<GetAclFn>("VlGetACL");
        aclToString = bind<AclToStringFn>("VlAclToString");
        getAliases = bind<GetAliasesFn>("VlGetAliases");
        addAlias = bind<AddAliasFn>("VlAddAlias");
        removeAlias = bind<RemoveAliasFn>("VlRemoveAlias");
        ASSERT_TRUE(getAcl && aclToString && getAliases && addAlias && removeAlias);
        // The script transfer is linked into this test; its texts come from Velcore's resources.
        TheRuntime().module = velcore;
        account.host = "127.0.0.1";
        account.user = "anna";
        account.password = "secret";
        account.port = server.port();
    }
    void TearDown() override {
        TheRuntime().module = nullptr;
        FreeLibrary(velcore);
    }

    template <typename F>
    F bind(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(velcore, name)));
    }

    std::string render(const AclList& list) {
        int size = aclToString(&list, nullptr);
        std::vector<char> text(static_cast<std::size_t>(size) + 8, '#');
        EXPECT_EQ(aclToString(&list, text.data()), size);
        EXPECT_EQ(text[static_cast<std::size_t>(size) - 1], '\0');
        EXPECT_EQ(text[static_cast<std::size_t>(size)], '#');  // nothing written past the text
        return text.data();
    }

    HMODULE velcore = nullptr;
    GetAclFn getAcl = nullptr;
    AclToStringFn aclToString = nullptr;
    GetAliasesFn getAliases = nullptr;
    AddAliasFn addAlias = nullptr;
    RemoveAliasFn removeAlias = nullptr;
    ScriptServer server;
    AccountSettings account;
};

struct Collected {
    std::vector<std::string> mappings;
    ScriptServer* server = nullptr;
    std::string sentBeforeFirstCall;
};

std::int32_t WINAPI collect(std::uint32_t kind, const SharedString* folder, const SharedString* alias, void* context) {
    auto* c = static_cast<Collected*>(context);
    // The connection is closed before the first call: waiting for its end returns at once.
    if (c->mappings.empty()) c->sentBeforeFirstCall = c->server->Received();
    c->mappings.push_back(std::to_string(kind) + " " + alias->c_str() + " -> " + folder->c_str());
    return 0;
}

}  // namespace

TEST_F(VelcoreServer, GetAclReadsEveryFolderInOneConnectionAndRendersThem) {
    server.Start(kGreeting, {{kCapability}, kOk,
                             {"* ACL \"INBOX/Team\" anna lrswipcda \"[staff]\" lr bob lrswicda\r\nA000 OK done\r\n"},
                             {"A000 NO Mailbox does not exist\r\n"}});
    AclList team{}, gone{};
    FolderAclRequest items[2] = {{"Inbox/Team", 99, &team}, {"Inbox/Gone", 99, &gone}};
    FolderAclRequests requests{items, 2};
    EXPECT_EQ(getAcl(nullptr, &account, &requests), 1);  // the last folder's status
    EXPECT_EQ(items[0].result, 0);
    EXPECT_EQ(items[1].result, 1);
    EXPECT_EQ(server.Received(),
              "A000 CAPABILITY\r\nA000 LOGIN anna secret\r\nA000 GETACL \"INBOX/Team\"\r\n"
              "A000 GETACL \"INBOX/Gone\"\r\nA000 LOGOUT\r\n");
    ASSERT_EQ(team.count, 3u);
    EXPECT_STREQ(team.entries[1].identifier, "staff");
    EXPECT_EQ(team.entries[1].kind, static_cast<std::uint32_t>(kAclGroup));
    EXPECT_EQ(render(team), "[staff] (lr), bob (All)");
    EXPECT_EQ(render(gone), "");
    EXPECT_EQ(aclToString(&gone, nullptr), 1);
    // Velhook frees what Velcore grew, from the process heap.
    EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, team.entries));
}

TEST_F(VelcoreServer, GetAclWithoutTheAclCapabilityTellsTheUser) {
    server.Start(kGreeting, {{"* CAPABILITY IMAP4rev1\r\nA000 OK done\r\n"}});
    AclList list{};
    FolderAclRequest item{"Inbox", 99, &list};
    FolderAclRequests requests{&item, 1};
    std::string message;
    {
        Driver driver([&] { message = AnswerMessageBox(kCaption, IDOK); });
        EXPECT_EQ(getAcl(nullptr, &account, &requests), static_cast<HRESULT>(0x80004005));
    }
    EXPECT_EQ(message, "The server does not support required capability (ACL).");
    EXPECT_EQ(item.result, 99);
    EXPECT_EQ(getAcl(nullptr, &account, nullptr), E_INVALIDARG);
    EXPECT_EQ(getAcl(nullptr, nullptr, &requests), E_INVALIDARG);
}

TEST_F(VelcoreServer, AliasesReachTheStdcallCallbackAfterTheConnectionIsClosed) {
    server.Start(kGreeting, {kOk, {"* X-LISTMAP \"sales\" \"~INBOX/Sales\"\r\n* X-LISTMAP \"pub\" \"#public\"\r\n"
                                   "* X-LISTMAP \"k&AOQ-se\" \"#public/K&AOQ-se\"\r\nA000 OK done\r\n"}});
    Collected collected;
    collected.server = &server;
    EXPECT_EQ(getAliases(&account, &collect, &collected), S_OK);
    EXPECT_EQ(collected.mappings, (std::vector<std::string>{"1 sales -> INBOX/Sales", "0 pub -> Public Folders",
                                                            "2 k\xE4se -> Public Folders/K\xE4se"}));
    EXPECT_EQ(collected.sentBeforeFirstCall, "A000 LOGIN anna secret\r\nA000 X-LISTMAP\r\nA000 LOGOUT\r\n");
    EXPECT_EQ(getAliases(&account, nullptr, &collected), E_INVALIDARG);
}

TEST_F(VelcoreServer, AddAndRemoveAliasTakeTextObjects) {
    server.Start(kGreeting, {kOk, kOk});
    SharedString folder("Inbox/Sales"), alias(" sales ");
    EXPECT_EQ(addAlias(&account, reinterpret_cast<char* const*>(&folder), reinterpret_cast<char* const*>(&alias)), S_OK);
    EXPECT_EQ(server.Received(), "A000 LOGIN anna secret\r\nA000 X-SETMAP \"sales\" \"~INBOX/Sales\"\r\nA000 LOGOUT\r\n");

    ScriptServer second;
    account.port = second.port();
    second.Start(kGreeting, {kOk, {"A000 NO No such mapping\r\n"}});
    SharedString gone("gone");
    EXPECT_EQ(removeAlias(&account, reinterpret_cast<char* const*>(&gone)), 1);
    EXPECT_EQ(second.Received(), "A000 LOGIN anna secret\r\nA000 X-DELETEMAP \"gone\"\r\nA000 LOGOUT\r\n");

    // Refused before any connection: nothing listens any more on either port.
    SharedString spaces("    ");
    EXPECT_EQ(addAlias(&account, reinterpret_cast<char* const*>(&folder), reinterpret_cast<char* const*>(&spaces)),
              E_INVALIDARG);
    EXPECT_EQ(addAlias(&account, nullptr, reinterpret_cast<char* const*>(&alias)), E_INVALIDARG);
    EXPECT_EQ(removeAlias(&account, reinterpret_cast<char* const*>(&spaces)), E_INVALIDARG);
    EXPECT_EQ(removeAlias(nullptr, reinterpret_cast<char* const*>(&alias)), E_INVALIDARG);
}

TEST_F(VelcoreServer, TheScriptComesAndGoesAsALiteral) {
    const std::string script = "* OK a comment\r\n\r\n  A000 indented\r\nkeep;\r\n";
    server.Start(kGreeting, {kOk, {"* X-GETSCRIPT {" + std::to_string(script.size()) + "}\r\n" + script +
                                   "\r\nA000 OK done\r\n"}});
    std::string fetched;
    EXPECT_EQ(FetchRulesScript(nullptr, account, fetched), 0);
    EXPECT_EQ(fetched, script);
    server.Received();

    ScriptServer second;
    account.port = second.port();
    second.Start(kGreeting, {kOk, kOk});
    EXPECT_EQ(StoreRulesScript(nullptr, account, "H\xE9l\xE8n"), 0);
    EXPECT_EQ(second.Received(), "A000 LOGIN anna secret\r\nA000 X-PUTSCRIPT {7+}\r\nH\xC3\xA9l\xC3\xA8n\r\nA000 LOGOUT\r\n");
}

TEST_F(VelcoreServer, TransferFailuresAreShownWithTheirMessages) {
    server.Start(kGreeting, {kOk, {"A000 BAD Unknown command\r\n"}});
    std::string message, fetched;
    {
        Driver driver([&] { message = AnswerMessageBox(kCaption, IDOK); });
        EXPECT_EQ(FetchRulesScript(nullptr, account, fetched), E_INVALIDARG);
    }
    EXPECT_EQ(message, "Failed to receive script.\n\nError Code 0x80070057");
    server.Received();

    ScriptServer second;
    account.port = second.port();
    second.Start(kGreeting, {kOk, {"A000 NO Over quota\r\n"}});
    {
        Driver driver([&] { message = AnswerMessageBox(kCaption, IDOK); });
        EXPECT_EQ(StoreRulesScript(nullptr, account, "keep;"), 1);
    }
    EXPECT_EQ(message, "Your script has not been updated.");
}
