#include "ldap/schema.h"

#include "ldap/dn.h"

namespace velor::mailserver::ldap {

const std::vector<std::string>& contactAttributes() {
  static const std::vector<std::string> names{
      "commonName", "surname",     "givenName",   "middleName", "titleBefore", "nickName",     "workStreet",
      "workLocality", "workState", "workZip",     "workCountry", "workPhone",  "workFax",      "workUrl",
      "company",    "department",  "roomNumber",  "position",   "homeStreet",  "homeLocality", "homeState",
      "homeZip",    "homeCountry", "homePhone",   "homeFax",    "homeUrl",     "pager",        "mobile",
      "defaultEmail", "email",     "comment"};
  return names;
}

std::optional<std::string> contactAttribute(std::string_view name) {
  const std::string wanted = lowerAscii(name);
  for (const auto& known : contactAttributes())
    if (lowerAscii(known) == wanted) return known;
  return std::nullopt;
}

bool isMultiValued(std::string_view canonicalName) { return canonicalName == "email"; }

}  // namespace velor::mailserver::ldap
