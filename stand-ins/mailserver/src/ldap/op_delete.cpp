// Delete of a contact or of an empty folder. fn=ContactRoot and the Personal and Public trees
// stay.
#include <ldap.h>

#include "ldap/operations.h"
#include "ldap/response_encoder.h"

namespace velor::mailserver::ldap {

void runDelete(const OperationContext& c, const std::string& name) {
  const auto dn = parseDn(name);
  if (!dn || dn->empty())
    return appendResult(c.reply, c.messageId, LDAP_RES_DELETE, LDAP_INVALID_DN_SYNTAX, "", "invalid DN");
  const auto lookup = c.directory.find(c.user, *dn);
  if (!lookup.found)
    return appendResult(c.reply, c.messageId, LDAP_RES_DELETE, LDAP_NO_SUCH_OBJECT, formatDn(lookup.matched), "no such entry");
  if (!lookup.entry || !lookup.entry->parent)
    return appendResult(c.reply, c.messageId, LDAP_RES_DELETE, LDAP_UNWILLING_TO_PERFORM, "", "the tree's top stays");
  if (!lookup.entry->children.empty())
    return appendResult(c.reply, c.messageId, LDAP_RES_DELETE, LDAP_NOT_ALLOWED_ON_NONLEAF, "", "the folder is not empty");
  lookup.entry->parent->remove(lookup.entry);
  appendResult(c.reply, c.messageId, LDAP_RES_DELETE, LDAP_SUCCESS, "", "");
}

}  // namespace velor::mailserver::ldap
