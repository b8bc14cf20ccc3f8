// Which attributes a client may write on a contact: those of the attribute map, in UTF-8, one
// value each but for the e-mail list. objectClass, the naming attribute and revId are the
// server's.
#include <ldap.h>

#include "ldap/operations.h"
#include "ldap/schema.h"
#include "state/mutf7.h"

namespace velor::mailserver::ldap {

AttributeCheck checkContactAttribute(const Attribute& attribute) {
  const std::string lower = lowerAscii(attribute.name);
  if (lower == "objectclass") return {"", LDAP_NO_OBJECT_CLASS_MODS, "objectClass is fixed"};
  if (lower == "revid" || lower == kContactNaming) return {"", LDAP_CONSTRAINT_VIOLATION, attribute.name + " is kept by the server"};
  const auto name = contactAttribute(attribute.name);
  if (!name) return {"", LDAP_UNDEFINED_TYPE, attribute.name + ": no such attribute type"};
  for (const auto& value : attribute.values)
    if (!isValidUtf8(value)) return {"", LDAP_INVALID_SYNTAX, *name + ": value is not UTF-8"};
  if (!isMultiValued(*name) && attribute.values.size() > 1)
    return {"", LDAP_CONSTRAINT_VIOLATION, *name + " holds one value"};
  return {*name, LDAP_SUCCESS, ""};
}

}  // namespace velor::mailserver::ldap
