// Add. Addressed to a folder's own DN, it makes a new contact below that folder with a fresh
// id and names it in the matched-DN field: that is how the synchronisation tool creates
// contacts. Addressed to a new "cn=<hex>" or "fn=<name>" DN below a folder, it makes that
// contact or folder, as an LDAP tool expects.
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

bool hasClass(const Attribute& a, const char* wanted) {
  for (const auto& v : a.values)
    if (lowerAscii(v) == lowerAscii(wanted)) return true;
  return false;
}

// The objectClass values, when given, must be the one this kind of entry has (and "top").
bool classFits(const std::vector<Attribute>& attributes, const char* wanted, bool required) {
  for (const auto& a : attributes) {
    if (lowerAscii(a.name) != "objectclass") continue;
    if (!hasClass(a, wanted)) return false;
    for (const auto& v : a.values)
      if (lowerAscii(v) != lowerAscii(wanted) && lowerAscii(v) != "top") return false;
    return true;
  }
  return !required;
}

// Fills a new contact from the add's attributes. objectClass, revId and the naming attribute
// are the server's to set and are passed over.
Outcome fillContact(Entry& contact, const std::vector<Attribute>& attributes) {
  for (const auto& a : attributes) {
    const std::string lower = lowerAscii(a.name);
    if (lower == "objectclass" || lower == "revid" || lower == lowerAscii(contact.rdn.type)) continue;
    if (a.values.empty()) return {LDAP_INVALID_SYNTAX, "", a.name + " has no value"};
    const AttributeCheck check = checkContactAttribute(a);
    if (check.code != LDAP_SUCCESS) return {check.code, "", check.message};
    if (contact.find(check.name)) return {LDAP_TYPE_OR_VALUE_EXISTS, "", check.name + " given twice"};
    contact.store({check.name, a.values});
  }
  return {};
}

Outcome addToFolder(const OperationContext& c, Entry& folder, const std::vector<Attribute>& attributes) {
  if (!folder.parent) return {LDAP_UNWILLING_TO_PERFORM, "", "contacts live in the folders below this one"};
  if (!classFits(attributes, kContactClass, false)) return {LDAP_OBJECT_CLASS_VIOLATION, "", "a folder holds velorOrgPerson entries"};
  auto contact = makeContact(c.directory.newContactId());
  if (c.settings.addMatched == AddMatched::Uid) contact->rdn.type = "uid";
  if (Outcome filled = fillContact(*contact, attributes); filled.code != LDAP_SUCCESS) return filled;
  Entry& added = folder.adopt(std::move(contact));
  switch (c.settings.addMatched) {
    case AddMatched::None: return {};
    case AddMatched::Folder: return {LDAP_SUCCESS, formatDn(Directory::dnOf(folder)), ""};
    case AddMatched::Entry:
    case AddMatched::Uid: break;
  }
  return {LDAP_SUCCESS, formatDn(Directory::dnOf(added)), ""};
}

Outcome addNamed(const OperationContext& c, const Dn& dn, const std::vector<Attribute>& attributes) {
  const Dn parentDn(dn.begin() + 1, dn.end());
  const auto parent = c.directory.find(c.user, parentDn);
  if (!parent.found) return {LDAP_NO_SUCH_OBJECT, formatDn(parent.matched), "no such parent entry"};
  if (!parent.entry || !parent.entry->folder) return {LDAP_UNWILLING_TO_PERFORM, "", "entries are made below folders only"};
  Entry& folder = *parent.entry;
  const std::string type = lowerAscii(dn.front().type);
  if (type == kFolderNaming) {
    if (!classFits(attributes, kFolderClass, true)) return {LDAP_OBJECT_CLASS_VIOLATION, "", "a folder is a container"};
    for (const auto& a : attributes)
      if (lowerAscii(a.name) != "objectclass" && lowerAscii(a.name) != kFolderNaming)
        return {LDAP_OBJECT_CLASS_VIOLATION, "", "a folder holds no " + a.name};
    auto added = makeFolder(dn.front().value);
    Entry& made = folder.adopt(std::move(added));
    return {LDAP_SUCCESS, formatDn(Directory::dnOf(made)), ""};
  }
  if (type != kContactNaming || !parseHexId(dn.front().value))
    return {LDAP_NAMING_VIOLATION, "", "contacts are named cn=<hexadecimal id>, folders fn=<name>"};
  if (!folder.parent) return {LDAP_UNWILLING_TO_PERFORM, "", "contacts live in the folders below this one"};
  if (!classFits(attributes, kContactClass, true)) return {LDAP_OBJECT_CLASS_VIOLATION, "", "a contact is a velorOrgPerson"};
  auto contact = makeContact(dn.front().value);
  if (Outcome filled = fillContact(*contact, attributes); filled.code != LDAP_SUCCESS) return filled;
  c.directory.noteContactId(dn.front().value);
  Entry& made = folder.adopt(std::move(contact));
  return {LDAP_SUCCESS, formatDn(Directory::dnOf(made)), ""};
}

Outcome add(const OperationContext& c, const AddRequest& request) {
  const auto dn = parseDn(request.dn);
  if (!dn || dn->empty()) return {LDAP_INVALID_DN_SYNTAX, "", "invalid DN"};
  const auto lookup = c.directory.find(c.user, *dn);
  if (lookup.root) return {LDAP_ALREADY_EXISTS, "", "entry already exists"};
  // An LDAP tool adding a folder that is there already means the folder, not a new contact.
  if (lookup.found && lookup.entry->folder && classFits(request.attributes, kFolderClass, true))
    return {LDAP_ALREADY_EXISTS, "", "entry already exists"};
  if (lookup.found && lookup.entry->folder) return addToFolder(c, *lookup.entry, request.attributes);
  if (lookup.found) return {LDAP_ALREADY_EXISTS, "", "entry already exists"};
  return addNamed(c, *dn, request.attributes);
}

}  // namespace

void runAdd(const OperationContext& c, const AddRequest& request) {
  const Outcome outcome = add(c, request);
  appendResult(c.reply, c.messageId, LDAP_RES_ADD, outcome.code, outcome.matched, outcome.message);
}

}  // namespace velor::mailserver::ldap
