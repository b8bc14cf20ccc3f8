// Changes as the synchronisation tool makes them: a contact created by an add addressed to its
// folder, values added, replaced and deleted with the revision raised each time, contacts
// deleted; and what survives in the state file.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "ldap_fixtures.h"

namespace velor::mailserver::test {
namespace {

const std::string kJiri = "cn=1A," + kAnnaContacts;

TEST(LdapChanges, AddToAFolderMakesAContactNamedInTheMatchedDn) {
  auto r = startLdap();
  auto c = bindAs(r->port(), "anna", "demo", LDAP_VERSION2);
  const auto made = c->add(kAnnaContacts, {{"commonName", {"[NEW CONTACT]"}}});
  ASSERT_EQ(made.code, LDAP_SUCCESS);
  // Fresh ids lie above every id in the directory, the public tree's 100 included.
  EXPECT_EQ(made.matched, "cn=101," + kAnnaContacts);
  // libldap keeps it where the tool reads it.
  char* matched = nullptr;
  ldap_get_option(c->handle(), LDAP_OPT_MATCHED_DN, &matched);
  EXPECT_STREQ(matched, made.matched.c_str());
  ldap_memfree(matched);
  EXPECT_EQ(c->read(made.matched), (Attributes{{"objectClass", {"velorOrgPerson"}}, {"cn", {"101"}}, {"revId", {"1"}},
                                               {"commonName", {"[NEW CONTACT]"}}}));
  // The tool's next step: every local value as an add, commonName included.
  const auto sent = c->modify(made.matched, {{LDAP_MOD_ADD, "commonName", {"Eva Svobodová"}},
                                             {LDAP_MOD_ADD, "email", {"eva@example.cz", "eva@firma.cz"}},
                                             {LDAP_MOD_ADD, "defaultEmail", {"eva@firma.cz"}}});
  EXPECT_EQ(sent.code, LDAP_SUCCESS);
  EXPECT_EQ(c->read(made.matched), (Attributes{{"objectClass", {"velorOrgPerson"}}, {"cn", {"101"}}, {"revId", {"2"}},
                                               {"commonName", {"Eva Svobodová"}},
                                               {"email", {"eva@example.cz", "eva@firma.cz"}},
                                               {"defaultEmail", {"eva@firma.cz"}}}));
  EXPECT_EQ(c->add("fn=family,FN=Contacts,fn=Personal,fn=ContactRoot", {{"commonName", {"Ota"}}}).matched,
            "cn=102,fn=Family," + kAnnaContacts);
  EXPECT_EQ(c->search(kAnnaContacts, LDAP_SCOPE_ONELEVEL, "(objectClass=velorOrgPerson)").entries.size(), 4u);

  // Not below the Personal and Public tops themselves, nor below a contact.
  EXPECT_EQ(c->add("fn=Personal,fn=ContactRoot", {{"commonName", {"x"}}}).code, LDAP_UNWILLING_TO_PERFORM);
  EXPECT_EQ(c->add(kJiri, {{"commonName", {"x"}}}).code, LDAP_ALREADY_EXISTS);
  EXPECT_EQ(c->add(kAnnaContacts, {{"shoeSize", {"44"}}}).code, LDAP_UNDEFINED_TYPE);
  EXPECT_EQ(c->add(kAnnaContacts, {{"objectClass", {"groupOfNames"}}, {"commonName", {"x"}}}).code, LDAP_OBJECT_CLASS_VIOLATION);
  EXPECT_EQ(c->add(kAnnaContacts, {{"objectClass", {"container"}}}).code, LDAP_ALREADY_EXISTS);
}

TEST(LdapChanges, EveryAttributeOfTheMapIsKeptAndReadBackByItsName) {
  const std::vector<std::string> map{
      "commonName", "surname", "givenName", "middleName", "titleBefore", "nickName", "workStreet", "workLocality",
      "workState", "workZip", "workCountry", "workPhone", "workFax", "workUrl", "company", "department", "roomNumber",
      "position", "homeStreet", "homeLocality", "homeState", "homeZip", "homeCountry", "homePhone", "homeFax",
      "homeUrl", "pager", "mobile", "defaultEmail", "email", "comment"};
  auto r = startLdap();
  auto c = bindAs(r->port(), "anna", "demo", LDAP_VERSION2);
  std::vector<std::pair<std::string, Values>> all;
  Attributes expected;
  for (const auto& name : map) all.push_back({name, {name + " ü"}}), expected[name] = {name + " ü"};
  const auto made = c->add(kAnnaContacts, all);
  ASSERT_EQ(made.code, LDAP_SUCCESS);
  SearchOptions asTheToolAsks;
  asTheToolAsks.attributes = map;
  const auto found = c->search(made.matched, LDAP_SCOPE_BASE, "(objectClass=velorOrgPerson)", asTheToolAsks);
  ASSERT_EQ(found.entries.size(), 1u);
  EXPECT_EQ(found.entries[0].attributes, expected);
}

TEST(LdapChanges, EveryChangeRaisesTheRevisionByOne) {
  auto r = startLdap();
  auto c = bindAs(r->port(), "anna", "demo");
  ASSERT_EQ(c->revision(kJiri), "3");
  EXPECT_EQ(c->modify(kJiri, {{LDAP_MOD_REPLACE, "commonName", {"Jiří Nový"}}}).code, LDAP_SUCCESS);
  EXPECT_EQ(c->revision(kJiri), "4");
  EXPECT_EQ(c->modify(kJiri, {{LDAP_MOD_ADD, "email", {"jiri@home.cz"}}}).code, LDAP_SUCCESS);
  EXPECT_EQ(c->revision(kJiri), "5");
  EXPECT_EQ(c->modify(kJiri, {{LDAP_MOD_DELETE, "email", {"jn@firma.cz"}}}).code, LDAP_SUCCESS);  // case ignored
  EXPECT_EQ(c->revision(kJiri), "6");
  EXPECT_EQ(c->modify(kJiri, {{LDAP_MOD_DELETE, "company", {}}, {LDAP_MOD_REPLACE, "mobile", {"+420 600 100 200"}}}).code,
            LDAP_SUCCESS);
  EXPECT_EQ(c->revision(kJiri), "7");
  // Replacing a value by itself changes nothing, and the revision still goes up.
  EXPECT_EQ(c->modify(kJiri, {{LDAP_MOD_REPLACE, "commonName", {"Jiří Nový"}}}).code, LDAP_SUCCESS);
  EXPECT_EQ(c->revision(kJiri), "8");
  EXPECT_EQ(c->read(kJiri), (Attributes{{"objectClass", {"velorOrgPerson"}}, {"cn", {"1A"}}, {"revId", {"8"}},
                                        {"commonName", {"Jiří Nový"}}, {"surname", {"Novák"}}, {"givenName", {"Jiří"}},
                                        {"mobile", {"+420 600 100 200"}}, {"defaultEmail", {"jiri@example.cz"}},
                                        {"email", {"jiri@example.cz", "jiri@home.cz"}}}));
  // Other contacts keep theirs.
  EXPECT_EQ(c->revision("cn=2F," + kAnnaContacts), "12");
}

TEST(LdapChanges, RefusedModifyChangesNothing) {
  auto r = startLdap();
  auto c = bindAs(r->port(), "anna", "demo");
  const Attributes before = c->read(kJiri);
  auto refused = [&](std::vector<Change> changes) {
    changes.insert(changes.begin(), {LDAP_MOD_REPLACE, "comment", {"applied only with the rest"}});
    return c->modify(kJiri, changes).code;
  };
  EXPECT_EQ(refused({{LDAP_MOD_ADD, "shoeSize", {"44"}}}), LDAP_UNDEFINED_TYPE);
  EXPECT_EQ(refused({{LDAP_MOD_REPLACE, "revId", {"99"}}}), LDAP_CONSTRAINT_VIOLATION);
  EXPECT_EQ(refused({{LDAP_MOD_ADD, "objectClass", {"top"}}}), LDAP_NO_OBJECT_CLASS_MODS);
  EXPECT_EQ(refused({{LDAP_MOD_ADD, "email", {"JIRI@example.cz"}}}), LDAP_TYPE_OR_VALUE_EXISTS);
  EXPECT_EQ(refused({{LDAP_MOD_DELETE, "pager", {}}}), LDAP_NO_SUCH_ATTRIBUTE);
  EXPECT_EQ(refused({{LDAP_MOD_DELETE, "email", {"other@example.cz"}}}), LDAP_NO_SUCH_ATTRIBUTE);
  EXPECT_EQ(refused({{LDAP_MOD_REPLACE, "surname", {"one", "two"}}}), LDAP_CONSTRAINT_VIOLATION);
  EXPECT_EQ(refused({{LDAP_MOD_REPLACE, "surname", {"\xC3\x28"}}}), LDAP_INVALID_SYNTAX);
  EXPECT_EQ(c->read(kJiri), before);
  EXPECT_EQ(c->modify("cn=FF," + kAnnaContacts, {{LDAP_MOD_REPLACE, "comment", {"x"}}}).code, LDAP_NO_SUCH_OBJECT);
  EXPECT_EQ(c->modify(kAnnaContacts, {{LDAP_MOD_REPLACE, "comment", {"x"}}}).code, LDAP_UNWILLING_TO_PERFORM);
}

TEST(LdapChanges, DeleteContactsAndEmptyFolders) {
  auto r = startLdap();
  auto c = bindAs(r->port(), "anna", "demo");
  EXPECT_EQ(c->remove("CN=1b," + kAnnaContacts).code, LDAP_SUCCESS);
  EXPECT_EQ(c->search("cn=1B," + kAnnaContacts, LDAP_SCOPE_BASE, "(objectClass=*)").code, LDAP_NO_SUCH_OBJECT);
  EXPECT_EQ(c->remove("cn=1B," + kAnnaContacts).code, LDAP_NO_SUCH_OBJECT);
  EXPECT_EQ(c->remove("fn=Family," + kAnnaContacts).code, LDAP_NOT_ALLOWED_ON_NONLEAF);
  EXPECT_EQ(c->remove("fn=Work,fn=Personal,fn=ContactRoot").code, LDAP_SUCCESS);
  EXPECT_EQ(c->remove("fn=Public,fn=ContactRoot").code, LDAP_UNWILLING_TO_PERFORM);
  EXPECT_EQ(c->search(kAnnaContacts, LDAP_SCOPE_ONELEVEL, "(objectClass=velorOrgPerson)").entries.size(), 2u);
}

TEST(LdapChanges, NamedAddsAsLdapToolsSendThem) {
  auto r = startLdap();
  auto c = bindAs(r->port(), "anna", "demo");
  const std::string work = "fn=Work,fn=Personal,fn=ContactRoot";
  EXPECT_EQ(c->add("cn=abc," + work, {{"objectClass", {"top", "velorOrgPerson"}}, {"cn", {"abc"}}, {"commonName", {"Ada"}}}).code,
            LDAP_SUCCESS);
  EXPECT_EQ(c->revision("cn=ABC," + work), "1");
  EXPECT_EQ(c->add("fn=Projekte," + work, {{"objectClass", {"container"}}, {"fn", {"Projekte"}}}).code, LDAP_SUCCESS);
  EXPECT_EQ(c->add("fn=Projekte," + work, {{"objectClass", {"container"}}}).code, LDAP_ALREADY_EXISTS);
  EXPECT_EQ(c->add("cn=xyz," + work, {{"objectClass", {"velorOrgPerson"}}}).code, LDAP_NAMING_VIOLATION);
  EXPECT_EQ(c->add("cn=AC," + work, {{"commonName", {"no class"}}}).code, LDAP_OBJECT_CLASS_VIOLATION);
  const auto orphan = c->add("cn=AD,fn=Gone," + work, {{"objectClass", {"velorOrgPerson"}}});
  EXPECT_EQ(orphan.code, LDAP_NO_SUCH_OBJECT);
  EXPECT_EQ(orphan.matched, work);
  // A fresh id never takes one a client chose.
  EXPECT_EQ(c->add(work, {{"commonName", {"next"}}}).matched, "cn=ABD," + work);
}

TEST(LdapChanges, PublicFolderChangesAreSeenByEveryUser) {
  auto r = startLdap();
  auto petr = bindAs(r->port(), "petr", "p,w\"d");
  const std::string team = "fn=Team,fn=Public,fn=ContactRoot";
  const auto made = petr->add(team, {{"commonName", {"Recepce"}}});
  ASSERT_EQ(made.code, LDAP_SUCCESS);
  auto anna = bindAs(r->port(), "anna", "demo");
  EXPECT_EQ(anna->search(team, LDAP_SCOPE_ONELEVEL, "(commonName=recepce)").dns(), std::vector<std::string>{made.matched});
  EXPECT_EQ(anna->modify(made.matched, {{LDAP_MOD_ADD, "workPhone", {"100"}}}).code, LDAP_SUCCESS);
  EXPECT_EQ(petr->revision(made.matched), "2");
}

TEST(LdapChanges, TheStateFileKeepsTheDirectoryAndSeedsTheNextRun) {
  TempDir dir;
  const std::string state = dir.path("state.json");
  std::string added;
  {
    auto r = startLdap({"--state", state});
    auto c = bindAs(r->port(), "anna", "demo");
    added = c->add(kAnnaContacts, {{"commonName", {"Łukasz"}}, {"email", {"l@example.pl"}}}).matched;
    ASSERT_EQ(c->modify(kJiri, {{LDAP_MOD_REPLACE, "comment", {"tel. \"kancelář\""}}}).code, LDAP_SUCCESS);
    ASSERT_EQ(c->remove("cn=2F," + kAnnaContacts).code, LDAP_SUCCESS);
    c.reset();
    ASSERT_EQ(r->server->stop(), 0);
  }
  const auto saved = nlohmann::json::parse(readFile(state));
  const auto& contacts = saved.at("contacts").at("personal").at("anna").at(0).at("contacts");
  ASSERT_EQ(contacts.size(), 3u);
  EXPECT_EQ(contacts.at(0).at("revId"), 4);
  EXPECT_EQ(contacts.at(0).at("comment"), "tel. \"kancelář\"");
  EXPECT_EQ(contacts.at(2), (nlohmann::json{{"id", "101"}, {"revId", 1}, {"commonName", "Łukasz"}, {"email", {"l@example.pl"}}}));
  EXPECT_EQ(saved.at("contacts").at("next_id"), 0x102);
  EXPECT_EQ(saved.at("ldap").at("add_matched"), "entry");

  auto again = startLdap({}, readFile(state));
  auto c = bindAs(again->port(), "anna", "demo");
  EXPECT_EQ(c->revision(added), "1");
  EXPECT_EQ(c->revision(kJiri), "4");
  EXPECT_EQ(c->add(kAnnaContacts, {{"commonName", {"x"}}}).matched, "cn=102," + kAnnaContacts);
}

}  // namespace
}  // namespace velor::mailserver::test
