// Binding in both protocol versions, refusals, and what the server does with messages it
// cannot serve, as a client sees them over a real connection.
#include <gtest/gtest.h>

#include <sstream>

#include "imap_client.h"
#include "ldap_fixtures.h"

namespace velor::mailserver::test {
namespace {

TEST(LdapSession, SimpleBindInBothVersionsByUserNameOrDn) {
  auto r = startLdap();
  ASSERT_GT(r->port(), 0) << r->server->portsLine();
  for (int version : {LDAP_VERSION2, LDAP_VERSION3}) {
    SCOPED_TRACE(version);
    auto c = LdapClient::open(r->port(), version);
    ASSERT_EQ(c->bind("anna", "demo"), LDAP_SUCCESS);
    EXPECT_EQ(c->search(kAnnaContacts, LDAP_SCOPE_ONELEVEL, "(objectClass=velorOrgPerson)").entries.size(), 3u);
    EXPECT_EQ(LdapClient::open(r->port(), version)->bind("uid=anna,fn=ContactRoot", "demo"), LDAP_SUCCESS);
    EXPECT_EQ(LdapClient::open(r->port(), version)->bind("cn=petr", "p,w\"d"), LDAP_SUCCESS);
  }
}

TEST(LdapSession, WrongCredentialsAndAnonymousClientsAreRefused) {
  auto r = startLdap();
  EXPECT_EQ(LdapClient::open(r->port(), LDAP_VERSION2)->bind("anna", "wrong"), LDAP_INVALID_CREDENTIALS);
  EXPECT_EQ(LdapClient::open(r->port())->bind("anna", "wrong"), LDAP_INVALID_CREDENTIALS);
  EXPECT_EQ(LdapClient::open(r->port())->bind("nobody", "demo"), LDAP_INVALID_CREDENTIALS);
  EXPECT_EQ(LdapClient::open(r->port())->bind("anna", "DEMO"), LDAP_INVALID_CREDENTIALS);
  EXPECT_EQ(LdapClient::open(r->port())->bind("", ""), LDAP_INAPPROPRIATE_AUTH);
  EXPECT_EQ(LdapClient::open(r->port())->bind("anna", ""), LDAP_UNWILLING_TO_PERFORM);

  // No bind, or a failed one: nothing is served and nothing changes.
  auto c = LdapClient::open(r->port());
  EXPECT_EQ(c->search("fn=ContactRoot", LDAP_SCOPE_SUBTREE, "(objectClass=*)").code, LDAP_INSUFFICIENT_ACCESS);
  EXPECT_EQ(c->add(kAnnaContacts, {{"commonName", {"x"}}}).code, LDAP_INSUFFICIENT_ACCESS);
  ASSERT_EQ(c->bind("anna", "demo"), LDAP_SUCCESS);
  ASSERT_EQ(c->bind("anna", "nope"), LDAP_INVALID_CREDENTIALS);
  EXPECT_EQ(c->remove("cn=1A," + kAnnaContacts).code, LDAP_INSUFFICIENT_ACCESS);
  EXPECT_EQ(bindAs(r->port(), "anna", "demo")->search(kAnnaContacts, LDAP_SCOPE_ONELEVEL, "(cn=1A)").entries.size(), 1u);
}

TEST(LdapSession, UnreadableMessageEndsTheConnectionWithANotice) {
  auto r = startLdap();
  auto raw = ImapClient::connect(r->port());
  ASSERT_TRUE(raw);
  // A SEQUENCE holding a message id and then a bind request that stops half-way.
  raw->send(std::string("\x30\x08\x02\x01\x01\x60\x03\x02\x01\x03", 10));
  const std::string notice = raw->readToEnd();
  EXPECT_TRUE(raw->atEnd());
  ASSERT_GE(notice.size(), 2u);
  EXPECT_EQ(notice[0], '\x30');
  EXPECT_NE(notice.find("1.3.6.1.4.1.1466.20036"), std::string::npos);
  EXPECT_NE(notice.find(std::string("\x0a\x01\x02", 3)), std::string::npos);  // protocolError

  auto unsupported = bindAs(r->port(), "anna", "demo");
  berval value{4, const_cast<char*>("Novk")};
  EXPECT_EQ(ldap_compare_ext_s(unsupported->handle(), ("cn=1A," + kAnnaContacts).c_str(), "surname", &value, nullptr, nullptr),
            LDAP_UNWILLING_TO_PERFORM);
}

TEST(LdapSession, WireLogHoldsTheLdapBytesOfEachConnection) {
  TempDir dir;
  const std::string log = dir.path("wire.log");
  auto r = startLdap({"--wire-log", log});
  bindAs(r->port(), "anna", "demo").reset();
  EXPECT_EQ(r->server->stop(), 0);
  std::string sent, received, opened;
  std::istringstream lines(readFile(log));
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("1 open ", 0) == 0) opened = line;
    if (line.rfind("1 recv ", 0) == 0) received += line.substr(7);
    if (line.rfind("1 send ", 0) == 0) sent += line.substr(7);
  }
  EXPECT_EQ(opened.rfind("1 open ldap 127.0.0.1:", 0), 0u) << opened;
  // Bind request (id 1, version 3, "anna", simple "demo"), then the unbind (id 2).
  EXPECT_EQ(received, "0\\x14\\x02\\x01\\x01`\\x0F\\x02\\x01\\x03\\x04\\x04anna\\x80\\x04demo0\\x05\\x02\\x01\\x02B\\x00");
  // Bind response: success, empty matched DN and message.
  EXPECT_EQ(sent, "0\\x0C\\x02\\x01\\x01a\\x07\\n\\x01\\x00\\x04\\x00\\x04\\x00");
}

}  // namespace
}  // namespace velor::mailserver::test
