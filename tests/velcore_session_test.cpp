// Velcore's mailbox exports over real sockets against a scripted peer, loaded the way Velhook
// loads the library: the exact bytes on the wire, the time-out prompt, the logon dialog and the
// messages, driven from a second thread as a user would answer them.
#include "shared/AccountSettings.h"
#include "ScriptServer.h"
#include "WindowDriver.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

using velor::AccountSettings;
using namespace velor::testing;
using namespace std::chrono_literals;

namespace {

constexpr char kCaption[] = "Velor Outlook Express Extensions";
constexpr char kGreeting[] = "* OK Velor MailServer ready\r\n";
constexpr HRESULT kUnexpected = static_cast<HRESULT>(0x8000FFFF);

using MailboxFn = HRESULT(WINAPI*)(AccountSettings*, const char*);

class VelcoreSession : public ::testing::Test {
protected:
    void SetUp() override {
        velcore = LoadLibraryA("Velcore.dll");
        ASSERT_NE(velcore, nullptr);
        setAllRead = bind<MailboxFn>("VlSetAllRead");
        setAllUnread = bind<MailboxFn>("VlSetAllUnread");
        expunge = bind<MailboxFn>("VlExpunge");
        account.host = "127.0.0.1";
        account.user = "anna";
        account.password = "secret";
        account.port = server.port();
        account.timeoutSeconds = 1;
    }
    void TearDown() override { FreeLibrary(velcore); }

    template <typename F>
    F bind(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(velcore, name)));
    }

    HMODULE velcore = nullptr;
    MailboxFn setAllRead = nullptr, setAllUnread = nullptr, expunge = nullptr;
    ScriptServer server;
    AccountSettings account;
};

const ScriptServer::Step kOk{"A000 OK done\r\n"};

}  // namespace

TEST_F(VelcoreSession, MarkAllReadSendsSelectAndStoreWithTheirLineEnds) {
    server.Start(kGreeting, {kOk, {"* 2 EXISTS\r\nA000 OK [READ-WRITE] SELECT\r\n"}, kOk});
    EXPECT_EQ(setAllRead(&account, "Inbox/Projects"), S_OK);
    EXPECT_EQ(server.Received(),
              "A000 LOGIN anna secret\r\n"
              "A000 SELECT \"INBOX/Projects\"\n\r\n"
              "A000 STORE 1:* +FLAGS (\\Seen)\n\r\n"
              "A000 LOGOUT\r\n");
}

TEST_F(VelcoreSession, RepliesCutMidWordAndAlertsWhilePendingAreReadWhole) {
    std::string select = "* OK [ALERT] Quota nearly full\r\n* 2 EXISTS\r\nA000 OK [READ-WRITE] SELECT completed\r\n";
    server.Start(kGreeting, {kOk, {select, 0ms, {5, 21, 40, 47}}, {"A000 NO [CANNOT] expunge refused\r\n", 0ms, {3, 9}}});
    EXPECT_EQ(expunge(&account, "Public Folders/Team"), 1);
    EXPECT_EQ(server.Received(),
              "A000 LOGIN anna secret\r\nA000 SELECT \"#public/Team\"\n\r\nA000 EXPUNGE\r\nA000 LOGOUT\r\n");
}

TEST_F(VelcoreSession, ADroppedConnectionEndsTheCallUnexpectedly) {
    // The peer hangs up in the middle of the SELECT reply.
    server.Start(kGreeting, {kOk, {"* 2 EXISTS\r\nA000 OK [READ-WR", 0ms, {}, true}});
    EXPECT_EQ(setAllUnread(&account, "Inbox"), kUnexpected);
    EXPECT_EQ(server.Received(), "A000 LOGIN anna secret\r\nA000 SELECT \"INBOX\"\n\r\n");
}

TEST_F(VelcoreSession, ASilentServerPromptsAndYesWaitsAnotherPeriod) {
    server.Start(kGreeting, {kOk, {"A000 OK\r\n", 1500ms}, kOk});
    std::string prompt;
    Driver driver([&] {
        prompt = AnswerMessageBox(kCaption, IDYES);
    });
    EXPECT_EQ(setAllRead(&account, "Inbox"), S_OK);
    EXPECT_EQ(prompt,
              "Your server has not responded in 1 seconds.\nWould you like to wait another 1 seconds for the server to "
              "respond ?");
}

