// Modify of a contact: add, delete and replace, applied together or not at all. Every modify
// that succeeds raises revId, even one that leaves the values as they were: the client learns
// its new revision from it.
//
// An add to a single-valued attribute that already has a value replaces it. The
// synchronisation tool sends every attribute of a contact it has just created as an add,
// commonName included, although the new entry already holds its placeholder name.
#include <ldap.h>

#include "ldap/operations.h"
#include "ldap/response_encoder.h"
#include "ldap/schema.h"

namespace velor::mailserver::ldap {
namespace {

struct Outcome {
  int code = LDAP_SUCCESS;
  std::string matched;
  std::string message;
};

bool holds(const std::vector<std::string>& values, const std::string& value) {
  const std::string wanted = foldValue(value);
  for (const auto& v : values)
    if (foldValue(v) == wanted) return true;
  return false;
}

Outcome apply(Entry& working, const Modification& change) {
  const AttributeCheck check = checkContactAttribute(change.attribute);
  if (check.code != LDAP_SUCCESS) return {check.code, "", check.message};
  const auto& values = change.attribute.values;
  Attribute now{check.name, {}};
  if (const Attribute* held = working.find(check.name)) now = *held;
  switch (change.op) {
    case Modification::Op::Add:
      if (values.empty()) return {LDAP_PROTOCOL_ERROR, "", "add without values"};
      if (!isMultiValued(check.name)) {
        now.values = values;
        break;
      }
      for (const auto& v : values) {
        if (holds(now.values, v)) return {LDAP_TYPE_OR_VALUE_EXISTS, "", check.name + ": value exists"};
        now.values.push_back(v);
      }
      break;
    case Modification::Op::Delete:
      if (now.values.empty()) return {LDAP_NO_SUCH_ATTRIBUTE, "", check.name + ": no such attribute"};
      if (values.empty()) {
        now.values.clear();
        break;
      }
      for (const auto& v : values) {
        if (!holds(now.values, v)) return {LDAP_NO_SUCH_ATTRIBUTE, "", check.name + ": no such value"};
        const std::string gone = foldValue(v);
        std::erase_if(now.values, [&](const std::string& held) { return foldValue(held) == gone; });
      }
      break;
    case Modification::Op::Replace:
      now.values = values;
      break;
  }
  working.store(std::move(now));
  return {};
}

Outcome modify(const OperationContext& c, const ModifyRequest& request) {
  const auto dn = parseDn(request.dn);
  if (!dn || dn->empty()) return {LDAP_INVALID_DN_SYNTAX, "", "invalid DN"};
  const auto lookup = c.directory.find(c.user, *dn);
  if (!lookup.found) return {LDAP_NO_SUCH_OBJECT, formatDn(lookup.matched), "no such entry"};
  if (!lookup.entry || lookup.entry->folder) return {LDAP_UNWILLING_TO_PERFORM, "", "folders are not modified"};
  Entry working;
  working.attributes = lookup.entry->attributes;
  for (const auto& change : request.changes)
    if (Outcome failed = apply(working, change); failed.code != LDAP_SUCCESS) return failed;
  lookup.entry->attributes = std::move(working.attributes);
  raiseRevision(*lookup.entry);
  return {};
}

}  // namespace

void runModify(const OperationContext& c, const ModifyRequest& request) {
  const Outcome outcome = modify(c, request);
  appendResult(c.reply, c.messageId, LDAP_RES_MODIFY, outcome.code, outcome.matched, outcome.message);
}

}  // namespace velor::mailserver::ldap
