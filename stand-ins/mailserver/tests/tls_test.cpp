// The implicit-TLS port, checked with OpenSSL's own client, and the wire log, which must show
// exactly the bytes a client sent (plain text also for TLS connections).
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/x509.h>

#include "fixtures.h"
#include "net/tls.h"

namespace velor::mailserver::test {
namespace {

std::string runShell(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
    ::pclose(pipe);
  }
  return out;
}

// The records of one connection, without the connection number.
std::vector<std::string> records(const std::string& log, int connection) {
  std::vector<std::string> out;
  std::istringstream in(log);
  const std::string prefix = std::to_string(connection) + " ";
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) out.push_back(line.substr(prefix.size()));
  return out;
}

std::string joined(const std::vector<std::string>& recs, const std::string& direction) {
  std::string out;
  for (const auto& r : recs)
    if (r.rfind(direction + " ", 0) == 0) out += r.substr(direction.size() + 1);
  return out;
}

TEST(Tls, OpensslClientTalksToTheImplicitTlsPort) {
  auto r = startServer();
  TempDir dir;
  const std::string input = dir.write("in.txt", "A1 LOGIN alice secret\r\nA2 CAPABILITY\r\nA3 LOGOUT\r\n");
  const std::string out = runShell("timeout 20 openssl s_client -connect 127.0.0.1:" + std::to_string(r->server->imapsPort()) +
                                   " -quiet -ign_eof < " + input + " 2>/dev/null");
  EXPECT_EQ(out, "* OK [CAPABILITY IMAP4rev1 LITERAL+ ACL] Velor MailServer ready\r\n"
                 "A1 OK LOGIN completed\r\n"
                 "* CAPABILITY IMAP4rev1 LITERAL+ ACL\r\nA2 OK CAPABILITY completed\r\n"
                 "* BYE Velor MailServer logging out\r\nA3 OK LOGOUT completed\r\n");
  // The plain port does not speak TLS: a handshake there fails.
  EXPECT_EQ(runShell("timeout 20 openssl s_client -connect 127.0.0.1:" + std::to_string(r->server->imapPort()) +
                     " < /dev/null > /dev/null 2>&1; echo $?"), "1\n");
}

// A Windows client under Wine refuses an ECDSA signature with a half shorter than 32 bytes as a
// bad signature. One signature in 128 has such a half, so among 600 fresh certificates one
// would almost surely show up if the stand-in did not sign again.
TEST(Tls, SelfSignedCertificatesHaveSignatureHalvesOfFullLength) {
  int shortHalves = 0;
  for (int i = 0; i < 600; ++i) {
    SslContext context = makeServerTlsContext("", "");
    X509* cert = SSL_CTX_get0_certificate(context.get());
    ASSERT_NE(cert, nullptr);
    const ASN1_BIT_STRING* signature = nullptr;
    X509_get0_signature(&signature, nullptr, cert);
    const unsigned char* der = signature->data;
    ECDSA_SIG* pair = d2i_ECDSA_SIG(nullptr, &der, signature->length);
    ASSERT_NE(pair, nullptr);
    if (BN_num_bytes(ECDSA_SIG_get0_r(pair)) != 32 || BN_num_bytes(ECDSA_SIG_get0_s(pair)) != 32) ++shortHalves;
    ECDSA_SIG_free(pair);
  }
  EXPECT_EQ(shortHalves, 0);
}

TEST(WireLog, RecordsEveryByteOfEveryConnectionInOrder) {
  TempDir dir;
  const std::string logPath = dir.path("wire.log");
  auto r = startServer({"--wire-log", logPath, "--fault", "split=6,pause=50,on=NOOP"});
  {
    auto plain = ImapClient::connect(r->server->imapPort());
    ASSERT_TRUE(plain->login());
    plain->send("A000 SELECT \"INBOX\"\n\r\n");
    plain->readUntilTagged("A000");
    plain->send("A000 X-PUTSCRIPT {8+}\r\nif\\true\t\r\n");
    plain->readUntilTagged("A000");
    plain->command("A000", "NOOP");
    plain->command("A000", "LOGOUT");
    plain->readToEnd();
  }
  {
    auto secure = ImapClient::connect(r->server->imapsPort(), true);
    ASSERT_TRUE(secure);
    ASSERT_TRUE(secure->login("bob", "\"two words\""));
  }
  ASSERT_EQ(r->server->stop(), 0);
  const std::string log = readFile(logPath);

  const auto first = records(log, 1);
  ASSERT_GE(first.size(), 3u) << log;
  EXPECT_EQ(first.front().rfind("open imap 127.0.0.1:", 0), 0u);
  EXPECT_EQ(first.back(), "close");
  EXPECT_EQ(joined(first, "recv"),
            "L1 LOGIN alice secret\\r\\n"
            "A000 SELECT \"INBOX\"\\n\\r\\n"
            "A000 X-PUTSCRIPT {8+}\\r\\nif\\\\true\\t\\r\\n"
            "A000 NOOP\\r\\nA000 LOGOUT\\r\\n");
  const std::string sent = joined(first, "send");
  EXPECT_EQ(sent.rfind("* OK [CAPABILITY IMAP4rev1 LITERAL+ ACL] Velor MailServer ready\\r\\nL1 OK LOGIN completed\\r\\n", 0), 0u);
  // A split reply shows as two send records, cut where the fault said.
  EXPECT_NE(std::find(first.begin(), first.end(), "send A000 O"), first.end());
  EXPECT_NE(std::find(first.begin(), first.end(), "send K NOOP completed\\r\\n"), first.end());

  const auto second = records(log, 2);
  ASSERT_FALSE(second.empty());
  EXPECT_EQ(second.front().rfind("open imaps ", 0), 0u);
  EXPECT_EQ(joined(second, "recv"), "L1 LOGIN bob \"two words\"\\r\\n");  // decrypted bytes
  EXPECT_TRUE(records(log, 3).empty());
}

}  // namespace
}  // namespace velor::mailserver::test
