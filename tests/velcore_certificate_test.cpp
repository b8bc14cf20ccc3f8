// Velcore's check of the server certificate against the mail-server stand-in, as a user meets it:
// the question for a certificate no authority vouches for, what Cancel, Continue and "Always
// trust" do, a certificate that changed, one issued by an authority the system trusts, and one
// issued for another name. Run by tests/with-mailserver-certificates, which starts the servers,
// makes the certificates and passes them in the environment:
//   VELOR_SELF_SIGNED_PORT   the stand-in with its own self-signed certificate (for "localhost")
//   VELOR_SELF_SIGNED_LOG    its wire log (a Windows path)
//   VELOR_AUTHORITY_PORT     a stand-in whose certificate for "localhost" the test authority issued
//   VELOR_EXPIRED_PORT       a stand-in whose certificate for "localhost" from that authority expired
//   VELOR_TEST_AUTHORITY     the authority's certificate, PEM (a Windows path)
//   VELOR_TRUST_SCRATCH      a key below HKEY_CURRENT_USER that stands in for it, kept between runs
//   VELOR_SCREENSHOTS        the folder for screenshots (a Windows path), optional
// The "Renewed" tests run after the script restarted the self-signed stand-in on the same port.
#include "shared/AccountSettings.h"
#include "WindowDriver.h"

#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

using velor::AccountSettings;
using namespace velor::testing;

namespace {

constexpr char kTrustKey[] = "Software\\Velor\\MailClientExtensions\\Velcore\\Certificates";
constexpr int kCertificateDialog = 4300;
constexpr int kIntro = 311, kServer = 312, kProblems = 313, kFingerprint = 314, kAlways = 315;
constexpr char kUntrusted[] =
    "The identity of this server cannot be verified. Someone on the network may be posing as the server to read your "
    "password and your mail. Continue only if you know that this certificate is the server's own.";
constexpr char kChanged[] =
    "WARNING: this server's certificate has changed since you chose to always trust it. Someone on the network may be "
    "posing as the server to read your password and your mail. Continue only if you know that the server's certificate "
    "was replaced.";
constexpr char kUnknownIssuer[] = "The certificate is not issued by a trusted certification authority.";
constexpr char kExpired[] = "The certificate has expired or is not yet valid.";
constexpr char kWrongName[] = "The certificate is issued for a different server name.";

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

using MailboxFn = HRESULT(WINAPI*)(AccountSettings*, const char*);

// What the certificate dialog showed, and how it was answered.
struct Seen {
    bool shown = false;
    std::string title, intro, server, problems, fingerprint;
};

// Watches for the certificate dialog while a call runs; answers it with the button (ticking
// "Always" first when asked to), or records that none came.
class DialogWatch {
public:
    DialogWatch(int button, bool always, const std::string& screenshot = {})
        : thread_([this, button, always, screenshot] { run(button, always, screenshot); }) {}
    ~DialogWatch() { finish(); }
    const Seen& finish() {
        done_ = true;
        if (thread_.joinable()) thread_.join();
        return seen_;
    }

private:
    static BOOL CALLBACK visit(HWND window, LPARAM data) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) && GetDlgItem(window, kFingerprint) &&
            GetDlgItem(window, kAlways)) {
            *reinterpret_cast<HWND*>(data) = window;
            return FALSE;
        }
        return TRUE;
    }
    void run(int button, bool always, const std::string& screenshot) {
        HWND dialog = nullptr;
        while (!done_ && !dialog) {
            EnumWindows(visit, reinterpret_cast<LPARAM>(&dialog));
            if (!dialog) Sleep(50);
        }
        if (!dialog) return;
        Sleep(300);  // drawn before it is read and pictured
        seen_.shown = true;
        seen_.title = WindowText(dialog);
        seen_.intro = ControlText(dialog, kIntro);
        seen_.server = ControlText(dialog, kServer);
        seen_.problems = ControlText(dialog, kProblems);
        // Shown in two lines; the fingerprint itself is one text.
        seen_.fingerprint = ControlText(dialog, kFingerprint);
        for (std::size_t at; (at = seen_.fingerprint.find("\r\n")) != std::string::npos;) seen_.fingerprint.erase(at, 2);
        if (always) {
            SendMessageA(GetDlgItem(dialog, kAlways), BM_SETCHECK, BST_CHECKED, 0);
            Sleep(200);
        }
        if (!screenshot.empty() && !env("VELOR_SCREENSHOTS").empty())
            EXPECT_TRUE(SaveScreenshot(dialog, env("VELOR_SCREENSHOTS") + "\\" + screenshot));
        Press(dialog, button);
    }

    std::atomic<bool> done_{false};
    Seen seen_;
    std::thread thread_;
};