TEST_F(VelcoreSession, DecliningToWaitEndsTheCall) {
    server.Start(kGreeting, {}, 3000ms);
    Driver driver([] {
        EXPECT_NE(AnswerMessageBox(kCaption, IDNO), kNoMessageBox);
    });
    EXPECT_EQ(setAllRead(&account, "Inbox"), kUnexpected);
}

TEST_F(VelcoreSession, WrongPasswordThenTheDialogWithTheCorrectedOne) {
    server.Start(kGreeting, {{"A000 NO [AUTHENTICATIONFAILED] wrong\r\n"}, kOk, kOk, kOk});
    std::string message, title, serverField, userField;
    BOOL rememberEnabled = TRUE;
    Driver driver([&] {
        message = AnswerMessageBox(kCaption, IDOK);
        HWND dialog = WaitForWindow("Logon - 127.0.0.1");
        ASSERT_NE(dialog, nullptr);
        title = WindowText(dialog);
        serverField = ControlText(dialog, 223);
        userField = ControlText(dialog, 219);
        rememberEnabled = IsWindowEnabled(GetDlgItem(dialog, 221));
        SendMessageA(GetDlgItem(dialog, 219), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("anna berg"));
        SendMessageA(GetDlgItem(dialog, 220), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("new\"pass"));
        Press(dialog, IDOK);
    });
    EXPECT_EQ(setAllRead(&account, "Inbox"), S_OK);
    EXPECT_EQ(message, "The user name or password is incorrect.");
    EXPECT_EQ(serverField, "127.0.0.1");
    EXPECT_EQ(userField, "anna");
    EXPECT_FALSE(rememberEnabled);  // the mailbox commands offer no remember byte
    EXPECT_EQ(server.Received(),
              "A000 LOGIN anna secret\r\nA000 LOGIN \"anna berg\" \"new\\\"pass\"\r\n"
              "A000 SELECT \"INBOX\"\n\r\nA000 STORE 1:* +FLAGS (\\Seen)\n\r\nA000 LOGOUT\r\n");
    EXPECT_STREQ(account.user.c_str(), "anna");
}

