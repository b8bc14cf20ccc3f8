// The directory as the synchronisation tool reads it: folders listed one level at a time,
// a folder's contacts with their revisions, one contact's attributes, and the search
// controls (filters, attribute lists, limits) that LDAP tools use.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "ldap_fixtures.h"

namespace velor::mailserver::test {
namespace {

using ::testing::ElementsAre;

std::string first(const Attributes& attributes, const std::string& name) {
  const auto it = attributes.find(name);
  return it == attributes.end() || it->second.empty() ? "<none>" : it->second.front();
}

// Depth first, each level by a one-level search for containers, as the settings window lists.
std::vector<std::string> listFolders(LdapClient& c, const std::string& base) {
  std::vector<std::string> out;
  std::function<void(const std::string&)> walk = [&](const std::string& at) {
    const auto level = c.search(at, LDAP_SCOPE_ONELEVEL, "(objectClass=container)", {{"objectClass"}});
    EXPECT_EQ(level.code, LDAP_SUCCESS) << at;
    for (const auto& e : level.entries) {
      EXPECT_EQ(e.attributes, (Attributes{{"objectClass", {"container"}}}));
      out.push_back(e.dn);
      walk(e.dn);
    }
  };
  walk(base);
  return out;
}

TEST(LdapDirectory, FoldersListedOneLevelAtATimePerUserAndShared) {
  auto r = startLdap();
  auto anna = bindAs(r->port(), "anna", "demo", LDAP_VERSION2);
  EXPECT_THAT(listFolders(*anna, "fn=Personal,fn=ContactRoot"),
              ElementsAre(kAnnaContacts, "fn=Family," + kAnnaContacts, "fn=Work,fn=Personal,fn=ContactRoot"));
  EXPECT_THAT(listFolders(*anna, "fn=Public,fn=ContactRoot"),
              ElementsAre("fn=Team,fn=Public,fn=ContactRoot", "fn=Shared,fn=Team,fn=Public,fn=ContactRoot"));
  // petr has the default folder of his own and the same public tree.
  auto petr = bindAs(r->port(), "petr", "p,w\"d");
  EXPECT_THAT(listFolders(*petr, "fn=Personal,fn=ContactRoot"), ElementsAre(kAnnaContacts));
  EXPECT_TRUE(petr->search(kAnnaContacts, LDAP_SCOPE_ONELEVEL, "(objectClass=*)").entries.empty());
  EXPECT_EQ(listFolders(*petr, "fn=Public,fn=ContactRoot").size(), 2u);
}

TEST(LdapDirectory, FolderContentsAsTheToolLoadsThem) {
  auto r = startLdap();
  auto c = bindAs(r->port(), "anna", "demo", LDAP_VERSION2);
  const auto found = c->search(kAnnaContacts, LDAP_SCOPE_ONELEVEL, "(objectClass=velorOrgPerson)", {{"revId", "commonName"}});
  ASSERT_EQ(found.code, LDAP_SUCCESS);
  EXPECT_THAT(found.dns(), ElementsAre("cn=1A," + kAnnaContacts, "cn=1B," + kAnnaContacts, "cn=2F," + kAnnaContacts));
  EXPECT_EQ(found.entries[0].attributes, (Attributes{{"revId", {"3"}}, {"commonName", {"Jiří Novák"}}}));
  EXPECT_EQ(found.entries[1].attributes, (Attributes{{"revId", {"1"}}, {"commonName", {"Zoë Müller"}}}));
  EXPECT_EQ(found.entries[2].attributes, (Attributes{{"revId", {"12"}}, {"commonName", {"Ørjan Ås"}}}));

  // One contact by the attribute map's names, asked in whatever letter case.
  const auto one = c->search("CN=1a,FN=contacts,fn=personal,fn=CONTACTROOT", LDAP_SCOPE_BASE,
                             "(objectClass=velorOrgPerson)", {{"commonname", "EMAIL", "defaultEmail", "company", "mobile"}});
  ASSERT_EQ(one.entries.size(), 1u);
  EXPECT_EQ(one.entries[0].dn, "cn=1A," + kAnnaContacts);
  EXPECT_EQ(one.entries[0].attributes, (Attributes{{"commonName", {"Jiří Novák"}},
                                                   {"email", {"jiri@example.cz", "JN@Firma.cz"}},
                                                   {"defaultEmail", {"jiri@example.cz"}},
                                                   {"company", {"Firma s.r.o."}}}));
  const auto all = c->read("cn=1B," + kAnnaContacts);
  EXPECT_EQ(all, (Attributes{{"objectClass", {"velorOrgPerson"}}, {"cn", {"1B"}}, {"revId", {"1"}},
                             {"commonName", {"Zoë Müller"}}, {"homeLocality", {"Köln"}}, {"email", {"zoe@example.de"}}}));
}

TEST(LdapDirectory, FiltersIgnoreLetterCaseAndCombine) {
  auto r = startLdap();
  auto c = bindAs(r->port(), "anna", "demo");
  auto dnsOf = [&](const std::string& filter) {
    std::vector<std::string> ids;
    for (const auto& dn : c->search(kAnnaContacts, LDAP_SCOPE_ONELEVEL, filter).dns()) ids.push_back(dn.substr(0, dn.find(',')));
    return ids;
  };
  EXPECT_THAT(dnsOf("(&(objectClass=VELORORGPERSON)(email=*))"), ElementsAre("cn=1A", "cn=1B"));
  EXPECT_THAT(dnsOf("(|(commonName=ZOË MÜLLER)(revId=12))"), ElementsAre("cn=1B", "cn=2F"));
  EXPECT_THAT(dnsOf("(!(email=*))"), ElementsAre("cn=2F", "fn=Family"));
  EXPECT_THAT(dnsOf("(email=jn@firma.CZ)"), ElementsAre("cn=1A"));
  EXPECT_THAT(dnsOf("(commonName=*nov*)"), ElementsAre("cn=1A"));
  EXPECT_THAT(dnsOf("(&(objectClass=velorOrgPerson)(!(revId=3)))"), ElementsAre("cn=1B", "cn=2F"));
  EXPECT_TRUE(dnsOf("(revId>=1)").empty());  // ordering is not offered: Undefined, never true
  EXPECT_TRUE(dnsOf("(!(revId>=1))").empty());
}

TEST(LdapDirectory, ScopesAttributesOnlyAndSizeLimit) {
  auto r = startLdap();
  auto c = bindAs(r->port(), "anna", "demo");
  EXPECT_EQ(c->search("fn=ContactRoot", LDAP_SCOPE_SUBTREE, "(objectClass=*)").entries.size(), 13u);
  EXPECT_THAT(c->search("fn=ContactRoot", LDAP_SCOPE_ONELEVEL, "(objectClass=*)").dns(),
              ElementsAre("fn=Personal,fn=ContactRoot", "fn=Public,fn=ContactRoot"));
  EXPECT_THAT(c->search("fn=Team,fn=Public,fn=ContactRoot", LDAP_SCOPE_SUBTREE, "(objectClass=velorOrgPerson)").dns(),
              ElementsAre("cn=100,fn=Team,fn=Public,fn=ContactRoot"));

  SearchOptions typesOnly;
  typesOnly.typesOnly = true;
  typesOnly.attributes = {"revId", "email"};
  const auto types = c->search("cn=1A," + kAnnaContacts, LDAP_SCOPE_BASE, "(objectClass=*)", typesOnly);
  ASSERT_EQ(types.entries.size(), 1u);
  EXPECT_EQ(types.entries[0].attributes, (Attributes{{"revId", {}}, {"email", {}}}));

  SearchOptions none;
  none.attributes = {"1.1"};
  EXPECT_TRUE(c->search("cn=1A," + kAnnaContacts, LDAP_SCOPE_BASE, "(objectClass=*)", none).entries[0].attributes.empty());

  SearchOptions two;
  two.sizeLimit = 2;
  const auto limited = c->search(kAnnaContacts, LDAP_SCOPE_ONELEVEL, "(objectClass=*)", two);
  EXPECT_EQ(limited.code, LDAP_SIZELIMIT_EXCEEDED);
  EXPECT_EQ(limited.entries.size(), 2u);
  two.sizeLimit = 4;
  EXPECT_EQ(c->search(kAnnaContacts, LDAP_SCOPE_ONELEVEL, "(objectClass=*)", two).code, LDAP_SUCCESS);
}

TEST(LdapDirectory, MissingEntriesNameTheirClosestAncestor) {
  auto r = startLdap();
  auto c = bindAs(r->port(), "anna", "demo");
  const auto missing = c->search("cn=FF,fn=Nowhere,fn=contacts,fn=Personal,fn=ContactRoot", LDAP_SCOPE_BASE, "(objectClass=*)");
  EXPECT_EQ(missing.code, LDAP_NO_SUCH_OBJECT);
  EXPECT_EQ(missing.matched, kAnnaContacts);
  EXPECT_EQ(c->search("fn=Other,fn=ContactRoot", LDAP_SCOPE_BASE, "(objectClass=*)").matched, "fn=ContactRoot");
  EXPECT_EQ(c->search("o=elsewhere", LDAP_SCOPE_BASE, "(objectClass=*)").code, LDAP_NO_SUCH_OBJECT);
  EXPECT_EQ(c->search("fn=Contacts,,", LDAP_SCOPE_BASE, "(objectClass=*)").code, LDAP_INVALID_DN_SYNTAX);
}

TEST(LdapDirectory, DemoSeedServesARealisticContactTree) {
  auto r = startLdap({}, readFile(VELOR_MAILSERVER_DEMO_SEED));
  auto anna = bindAs(r->port(), "anna", "demo", LDAP_VERSION2);
  ASSERT_TRUE(anna);
  EXPECT_THAT(listFolders(*anna, "fn=Personal,fn=ContactRoot"),
              ElementsAre(kAnnaContacts, "fn=Familie," + kAnnaContacts, "fn=Kunden,fn=Personal,fn=ContactRoot",
                          "fn=Archiv 2024,fn=Personal,fn=ContactRoot"));
  EXPECT_EQ(listFolders(*anna, "fn=Public,fn=ContactRoot").size(), 3u);
  const auto contacts = anna->search(kAnnaContacts, LDAP_SCOPE_ONELEVEL, "(objectClass=velorOrgPerson)", {{"revId", "commonName"}});
  EXPECT_EQ(contacts.entries.size(), 15u);
  EXPECT_EQ(anna->search("fn=ContactRoot", LDAP_SCOPE_SUBTREE, "(commonName=ZOË MÜLLER)").entries.size(), 1u);
  auto lucie = bindAs(r->port(), "lucie", "demo");
  EXPECT_THAT(listFolders(*lucie, "fn=Personal,fn=ContactRoot"), ElementsAre(kAnnaContacts));
}

}  // namespace
}  // namespace velor::mailserver::test