// The Velcore of this build, and the scratch key standing in for HKEY_CURRENT_USER while it runs.
class VelcoreCertificates : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(env("VELOR_TRUST_SCRATCH").empty());
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, env("VELOR_TRUST_SCRATCH").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &scratch, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, scratch), ERROR_SUCCESS);
        velcore = LoadLibraryA("Velcore.dll");
        ASSERT_NE(velcore, nullptr);
        setAllRead = reinterpret_cast<MailboxFn>(reinterpret_cast<void*>(GetProcAddress(velcore, "VlSetAllRead")));
        account.user = "anna";
        account.password = "demo";
        account.useSsl = 1;
        account.timeoutSeconds = 20;
    }
    void TearDown() override {
        if (velcore) FreeLibrary(velcore);
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        if (scratch) RegCloseKey(scratch);
        if (lastRun) RegDeleteTreeA(HKEY_CURRENT_USER, env("VELOR_TRUST_SCRATCH").c_str());
    }

    // The fingerprint kept for the server, or "" when there is none.
    static std::string stored(const std::string& name) {
        char value[512] = {};
        DWORD size = sizeof value - 1;
        if (RegGetValueA(HKEY_CURRENT_USER, kTrustKey, name.c_str(), RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
            return "";
        return value;
    }

    HRESULT call(const char* host, const std::string& port) {
        account.host = host;
        account.port = static_cast<unsigned>(std::stoul(port));
        return setAllRead(&account, "Inbox");
    }

    HKEY scratch = nullptr;
    bool lastRun = false;  // the scratch key goes with the test that uses it last
    HMODULE velcore = nullptr;
    MailboxFn setAllRead = nullptr;
    AccountSettings account;
};

std::string wireLog() {
    std::ifstream in(env("VELOR_SELF_SIGNED_LOG"), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool isFingerprint(const std::string& text) {
    if (text.size() != 32 * 3 - 1) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (i % 3 == 2 ? c != ':' : !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

// The test authority in the system's trusted roots for the run of the tests, as an administrator
// would install a company's own authority. It goes in before any chain is built in this process.
class TestAuthority : public ::testing::Environment {
public:
    void SetUp() override {
        std::string path = env("VELOR_TEST_AUTHORITY");
        if (path.empty()) return;
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::string pem = text.str();
        DWORD size = 0;
        if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) return;
        der_.resize(size);
        CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der_.data(), &size, nullptr, nullptr);
        HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "ROOT");
        ASSERT_NE(root, nullptr);
        EXPECT_TRUE(CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der_.data(), size,
                                                     CERT_STORE_ADD_REPLACE_EXISTING, &added_));
        CertCloseStore(root, 0);
    }
    void TearDown() override {
        if (!added_) return;
        HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "ROOT");
        if (root) {
            PCCERT_CONTEXT found = CertFindCertificateInStore(root, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, added_, nullptr);
            if (found) EXPECT_TRUE(CertDeleteCertificateFromStore(found));
            CertCloseStore(root, 0);
        }
        CertFreeCertificateContext(added_);
    }

private:
    std::vector<BYTE> der_;
    PCCERT_CONTEXT added_ = nullptr;
};

}  // namespace

