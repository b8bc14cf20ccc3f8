// Velcore over TLS against a scripted peer that speaks TLS from the first byte, as the server's
// implicit-TLS port does. The test program links OpenSSL for its peer; Velcore loads it itself.
#include "shared/AccountSettings.h"
#include "ScriptServer.h"
#include "TlsChannel.h"
#include "WindowDriver.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

using velor::AccountSettings;
using namespace velor::testing;

TEST(VelcoreTls, MailboxCommandsRunOverTls) {
    HMODULE velcore = LoadLibraryA("Velcore.dll");
    ASSERT_NE(velcore, nullptr);
    using MailboxFn = HRESULT(WINAPI*)(AccountSettings*, const char*);
    auto setAllUnread = reinterpret_cast<MailboxFn>(reinterpret_cast<void*>(GetProcAddress(velcore, "VlSetAllUnread")));
    std::string fingerprint;
    ScriptServer server(TlsChannels(&fingerprint));
    AccountSettings account;
    account.host = "127.0.0.1";
    account.user = "anna";
    account.password = "secret";
    account.port = server.port();
    account.useSsl = 1;
    // A long reply, so that TLS records and reads do not line up.
    std::string select;
    for (int i = 0; i < 2000; ++i) select += "* OK [UNSEEN " + std::to_string(i) + "] first unseen\r\n";
    select += "A000 OK [READ-WRITE] SELECT\r\n";
    server.Start("* OK Velor MailServer ready\r\n", {{"A000 OK\r\n"}, {select}, {"A000 OK\r\n"}});
    // No authority vouches for the peer's certificate: the user is asked, and goes on this once.
    std::string problems, shown;
    Driver driver([&] {
        HWND dialog = WaitForWindow("Server Certificate - 127.0.0.1");
        ASSERT_NE(dialog, nullptr);
        problems = ControlText(dialog, 313);
        shown = ControlText(dialog, 314);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(setAllUnread(&account, "Inbox/Gr\xFCn"), S_OK);
    EXPECT_EQ(problems, "The certificate is not issued by a trusted certification authority.");
    // The fingerprint the user compares is the certificate's own SHA-256, as OpenSSL computes it.
    shown.erase(std::remove(shown.begin(), shown.end(), '\r'), shown.end());
    shown.erase(std::remove(shown.begin(), shown.end(), '\n'), shown.end());
    EXPECT_EQ(shown, fingerprint);
    EXPECT_EQ(server.Received(),
              "A000 LOGIN anna secret\r\nA000 SELECT \"INBOX/Gr&APw-n\"\n\r\n"
              "A000 STORE 1:* -FLAGS (\\Seen)\n\r\nA000 LOGOUT\r\n");
    FreeLibrary(velcore);
}

TEST(VelcoreTls, ALanguageLibraryWithoutTheCertificateDialogStillAsksAndCancelSendsNothing) {
    // The test language library holds two strings and no dialog: the question comes from Velcore
    // itself, whole, and is never skipped for want of a template.
    HMODULE velcore = LoadLibraryA("Velcore.dll");
    ASSERT_NE(velcore, nullptr);
    using MailboxFn = HRESULT(WINAPI*)(AccountSettings*, const char*);
    using InitFn = HRESULT(WINAPI*)(DWORD, WORD);
    auto expunge = reinterpret_cast<MailboxFn>(reinterpret_cast<void*>(GetProcAddress(velcore, "VlExpunge")));
    auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(velcore, "VlInit")));
    ASSERT_EQ(init(0, 0x405), S_OK);
    ScriptServer server(TlsChannels());
    AccountSettings account;
    account.host = "127.0.0.1";
    account.user = "anna";
    account.password = "secret";
    account.port = server.port();
    account.useSsl = 1;
    server.Start("* OK Velor MailServer ready\r\n", {{"A000 OK\r\n"}, {"A000 OK\r\n"}});
    std::string intro, problems;
    Driver driver([&] {
        HWND dialog = WaitForWindow("Server Certificate - 127.0.0.1");
        ASSERT_NE(dialog, nullptr);
        intro = ControlText(dialog, 311);
        problems = ControlText(dialog, 313);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(expunge(&account, "Inbox"), 1);
    EXPECT_EQ(intro.rfind("The identity of this server cannot be verified.", 0), 0u) << intro;
    EXPECT_EQ(problems, "The certificate is not issued by a trusted certification authority.");
    // The handshake ended the exchange: not a byte of IMAP reached the server.
    EXPECT_EQ(server.Received(), "");
    init(0, 0);
    FreeLibrary(velcore);
}
