// The directory most LDAP tests run against, and helpers that start a server on it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ldap_client.h"
#include "server_process.h"

namespace velor::mailserver::test {

// anna (demo) has Contacts with three contacts and a nested Family folder, and an empty Work
// folder; petr (demo) has only the default Contacts folder; the public tree has Team with a
// nested Shared folder and one contact.
inline const char* kLdapSeed = R"JSON({
  "users": [{"name": "anna", "password": "demo"}, {"name": "petr", "password": "p,w\"d"}],
  "contacts": {
    "personal": {
      "anna": [
        {"name": "Contacts",
         "contacts": [
           {"id": "1A", "revId": 3, "commonName": "Jiří Novák", "surname": "Novák", "givenName": "Jiří",
            "defaultEmail": "jiri@example.cz", "email": ["jiri@example.cz", "JN@Firma.cz"], "company": "Firma s.r.o."},
           {"id": "1B", "commonName": "Zoë Müller", "email": ["zoe@example.de"], "homeLocality": "Köln"},
           {"id": "2F", "revId": 12, "commonName": "Ørjan Ås", "comment": "met in Trondheim"}
         ],
         "folders": [{"name": "Family", "contacts": [{"id": "30", "revId": 2, "commonName": "Marie Dvořáková"}]}]},
        {"name": "Work"}
      ]
    },
    "public": [
      {"name": "Team", "contacts": [{"id": "100", "revId": 5, "commonName": "Helpdesk", "workPhone": "+420 555 0100"}],
       "folders": [{"name": "Shared"}]}
    ]
  }
})JSON";

inline const std::string kAnnaContacts = "fn=Contacts,fn=Personal,fn=ContactRoot";

struct LdapRunning {
  TempDir dir;
  std::unique_ptr<ServerProcess> server;
  int port() const { return server->ldapPort(); }
};

inline std::unique_ptr<LdapRunning> startLdap(const std::vector<std::string>& extra = {},
                                              const std::string& seed = kLdapSeed) {
  auto r = std::make_unique<LdapRunning>();
  std::vector<std::string> args{"--seed", r->dir.write("seed.json", seed)};
  args.insert(args.end(), extra.begin(), extra.end());
  r->server = std::make_unique<ServerProcess>(args);
  return r;
}

}  // namespace velor::mailserver::test