TEST_F(VelcoreSession, CancellingTheLogonDialogGivesOne) {
    server.Start(kGreeting, {{"A000 NO wrong\r\n"}});
    Driver driver([] {
        EXPECT_NE(AnswerMessageBox(kCaption, IDOK), kNoMessageBox);
        HWND dialog = WaitForWindow("Logon - 127.0.0.1");
        ASSERT_NE(dialog, nullptr);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(setAllRead(&account, "Inbox"), 1);
    EXPECT_EQ(server.Received(), "A000 LOGIN anna secret\r\n");
}

TEST_F(VelcoreSession, SecurePasswordAuthenticationIsRefused) {
    account.useSpa = 1;
    server.Start(kGreeting, {});
    std::string message;
    Driver driver([&] {
        message = AnswerMessageBox(kCaption, IDOK);
    });
    EXPECT_EQ(setAllRead(&account, "Inbox"), E_INVALIDARG);
    EXPECT_EQ(message, "The Secure Password Authentication is not supported.");
    EXPECT_EQ(server.Received(), "");
}

TEST_F(VelcoreSession, GreetingRefusalsAreReturnedAsTheirCodes) {
    server.Start("* BYE too busy\r\n", {});
    EXPECT_EQ(expunge(&account, "Inbox"), 3);
    EXPECT_EQ(server.Received(), "");
}

TEST_F(VelcoreSession, MissingArgumentsAndRefusedConnections) {
    EXPECT_EQ(setAllRead(&account, nullptr), E_INVALIDARG);
    EXPECT_EQ(setAllRead(nullptr, "Inbox"), E_INVALIDARG);
    // Nothing listens on the port of a listener that was closed: connection refused, no message.
    unsigned short closedPort;
    {
        ScriptServer gone;
        closedPort = gone.port();
    }
    account.port = closedPort;
    EXPECT_EQ(setAllRead(&account, "Inbox"), static_cast<HRESULT>(0x8007274D));  // WSAECONNREFUSED
    // A name no resolver can look up: a label longer than any name may have fails before any query
    // leaves the machine. The status carries the resolver's error 11001, and no box is shown (the
    // call would wait for it).
    account.host = velor::SharedString(std::string(300, 'a') + ".invalid");
    EXPECT_EQ(setAllRead(&account, "Inbox"), static_cast<HRESULT>(0x80072AF9));
}

TEST_F(VelcoreSession, TlsWithoutTheLibraryNamesItAndFails) {
    // Hide the OpenSSL library that the build puts beside Velcore; this program does not load it.
    ASSERT_EQ(GetModuleHandleA("libssl-3.dll"), nullptr);
    ASSERT_TRUE(MoveFileA("libssl-3.dll", "libssl-3.dll.hidden"));
    struct Restore {
        ~Restore() { MoveFileA("libssl-3.dll.hidden", "libssl-3.dll"); }
    } restore;
    account.useSsl = 1;
    server.Start("", {});
    std::string message;
    Driver driver([&] {
        message = AnswerMessageBox(kCaption, IDOK);
    });
    EXPECT_EQ(setAllRead(&account, "Inbox"), kUnexpected);
    EXPECT_EQ(message, "The required module 'libssl-3.dll'\n(or one of its dependency)\ncannot be found or failed to initialize");
}

TEST_F(VelcoreSession, LineEndsInAFolderOrACredentialAreRefusedWithoutAConnection) {
    // Typed, and as a shared folder's name arrives decoded from "x&AA0ACg-A000 DELETE INBOX".
    for (MailboxFn call : {setAllRead, setAllUnread, expunge}) {
        EXPECT_EQ(call(&account, "x\r\nA000 DELETE INBOX"), E_INVALIDARG);
        EXPECT_EQ(call(&account, "Inbox/a\nb"), E_INVALIDARG);
    }
    AccountSettings badUser = account, badPassword = account;
    badUser.user = "anna\r\nA000 DELETE INBOX";
    badPassword.password = "secret\nA000 DELETE INBOX";
    EXPECT_EQ(setAllRead(&badUser, "Inbox"), E_INVALIDARG);
    EXPECT_EQ(expunge(&badPassword, "Inbox"), E_INVALIDARG);
    // The server takes one connection: had a refused call opened one, this call would not be the
    // one it serves.
    server.Start(kGreeting, {kOk, kOk, kOk});
    EXPECT_EQ(expunge(&account, "Inbox"), S_OK);
    EXPECT_EQ(server.Received(), "A000 LOGIN anna secret\r\nA000 SELECT \"INBOX\"\n\r\nA000 EXPUNGE\r\nA000 LOGOUT\r\n");
}

TEST_F(VelcoreSession, ATlsPeerThatNeverAnswersTheHandshakePromptsAndNoEndsTheCall) {
    // A plain peer that says nothing for seconds: the client's hello gets no answer.
    account.useSsl = 1;
    server.Start(kGreeting, {}, 4000ms);
    std::string prompt;
    Driver driver([&] {
        prompt = AnswerMessageBox(kCaption, IDNO);
    });
    EXPECT_EQ(setAllRead(&account, "Inbox"), kUnexpected);
    EXPECT_EQ(prompt,
              "Your server has not responded in 1 seconds.\nWould you like to wait another 1 seconds for the server to "
              "respond ?");
}

TEST_F(VelcoreSession, RunningOutOfMemoryGivesOutOfMemoryAndTheLibraryGoesOnWorking) {
    // The same Velcore, built with an allocator that fails from a size on: a real allocation deep
    // in the folder-name conversion throws, and the export returns the status instead.
    HMODULE faults = LoadLibraryA("VelcoreFaults.dll");
    ASSERT_NE(faults, nullptr);
    auto faultsSetAllRead = reinterpret_cast<MailboxFn>(reinterpret_cast<void*>(GetProcAddress(faults, "VlSetAllRead")));
    ASSERT_NE(faultsSetAllRead, nullptr);
    const std::string folder = "Inbox/" + std::string(200000, 'a');
    ASSERT_TRUE(SetEnvironmentVariableA("VELOR_FAIL_ALLOCATIONS_FROM", "65536"));
    EXPECT_EQ(faultsSetAllRead(&account, folder.c_str()), E_OUTOFMEMORY);
    ASSERT_TRUE(SetEnvironmentVariableA("VELOR_FAIL_ALLOCATIONS_FROM", nullptr));
    // Nothing was left half-done: the next call, on the one connection the server takes, works.
    server.Start(kGreeting, {kOk, kOk, kOk});
    EXPECT_EQ(faultsSetAllRead(&account, "Inbox"), S_OK);
    EXPECT_EQ(server.Received(),
              "A000 LOGIN anna secret\r\nA000 SELECT \"INBOX\"\n\r\nA000 STORE 1:* +FLAGS (\\Seen)\n\r\nA000 LOGOUT\r\n");
    FreeLibrary(faults);
}

TEST_F(VelcoreSession, ASendTheServerDoesNotTakeInPromptsAndNoEndsTheCallUnexpectedly) {
    // The server stops reading after the logon; a folder name of 16 MiB fills every buffer on the
    // way, so the SELECT cannot go out whole. The wait for room is the same wait with the prompt.
    server.Start(kGreeting, {{"A000 OK done\r\n", 0ms, {}, false, 12000ms}});
    std::string prompt;
    Driver driver([&] {
        prompt = AnswerMessageBox(kCaption, IDNO, 30000);
    });
    const std::string folder = "Inbox/" + std::string(16u << 20, 'a');
    EXPECT_EQ(setAllRead(&account, folder.c_str()), kUnexpected);
    EXPECT_EQ(prompt,
              "Your server has not responded in 1 seconds.\nWould you like to wait another 1 seconds for the server to "
              "respond ?");
}

TEST_F(VelcoreSession, RetypingThePasswordAfterARefusalReplacesTheOldOne) {
    account.password = "wrongpw";
    server.Start(kGreeting, {{"A000 NO [AUTHENTICATIONFAILED] wrong\r\n"}, kOk, kOk, kOk});
    Driver driver([&] {
        EXPECT_NE(AnswerMessageBox(kCaption, IDOK), kNoMessageBox);
        HWND dialog = WaitForWindow("Logon - 127.0.0.1");
        ASSERT_NE(dialog, nullptr);
        // Typed as a user types, into the field that has the focus.
        HWND password = GetDlgItem(dialog, 220);
        for (char c : std::string("demo")) PostMessageA(password, WM_CHAR, static_cast<WPARAM>(c), 1);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(setAllRead(&account, "Inbox"), S_OK);
    EXPECT_EQ(server.Received(),
              "A000 LOGIN anna wrongpw\r\nA000 LOGIN anna demo\r\n"
              "A000 SELECT \"INBOX\"\n\r\nA000 STORE 1:* +FLAGS (\\Seen)\n\r\nA000 LOGOUT\r\n");
}

TEST_F(VelcoreSession, AnOpenSslLibraryInTheCurrentFolderIsNeverLoaded) {
    // A copy of Velcore in a folder of its own, without OpenSSL beside it; the current folder
    // (this program's) holds libssl-3.dll, as a planted DLL would. OpenSSL pins itself once
    // initialised, so an earlier test may have left the real one loaded: then only the message
    // tells, as a load by name would have found that module and shown none.
    const bool loadedBefore = GetModuleHandleA("libssl-3.dll") != nullptr;
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    std::filesystem::path folder = std::filesystem::path(temp) / ("velcore-alone-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    std::filesystem::path copy = folder / "VelcoreAlone.dll";
    ASSERT_TRUE(CopyFileA("Velcore.dll", copy.string().c_str(), FALSE));
    ASSERT_TRUE(std::filesystem::exists("libssl-3.dll"));
    HMODULE alone = LoadLibraryA(copy.string().c_str());
    ASSERT_NE(alone, nullptr);
    auto aloneSetAllRead = reinterpret_cast<MailboxFn>(reinterpret_cast<void*>(GetProcAddress(alone, "VlSetAllRead")));
    account.useSsl = 1;
    server.Start("", {});
    std::string message;
    Driver driver([&] {
        message = AnswerMessageBox(kCaption, IDOK);
    });
    EXPECT_EQ(aloneSetAllRead(&account, "Inbox"), kUnexpected);
    if (!loadedBefore) {
        EXPECT_EQ(GetModuleHandleA("libssl-3.dll"), nullptr);
        EXPECT_EQ(GetModuleHandleA("libcrypto-3.dll"), nullptr);
    }
    EXPECT_EQ(message, "The required module 'libssl-3.dll'\n(or one of its dependency)\ncannot be found or failed to initialize");
    FreeLibrary(alone);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
