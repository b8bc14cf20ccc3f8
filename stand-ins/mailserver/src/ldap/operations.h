// The operations a bound client asks for, one file each. Each runs under the directory's lock
// and appends its whole reply (entries and result) to the reply buffer.
#pragma once

#include <chrono>
#include <string>

#include "ldap/directory.h"
#include "ldap/request.h"
#include "ldap/settings.h"
#include "state/model.h"

namespace velor::mailserver::ldap {

using Clock = std::chrono::steady_clock;

struct OperationContext {
  Directory& directory;
  const std::string& user;  // the bound user
  const LdapSettings& settings;
  int messageId;
  std::string& reply;
};

void runSearch(const OperationContext& context, const SearchRequest& request, Clock::time_point deadline);
void runAdd(const OperationContext& context, const AddRequest& request);
void runModify(const OperationContext& context, const ModifyRequest& request);
void runDelete(const OperationContext& context, const std::string& dn);

struct BindOutcome {
  int code = 0;
  std::string message;
  std::string user;  // set on success
};
// The caller holds the mail state's lock: the directory knows its users by the IMAP side's list.
BindOutcome runBind(const MailState& state, const BindRequest& request);

// Checks shared by add and modify: the schema's spelling of a contact attribute the client may
// write, or the result code that refuses it (with its message).
struct AttributeCheck {
  std::string name;
  int code = 0;
  std::string message;
};
AttributeCheck checkContactAttribute(const Attribute& attribute);

}  // namespace velor::mailserver::ldap
