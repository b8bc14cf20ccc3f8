// How long a folder of 10,000 contacts takes to load through one one-level search, read the
// way the synchronisation tool reads it (asynchronous search, results polled with a zero
// time-out and a 5 ms sleep when nothing is there). The time is printed; the bound only
// catches a server that has become far slower than a client would put up with.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <nlohmann/json.hpp>

#include "ldap_fixtures.h"

namespace velor::mailserver::test {
namespace {

constexpr int kContacts = 10000;

std::string bigSeed() {
  nlohmann::json contacts = nlohmann::json::array();
  for (int i = 1; i <= kContacts; ++i) {
    char id[16];
    std::snprintf(id, sizeof id, "%X", 0x1000 + i);
    const std::string n = std::to_string(i);
    contacts.push_back({{"id", id}, {"revId", 1 + i % 7}, {"commonName", "Kontakt Nº " + n + " Dvořák"},
                        {"email", {"k" + n + "@example.cz"}}, {"company", "Firma " + n}, {"workPhone", "+420 555 " + n}});
  }
  nlohmann::json seed = {{"users", {{{"name", "anna"}, {"password", "demo"}}}},
                         {"contacts", {{"personal", {{"anna", {{{"name", "Contacts"}, {"contacts", contacts}}}}}}}}};
  return seed.dump();
}

TEST(LdapLoad, TenThousandContactsInOneOneLevelSearch) {
  auto r = startLdap({}, bigSeed());
  auto c = bindAs(r->port(), "anna", "demo", LDAP_VERSION2);
  ASSERT_TRUE(c);
  for (int round = 0; round < 3; ++round) {
    const auto start = std::chrono::steady_clock::now();
    char revId[] = "revId", commonName[] = "commonName";
    char* attributes[] = {revId, commonName, nullptr};
    int id = -1;
    ASSERT_EQ(ldap_search_ext(c->handle(), kAnnaContacts.c_str(), LDAP_SCOPE_ONELEVEL, "(objectClass=velorOrgPerson)",
                              attributes, 0, nullptr, nullptr, nullptr, 0, &id),
              LDAP_SUCCESS);
    int entries = 0, code = -1;
    bool withNames = true;
    for (bool done = false; !done;) {
      timeval zero{0, 0};
      LDAPMessage* message = nullptr;
      const int type = ldap_result(c->handle(), id, LDAP_MSG_ONE, &zero, &message);
      ASSERT_GE(type, 0);
      if (type == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        continue;
      }
      if (type == LDAP_RES_SEARCH_ENTRY) {
        ++entries;
        berval** names = ldap_get_values_len(c->handle(), message, "commonName");
        withNames = withNames && names && names[0];
        ldap_value_free_len(names);
        ldap_msgfree(message);
      } else {
        code = ldap_result2error(c->handle(), message, 1);
        done = true;
      }
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    std::printf("[ load ] %d contacts in one one-level search: %lld ms (round %d)\n", entries, static_cast<long long>(ms), round + 1);
    EXPECT_EQ(code, LDAP_SUCCESS);
    EXPECT_EQ(entries, kContacts);
    EXPECT_TRUE(withNames);
    EXPECT_LT(ms, 5000);
  }
}

}  // namespace
}  // namespace velor::mailserver::test
