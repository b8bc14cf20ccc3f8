#include "ldap_client.h"

#include <sys/time.h>

namespace velor::mailserver::test {
namespace {

timeval after(int ms) { return {ms / 1000, (ms % 1000) * 1000}; }

struct Mods {
  std::vector<LDAPMod> mods;
  std::vector<std::vector<berval>> values;
  std::vector<std::vector<berval*>> pointers;
  std::vector<LDAPMod*> list;

  void add(int op, const std::string& type, const Values& vals) {
    values.emplace_back();
    for (const auto& v : vals) values.back().push_back({v.size(), const_cast<char*>(v.data())});
    names.push_back(type);
    ops.push_back(op);
  }
  LDAPMod** build() {
    mods.resize(names.size());
    pointers.resize(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
      for (auto& v : values[i]) pointers[i].push_back(&v);
      pointers[i].push_back(nullptr);
      mods[i].mod_op = ops[i] | LDAP_MOD_BVALUES;
      mods[i].mod_type = names[i].data();
      mods[i].mod_bvalues = values[i].empty() && ops[i] == LDAP_MOD_DELETE ? nullptr : pointers[i].data();
    }
    for (auto& m : mods) list.push_back(&m);
    list.push_back(nullptr);
    return list.data();
  }

  std::vector<std::string> names;
  std::vector<int> ops;
};

}  // namespace

std::vector<std::string> SearchOutcome::dns() const {
  std::vector<std::string> out;
  for (const auto& e : entries) out.push_back(e.dn);
  return out;
}

std::unique_ptr<LdapClient> LdapClient::open(int port, int version) {
  std::unique_ptr<LdapClient> client(new LdapClient);
  const std::string uri = "ldap://127.0.0.1:" + std::to_string(port);
  if (ldap_initialize(&client->ld_, uri.c_str()) != LDAP_SUCCESS) return nullptr;
  ldap_set_option(client->ld_, LDAP_OPT_PROTOCOL_VERSION, &version);
  timeval limit = after(10000);
  ldap_set_option(client->ld_, LDAP_OPT_NETWORK_TIMEOUT, &limit);
  ldap_set_option(client->ld_, LDAP_OPT_TIMEOUT, &limit);
  ldap_set_option(client->ld_, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
  return client;
}

LdapClient::~LdapClient() {
  if (ld_) ldap_unbind_ext_s(ld_, nullptr, nullptr);
}

int LdapClient::bind(const std::string& dn, const std::string& password) {
  berval credentials{password.size(), const_cast<char*>(password.data())};
  return ldap_sasl_bind_s(ld_, dn.c_str(), LDAP_SASL_SIMPLE, &credentials, nullptr, nullptr, nullptr);
}

ChangeOutcome LdapClient::waitFor(int messageId, int timeoutMs) {
  ChangeOutcome outcome;
  if (messageId < 0) return outcome;
  LDAPMessage* result = nullptr;
  timeval limit = after(timeoutMs);
  const int type = ldap_result(ld_, messageId, LDAP_MSG_ALL, &limit, &result);
  if (type <= 0) {
    if (type < 0) ldap_get_option(ld_, LDAP_OPT_RESULT_CODE, &outcome.code);
    return outcome;
  }
  char* matched = nullptr;
  ldap_parse_result(ld_, result, &outcome.code, &matched, nullptr, nullptr, nullptr, 1);
  if (matched) outcome.matched = matched;
  ldap_memfree(matched);
  return outcome;
}

SearchOutcome LdapClient::search(const std::string& base, int scope, const std::string& filter,
                                 const SearchOptions& options) {
  SearchOutcome outcome;
  std::vector<char*> attrs;
  for (const auto& a : options.attributes) attrs.push_back(const_cast<char*>(a.c_str()));
  attrs.push_back(nullptr);
  // The time limit travels in the request; the wait for the answer is the client's own.
  int timeLimit = options.timeLimit;
  ldap_set_option(ld_, LDAP_OPT_TIMELIMIT, &timeLimit);
  int id = -1;
  if (ldap_search_ext(ld_, base.c_str(), scope, filter.c_str(), options.attributes.empty() ? nullptr : attrs.data(),
                      options.typesOnly, nullptr, nullptr, nullptr, options.sizeLimit, &id) != LDAP_SUCCESS)
    return outcome;
  timeval limit = after(10000);
  LDAPMessage* result = nullptr;
  const int type = ldap_result(ld_, id, LDAP_MSG_ALL, &limit, &result);
  if (type < 0) ldap_get_option(ld_, LDAP_OPT_RESULT_CODE, &outcome.code);
  const int rc = outcome.code;
  if (!result) return outcome;
  for (LDAPMessage* e = ldap_first_entry(ld_, result); e; e = ldap_next_entry(ld_, e)) {
    FoundEntry found;
    char* dn = ldap_get_dn(ld_, e);
    found.dn = dn ? dn : "";
    ldap_memfree(dn);
    BerElement* ber = nullptr;
    for (char* a = ldap_first_attribute(ld_, e, &ber); a; a = ldap_next_attribute(ld_, e, ber)) {
      Values& values = found.attributes[a];
      berval** vals = ldap_get_values_len(ld_, e, a);
      for (int i = 0; vals && vals[i]; ++i) values.emplace_back(vals[i]->bv_val, vals[i]->bv_len);
      ldap_value_free_len(vals);
      ldap_memfree(a);
    }
    ber_free(ber, 0);
    outcome.entries.push_back(std::move(found));
  }
  char* matched = nullptr;
  int code = rc;
  if (ldap_parse_result(ld_, result, &code, &matched, nullptr, nullptr, nullptr, 0) == LDAP_SUCCESS) outcome.code = code;
  if (matched) outcome.matched = matched;
  ldap_memfree(matched);
  ldap_msgfree(result);
  return outcome;
}

ChangeOutcome LdapClient::add(const std::string& dn, const std::vector<std::pair<std::string, Values>>& attributes) {
  Mods mods;
  for (const auto& [name, values] : attributes) mods.add(LDAP_MOD_ADD, name, values);
  int id = -1;
  ldap_add_ext(ld_, dn.c_str(), mods.build(), nullptr, nullptr, &id);
  return waitFor(id);
}

ChangeOutcome LdapClient::modify(const std::string& dn, const std::vector<Change>& changes) {
  Mods mods;
  for (const auto& c : changes) mods.add(c.op, c.attribute, c.values);
  int id = -1;
  ldap_modify_ext(ld_, dn.c_str(), mods.build(), nullptr, nullptr, &id);
  return waitFor(id);
}

ChangeOutcome LdapClient::remove(const std::string& dn) {
  int id = -1;
  ldap_delete_ext(ld_, dn.c_str(), nullptr, nullptr, &id);
  return waitFor(id);
}

Attributes LdapClient::read(const std::string& dn) {
  const auto found = search(dn, LDAP_SCOPE_BASE, "(objectClass=*)");
  return found.entries.size() == 1 ? found.entries.front().attributes : Attributes{};
}

std::string LdapClient::revision(const std::string& dn) {
  const auto found = search(dn, LDAP_SCOPE_BASE, "(objectClass=velorOrgPerson)", {{"revId"}});
  if (found.entries.size() != 1) return "";
  const auto& values = found.entries.front().attributes;
  const auto it = values.find("revId");
  return it == values.end() || it->second.empty() ? "" : it->second.front();
}

std::unique_ptr<LdapClient> bindAs(int port, const std::string& user, const std::string& password, int version) {
  auto client = LdapClient::open(port, version);
  if (!client || client->bind(user, password) != LDAP_SUCCESS) return nullptr;
  return client;
}

}  // namespace velor::mailserver::test
