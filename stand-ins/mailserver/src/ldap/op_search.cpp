// Search in base, one-level and subtree scope. The reply is built whole before it is sent;
// the size limit cuts it with sizeLimitExceeded, the time limit with timeLimitExceeded.
#include <ldap.h>

#include <functional>

#include "ldap/operations.h"
#include "ldap/response_encoder.h"
#include "ldap/schema.h"

namespace velor::mailserver::ldap {
namespace {

// What the client asked to see: every attribute (no list, or "*"), none ("1.1"), or a list.
struct Selection {
  bool all = false;
  std::vector<std::string> names;  // lower case
};

Selection selectionOf(const std::vector<std::string>& requested) {
  Selection s;
  s.all = requested.empty();
  for (const auto& name : requested) {
    if (name == "*") s.all = true;
    else if (name != "1.1" && name != "+") s.names.push_back(lowerAscii(name));
  }
  return s;
}

std::vector<Attribute> selected(std::vector<Attribute> served, const Selection& selection) {
  if (selection.all) return served;
  std::vector<Attribute> out;
  for (auto& a : served)
    for (const auto& wanted : selection.names)
      if (lowerAscii(a.name) == wanted) {
        out.push_back(std::move(a));
        break;
      }
  return out;
}

std::vector<Attribute> rootAttributes() {
  return {{kObjectClass, {kFolderClass}}, {kFolderNaming, {"ContactRoot"}}};
}

// The candidates in the order answered: an entry before what lies below it, siblings in the
// order they were made. A null entry stands for fn=ContactRoot.
void collect(Directory& directory, const std::string& user, Entry* base, int scope, std::vector<Entry*>& out) {
  std::function<void(Entry*)> subtree = [&](Entry* e) {
    out.push_back(e);
    for (auto& c : e->children) subtree(c.get());
  };
  if (scope == LDAP_SCOPE_BASE) {
    out.push_back(base);
  } else if (!base) {
    if (scope == LDAP_SCOPE_SUBTREE) {
      out.push_back(nullptr);
      subtree(&directory.personal(user));
      subtree(&directory.publicTree());
    } else {
      out.push_back(&directory.personal(user));
      out.push_back(&directory.publicTree());
    }
  } else if (scope == LDAP_SCOPE_ONELEVEL) {
    for (auto& c : base->children) out.push_back(c.get());
  } else {
    subtree(base);
  }
}

}  // namespace

void runSearch(const OperationContext& c, const SearchRequest& request, Clock::time_point deadline) {
  const auto dn = parseDn(request.base);
  if (!dn) return appendResult(c.reply, c.messageId, LDAP_RES_SEARCH_RESULT, LDAP_INVALID_DN_SYNTAX, "", "invalid DN");
  const auto lookup = c.directory.find(c.user, *dn);
  if (!lookup.found)
    return appendResult(c.reply, c.messageId, LDAP_RES_SEARCH_RESULT, LDAP_NO_SUCH_OBJECT, formatDn(lookup.matched),
                        "no such entry");
  std::vector<Entry*> candidates;
  collect(c.directory, c.user, lookup.entry, request.scope, candidates);
  const Selection selection = selectionOf(request.attributes);
  int sent = 0;
  for (Entry* entry : candidates) {
    if (Clock::now() >= deadline)
      return appendResult(c.reply, c.messageId, LDAP_RES_SEARCH_RESULT, LDAP_TIMELIMIT_EXCEEDED, "", "time limit exceeded");
    std::vector<Attribute> served = entry ? servedAttributes(*entry) : rootAttributes();
    if (evaluate(request.filter, served) != Match::True) continue;
    if (request.sizeLimit > 0 && sent == request.sizeLimit)
      return appendResult(c.reply, c.messageId, LDAP_RES_SEARCH_RESULT, LDAP_SIZELIMIT_EXCEEDED, "", "size limit exceeded");
    const std::string name = formatDn(entry ? Directory::dnOf(*entry) : Directory::rootDn());
    appendEntry(c.reply, c.messageId, name, selected(std::move(served), selection), request.typesOnly);
    ++sent;
  }
  appendResult(c.reply, c.messageId, LDAP_RES_SEARCH_RESULT, LDAP_SUCCESS, "", "");
}

}  // namespace velor::mailserver::ldap
