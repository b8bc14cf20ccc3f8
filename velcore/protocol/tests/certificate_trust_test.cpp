// The decision about a certificate the platform did not verify: when the user is asked, what the
// question says, and what "always trust" keeps.
#include "velcore/protocol/CertificateTrust.h"
#include "TestStrings.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace velor;

namespace {

struct MemoryTrust : TrustedCertificates {
    std::map<std::string, std::string> values;
    mutable int lookups = 0;
    bool failWrites = false;
    std::optional<std::string> Find(const std::string& name) const override {
        ++lookups;
        auto it = values.find(name);
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
    bool Remember(const std::string& name, const std::string& fingerprint) override {
        if (failWrites) return false;
        values[name] = fingerprint;
        return true;
    }
};

struct ScriptedPrompt : CertificatePrompt {
    std::vector<CertificateAnswer> answers;
    std::vector<CertificateQuestion> asked;
    CertificateAnswer Ask(const CertificateQuestion& question) override {
        asked.push_back(question);
        CertificateAnswer answer = answers.empty() ? CertificateAnswer::kCancel : answers.front();
        if (!answers.empty()) answers.erase(answers.begin());
        return answer;
    }
};

const char kFingerprint[] =
    "3F:A0:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:01:02:03:04:05:06:07:08:09:0A:0B:0C:0D:0E";

ServerCertificate selfSigned(const char* host = "Mail.Example.com", std::uint32_t port = 993) {
    ServerCertificate c;
    c.host = host;
    c.port = port;
    c.fingerprint = kFingerprint;
    c.problems = kCertificateUnknownIssuer | kCertificateWrongName;
    return c;
}

struct Decision {
    MemoryTrust trust;
    ScriptedPrompt prompt;
    velor::testing::EnglishStrings strings;
    bool run(const ServerCertificate& c) { return AcceptServerCertificate(c, trust, prompt, strings); }
};

}  // namespace

TEST(CertificateText, FingerprintIsUpperCaseHexPairsJoinedByColons) {
    const unsigned char digest[] = {0x00, 0x0f, 0xa5, 0xff};
    EXPECT_EQ(FingerprintText(digest, sizeof digest), "00:0F:A5:FF");
    EXPECT_EQ(FingerprintText(digest, 0), "");
    std::vector<unsigned char> sha256(32, 0xab);
    EXPECT_EQ(FingerprintText(sha256.data(), sha256.size()).size(), 32u * 3 - 1);
}

TEST(CertificateText, FingerprintsCompareByDigitsAlone) {
    EXPECT_TRUE(SameFingerprint("3f:a0:0b", "3FA00B"));
    EXPECT_TRUE(SameFingerprint(" 3F A0 0B ", "3F:A0:0B"));
    EXPECT_FALSE(SameFingerprint("3F:A0:0B", "3F:A0:0C"));
    EXPECT_FALSE(SameFingerprint("3F:A0", "3F:A0:0B"));
    // Nothing, or something that is no fingerprint, matches nothing, not even itself.
    EXPECT_FALSE(SameFingerprint("", ""));
    EXPECT_FALSE(SameFingerprint("not a hash", "not a hash"));
}

TEST(CertificateText, ValueNameIsLowerCaseHostColonPort) {
    EXPECT_EQ(TrustedCertificateName("Mail.Example.COM", 993), "mail.example.com:993");
    EXPECT_EQ(TrustedCertificateName("127.0.0.1", 50123), "127.0.0.1:50123");
    EXPECT_NE(TrustedCertificateName("mail", 993), TrustedCertificateName("mail", 994));
}

TEST(CertificateText, ProblemsAreListedOnePerLineInAFixedOrder) {
    velor::testing::EnglishStrings strings;
    ServerCertificate c = selfSigned();
    c.problems = kCertificateWrongName | kCertificateExpired | kCertificateUnknownIssuer;
    EXPECT_EQ(CertificateProblemsText(c, strings),
              "The certificate is not issued by a trusted certification authority.\r\n"
              "The certificate has expired or is not yet valid.\r\n"
              "The certificate is issued for a different server name.");
    c.problems = kCertificateOtherProblem;
    c.otherError = 0x800B010Cu;
    EXPECT_EQ(CertificateProblemsText(c, strings), "The certificate cannot be used (error 0x800B010C).");
    c.problems = kCertificateExpired;
    EXPECT_EQ(CertificateProblemsText(c, strings), "The certificate has expired or is not yet valid.");
}

TEST(CertificateDecision, ATrustedCertificateGoesOnWithoutQuestionOrLookup) {
    Decision d;
    ServerCertificate c = selfSigned();
    c.problems = 0;
    EXPECT_TRUE(d.run(c));
    EXPECT_TRUE(d.prompt.asked.empty());
    EXPECT_EQ(d.trust.lookups, 0);
}

TEST(CertificateDecision, AnUntrustedCertificateIsAskedAboutAndCancelStopsWithNothingKept) {
    Decision d;
    d.prompt.answers = {CertificateAnswer::kCancel};
    EXPECT_FALSE(d.run(selfSigned()));
    ASSERT_EQ(d.prompt.asked.size(), 1u);
    const CertificateQuestion& q = d.prompt.asked[0];
    EXPECT_EQ(q.host, "Mail.Example.com");
    EXPECT_EQ(q.server, "Mail.Example.com:993");
    EXPECT_FALSE(q.changed);
    EXPECT_EQ(q.intro, "The identity of this server cannot be verified.");
    EXPECT_EQ(q.problems,
              "The certificate is not issued by a trusted certification authority.\r\n"
              "The certificate is issued for a different server name.");
    EXPECT_EQ(q.fingerprint, kFingerprint);
    EXPECT_TRUE(d.trust.values.empty());
}

TEST(CertificateDecision, ContinueGoesOnOnceAndAlwaysKeepsTheFingerprintForTheNextConnection) {
    Decision d;
    d.prompt.answers = {CertificateAnswer::kContinue, CertificateAnswer::kAlwaysTrust};
    EXPECT_TRUE(d.run(selfSigned()));
    EXPECT_TRUE(d.trust.values.empty());
    EXPECT_TRUE(d.run(selfSigned()));
    EXPECT_EQ(d.prompt.asked.size(), 2u);
    EXPECT_EQ(d.trust.values, (std::map<std::string, std::string>{{"mail.example.com:993", kFingerprint}}));
    // The next connection, with the host in another letter case, is not asked.
    EXPECT_TRUE(d.run(selfSigned("MAIL.example.com")));
    EXPECT_EQ(d.prompt.asked.size(), 2u);
    // The same certificate on another port of the host is another service: asked.
    EXPECT_FALSE(d.run(selfSigned("mail.example.com", 994)));
    EXPECT_EQ(d.prompt.asked.size(), 3u);
}

TEST(CertificateDecision, AChangedCertificateIsAskedWithTheWarningAndAlwaysReplacesTheOldOne) {
    Decision d;
    d.trust.values["mail.example.com:993"] = "00:11:22";
    d.prompt.answers = {CertificateAnswer::kContinue, CertificateAnswer::kAlwaysTrust};
    EXPECT_TRUE(d.run(selfSigned()));
    ASSERT_EQ(d.prompt.asked.size(), 1u);
    EXPECT_TRUE(d.prompt.asked[0].changed);
    EXPECT_EQ(d.prompt.asked[0].intro, "WARNING: this server's certificate has changed.");
    // Continue without "always" keeps what was trusted before.
    EXPECT_EQ(d.trust.values["mail.example.com:993"], "00:11:22");
    EXPECT_TRUE(d.run(selfSigned()));
    EXPECT_TRUE(d.prompt.asked[1].changed);
    EXPECT_EQ(d.trust.values["mail.example.com:993"], kFingerprint);
    EXPECT_TRUE(d.run(selfSigned()));
    EXPECT_EQ(d.prompt.asked.size(), 2u);
}

TEST(CertificateDecision, AnAnswerThatCannotBeKeptStillLetsThisConnectionGoOn) {
    Decision d;
    d.trust.failWrites = true;
    d.prompt.answers = {CertificateAnswer::kAlwaysTrust, CertificateAnswer::kCancel};
    EXPECT_TRUE(d.run(selfSigned()));
    EXPECT_FALSE(d.run(selfSigned()));
    EXPECT_EQ(d.prompt.asked.size(), 2u);
}
