// A thin test client over the OpenLDAP client library, the same library the synchronisation
// tool uses: every call waits at most a few seconds, so a server fault fails a test instead of
// hanging it, and results come back as plain values.
#pragma once

#include <ldap.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace velor::mailserver::test {

using Values = std::vector<std::string>;
using Attributes = std::map<std::string, Values>;

struct FoundEntry {
  std::string dn;
  Attributes attributes;  // names as the server sent them
};

struct SearchOutcome {
  int code = -1;
  std::string matched;
  std::vector<FoundEntry> entries;
  std::vector<std::string> dns() const;
};

struct ChangeOutcome {
  int code = -1;
  std::string matched;
};

struct Change {
  int op;  // LDAP_MOD_ADD, LDAP_MOD_DELETE, LDAP_MOD_REPLACE
  std::string attribute;
  Values values;
};

struct SearchOptions {
  std::vector<std::string> attributes;  // empty: all
  bool typesOnly = false;
  int sizeLimit = 0;
  int timeLimit = 0;
};

class LdapClient {
 public:
  // Connects lazily, as libldap does; nullptr only when the handle cannot be made.
  static std::unique_ptr<LdapClient> open(int port, int version = LDAP_VERSION3);
  ~LdapClient();
  LDAP* handle() const { return ld_; }

  int bind(const std::string& dn, const std::string& password);
  SearchOutcome search(const std::string& base, int scope, const std::string& filter, const SearchOptions& options = {});
  ChangeOutcome add(const std::string& dn, const std::vector<std::pair<std::string, Values>>& attributes);
  ChangeOutcome modify(const std::string& dn, const std::vector<Change>& changes);
  ChangeOutcome remove(const std::string& dn);

  // The entry's revId, or "" when it cannot be read.
  std::string revision(const std::string& dn);
  // The entry's attributes by a base search, empty when it cannot be read.
  Attributes read(const std::string& dn);

  // Waits for the result of an asynchronous operation; code -1 when none came in time.
  ChangeOutcome waitFor(int messageId, int timeoutMs = 10000);

 private:
  LDAP* ld_ = nullptr;
};

// Binds as the user in the given protocol version; nullptr when the bind fails.
std::unique_ptr<LdapClient> bindAs(int port, const std::string& user, const std::string& password,
                                   int version = LDAP_VERSION3);

}  // namespace velor::mailserver::test
