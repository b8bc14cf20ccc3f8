// Simple bind only. The bind DN is the user name as the IMAP side knows it; a DN whose first
// component is uid= or cn= with that name is taken as well, since LDAP tools like to send one.
#include <ldap.h>

#include "ldap/operations.h"

namespace velor::mailserver::ldap {
namespace {

const User* userNamed(const MailState& state, const std::string& bindName) {
  if (const User* user = state.findUser(bindName)) return user;
  const auto dn = parseDn(bindName);
  if (!dn || dn->empty()) return nullptr;
  const std::string type = lowerAscii(dn->front().type);
  if (type != "uid" && type != "cn") return nullptr;
  return state.findUser(dn->front().value);
}

}  // namespace

BindOutcome runBind(const MailState& state, const BindRequest& request) {
  if (request.version != LDAP_VERSION2 && request.version != LDAP_VERSION3)
    return {LDAP_PROTOCOL_ERROR, "protocol versions 2 and 3 only", {}};
  if (!request.simple) return {LDAP_AUTH_METHOD_NOT_SUPPORTED, "simple bind only", {}};
  // Every entry here belongs to someone: a client that does not say who it is sees nothing.
  if (request.name.empty()) return {LDAP_INAPPROPRIATE_AUTH, "anonymous bind refused", {}};
  if (request.password.empty()) return {LDAP_UNWILLING_TO_PERFORM, "unauthenticated bind refused", {}};
  const User* user = userNamed(state, request.name);
  if (!user || user->password != request.password) return {LDAP_INVALID_CREDENTIALS, "invalid credentials", {}};
  return {LDAP_SUCCESS, "", user->name};
}

}  // namespace velor::mailserver::ldap
