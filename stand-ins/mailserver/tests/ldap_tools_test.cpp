// The OpenLDAP command-line tools against the stand-in: a second, independent client that
// must agree with what the library-driven tests see.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "ldap_fixtures.h"

namespace velor::mailserver::test {
namespace {

struct ToolRun {
  int exitCode;
  std::string out;
};

ToolRun runTool(const TempDir& dir, const std::string& command) {
  const std::string out = dir.path("tool.out");
  const int status = std::system((command + " >" + out + " 2>&1").c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(out)};
}

TEST(LdapTools, SearchAddModifyAndDeleteWithTheOpenLdapTools) {
  auto r = startLdap();
  TempDir dir;
  const std::string common = " -x -H ldap://127.0.0.1:" + std::to_string(r->port()) + " -D anna -w demo ";
  const std::string work = "fn=Work,fn=Personal,fn=ContactRoot";

  const auto search = runTool(dir, "ldapsearch -LLL -o ldif-wrap=no" + common + "-b '" + kAnnaContacts +
                                       "' -s one '(&(objectClass=velorOrgPerson)(email=*))' revId email");
  ASSERT_EQ(search.exitCode, 0) << search.out;
  EXPECT_EQ(search.out, "dn: cn=1A," + kAnnaContacts + "\nrevId: 3\nemail: jiri@example.cz\nemail: JN@Firma.cz\n\n" +
                            "dn: cn=1B," + kAnnaContacts + "\nrevId: 1\nemail: zoe@example.de\n\n");

  dir.write("add.ldif", "dn: cn=E1," + work + "\nobjectClass: velorOrgPerson\ncn: E1\ncommonName: Eva\n\n" +
                            "dn: fn=Archiv," + work + "\nobjectClass: container\nfn: Archiv\n");
  const auto add = runTool(dir, "ldapadd" + common + "-f " + dir.path("add.ldif"));
  EXPECT_EQ(add.exitCode, 0) << add.out;

  dir.write("modify.ldif", "dn: cn=e1," + work + "\nchangetype: modify\nreplace: commonName\ncommonName: Eva Svobodová\n-\n" +
                               "add: email\nemail: eva@example.cz\nemail: eva@firma.cz\n-\n");
  const auto modify = runTool(dir, "ldapmodify" + common + "-f " + dir.path("modify.ldif"));
  EXPECT_EQ(modify.exitCode, 0) << modify.out;

  // Protocol version 2 for the read back, as the synchronisation tool speaks it.
  const auto read = runTool(dir, "ldapsearch -P 2 -LLL -o ldif-wrap=no" + common + "-b 'cn=E1," + work + "' -s base");
  ASSERT_EQ(read.exitCode, 0) << read.out;
  EXPECT_EQ(read.out, "dn: cn=E1," + work + "\nobjectClass: velorOrgPerson\ncn: E1\nrevId: 2\n" +
                          "commonName:: RXZhIFN2b2JvZG92w6E=\nemail: eva@example.cz\nemail: eva@firma.cz\n\n");

  const auto remove = runTool(dir, "ldapdelete" + common + "'cn=E1," + work + "' 'fn=Archiv," + work + "'");
  EXPECT_EQ(remove.exitCode, 0) << remove.out;
  EXPECT_EQ(runTool(dir, "ldapsearch -LLL" + common + "-b 'cn=E1," + work + "' -s base").exitCode, LDAP_NO_SUCH_OBJECT);
  EXPECT_EQ(runTool(dir, "ldapsearch -LLL -x -H ldap://127.0.0.1:" + std::to_string(r->port()) +
                             " -D anna -w wrong -b fn=ContactRoot").exitCode,
            LDAP_INVALID_CREDENTIALS);
  EXPECT_EQ(runTool(dir, "ldapdelete" + common + "'fn=Family," + kAnnaContacts + "'").exitCode, LDAP_NOT_ALLOWED_ON_NONLEAF);
}

}  // namespace
}  // namespace velor::mailserver::test