TEST_F(VelcoreCertificates, SelfSignedIsAskedAboutAndCancelSendsNothing) {
    DialogWatch watch(IDCANCEL, false, "certificate-untrusted.bmp");
    EXPECT_EQ(call("127.0.0.1", env("VELOR_SELF_SIGNED_PORT")), 1);
    const Seen& seen = watch.finish();
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.title, "Server Certificate - 127.0.0.1");
    EXPECT_EQ(seen.intro, kUntrusted);
    EXPECT_EQ(seen.server, "127.0.0.1:" + env("VELOR_SELF_SIGNED_PORT"));
    // The stand-in's certificate names "localhost" and vouches for itself.
    EXPECT_EQ(seen.problems, std::string(kUnknownIssuer) + "\r\n" + kWrongName);
    EXPECT_TRUE(isFingerprint(seen.fingerprint)) << seen.fingerprint;
    // Not a byte of the session went out: the connection was opened and closed, nothing received.
    std::string log = wireLog();
    EXPECT_NE(log.find(" open "), std::string::npos) << log;
    EXPECT_EQ(log.find(" recv "), std::string::npos) << log;
    EXPECT_EQ(stored("127.0.0.1:" + env("VELOR_SELF_SIGNED_PORT")), "");
}

TEST_F(VelcoreCertificates, SelfSignedAlwaysTrustedIsKeptAndTheNextCallIsNotAsked) {
    const std::string name = "127.0.0.1:" + env("VELOR_SELF_SIGNED_PORT");
    std::string fingerprint;
    {
        DialogWatch watch(IDOK, true, "certificate-always.bmp");
        EXPECT_EQ(call("127.0.0.1", env("VELOR_SELF_SIGNED_PORT")), S_OK);
        const Seen& seen = watch.finish();
        ASSERT_TRUE(seen.shown);
        fingerprint = seen.fingerprint;
    }
    EXPECT_EQ(stored(name), fingerprint);
    EXPECT_NE(wireLog().find("recv A000 LOGIN anna demo"), std::string::npos);
    DialogWatch watch(IDCANCEL, false);
    EXPECT_EQ(call("127.0.0.1", env("VELOR_SELF_SIGNED_PORT")), S_OK);
    EXPECT_FALSE(watch.finish().shown);
}

TEST_F(VelcoreCertificates, AuthorityIssuedForTheHostIsNotAsked) {
    DialogWatch watch(IDCANCEL, false);
    EXPECT_EQ(call("localhost", env("VELOR_AUTHORITY_PORT")), S_OK);
    EXPECT_FALSE(watch.finish().shown);
    EXPECT_EQ(stored("localhost:" + env("VELOR_AUTHORITY_PORT")), "");
}

TEST_F(VelcoreCertificates, AuthorityIssuedForAnotherNameIsAskedAboutTheNameAlone) {
    DialogWatch watch(IDCANCEL, false, "certificate-wrong-name.bmp");
    EXPECT_EQ(call("127.0.0.1", env("VELOR_AUTHORITY_PORT")), 1);
    const Seen& seen = watch.finish();
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.problems, kWrongName);
}

TEST_F(VelcoreCertificates, AuthorityIssuedButExpiredIsAskedAboutTheDateAlone) {
    DialogWatch watch(IDCANCEL, false);
    EXPECT_EQ(call("localhost", env("VELOR_EXPIRED_PORT")), 1);
    const Seen& seen = watch.finish();
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.problems, kExpired);
}

TEST_F(VelcoreCertificates, RenewedSelfSignedIsAskedAgainWithTheChangedWarning) {
    lastRun = true;
    const std::string name = "127.0.0.1:" + env("VELOR_SELF_SIGNED_PORT");
    const std::string before = stored(name);
    ASSERT_TRUE(isFingerprint(before)) << "the first run kept no fingerprint";
    DialogWatch watch(IDOK, false, "certificate-changed.bmp");
    EXPECT_EQ(call("127.0.0.1", env("VELOR_SELF_SIGNED_PORT")), S_OK);
    const Seen& seen = watch.finish();
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.intro, kChanged);
    EXPECT_TRUE(isFingerprint(seen.fingerprint));
    EXPECT_NE(seen.fingerprint, before);
    // Continue without "Always" goes on once and keeps what was trusted before.
    EXPECT_EQ(stored(name), before);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new TestAuthority);
    return RUN_ALL_TESTS();
}
