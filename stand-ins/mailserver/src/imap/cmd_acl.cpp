// GETACL, SETACL, DELETEACL and MYRIGHTS (RFC 2086). Reading or changing an ACL takes the a
// right. The owner's entry always comes first and cannot lose its l or a right, so a folder
// never ends up without an administrator. Identifiers cross the wire in modified UTF-7, groups
// in square brackets.
#include <algorithm>

#include "imap/commands.h"
#include "imap/quote.h"
#include "state/mutf7.h"
#include "state/rights.h"

namespace velor::mailserver {
namespace {

Folder* administeredFolder(CommandContext& c) {
  Folder* folder = c.visibleFolder(0);
  if (folder && !hasRight(rightsOf(*folder, *c.session.user), 'a')) {
    c.reply.no("Permission denied: administering this folder takes the a right");
    return nullptr;
  }
  return folder;
}

std::optional<std::string> identifierArg(CommandContext& c, std::size_t i) {
  const std::string* wire = c.astring(i);
  std::optional<std::string> id = wire ? decodeMutf7(*wire) : std::nullopt;
  if (id && !id->empty()) return id;
  c.reply.bad("Identifier expected");
  return std::nullopt;
}

bool knownIdentifier(const MailState& state, const std::string& id) {
  if (id == "anyone" || state.findUser(id)) return true;
  if (!isGroupIdentifier(id)) return false;
  const std::string group = id.substr(1, id.size() - 2);
  for (const auto& user : state.users)
    if (std::find(user->groups.begin(), user->groups.end(), group) != user->groups.end()) return true;
  return false;
}

}  // namespace

void cmdGetAcl(CommandContext& c) {
  if (!c.expectArgs(1, "GETACL folder")) return;
  Folder* folder = administeredFolder(c);
  if (!folder) return;
  const std::string name = imapString(encodeMutf7(folder->name));
  std::string oneLine = "ACL " + name;
  for (const auto& entry : folder->acl) {
    const std::string pair = imapString(encodeMutf7(entry.identifier)) + " " + imapString(entry.rights);
    if (c.settings.aclOneLine) oneLine += " " + pair;
    else c.reply.untagged("ACL " + name + " " + pair);
  }
  if (c.settings.aclOneLine) c.reply.untagged(oneLine);
  c.reply.ok("GETACL completed");
}

void cmdSetAcl(CommandContext& c) {
  if (!c.expectArgs(3, "SETACL folder identifier rights")) return;
  Folder* folder = administeredFolder(c);
  if (!folder) return;
  const auto id = identifierArg(c, 1);
  const std::string* letters = c.astring(2);
  if (!id) return;
  if (!letters) return c.reply.bad("Rights expected");
  // RFC 2086: a leading "+" adds to the rights held, "-" takes away, neither replaces them.
  const char mode = !letters->empty() && (letters->front() == '+' || letters->front() == '-') ? letters->front() : '=';
  const auto given = normaliseRights(mode == '=' ? *letters : letters->substr(1));
  if (!given) return c.reply.bad("Invalid rights: only the letters lrswipcda are known");
  if (!knownIdentifier(c.state, *id)) return c.reply.no("Unknown identifier: " + *id);

  auto entry = std::find_if(folder->acl.begin(), folder->acl.end(), [&](const AclEntry& e) { return e.identifier == *id; });
  const std::string held = entry == folder->acl.end() ? std::string() : entry->rights;
  std::string next = *given;
  if (mode == '+') next = *normaliseRights(held + *given);
  if (mode == '-') {
    next.clear();
    for (char r : held)
      if (!hasRight(*given, r)) next += r;
  }
  if (*id == folder->owner && (!hasRight(next, 'l') || !hasRight(next, 'a')))
    return c.reply.no("The owner keeps the l and a rights");
  if (next.empty()) {
    if (entry != folder->acl.end()) folder->acl.erase(entry);
  } else if (entry != folder->acl.end()) {
    entry->rights = next;
  } else {
    folder->acl.push_back({*id, next});
  }
  c.reply.ok("SETACL completed");
}

void cmdDeleteAcl(CommandContext& c) {
  if (!c.expectArgs(2, "DELETEACL folder identifier")) return;
  Folder* folder = administeredFolder(c);
  if (!folder) return;
  const auto id = identifierArg(c, 1);
  if (!id) return;
  if (*id == folder->owner) return c.reply.no("The owner's entry cannot be removed");
  std::erase_if(folder->acl, [&](const AclEntry& e) { return e.identifier == *id; });
  c.reply.ok("DELETEACL completed");
}

void cmdMyRights(CommandContext& c) {
  if (!c.expectArgs(1, "MYRIGHTS folder")) return;
  Folder* folder = c.visibleFolder(0);
  if (!folder) return;
  c.reply.untagged("MYRIGHTS " + imapString(encodeMutf7(folder->name)) + " " + imapString(rightsOf(*folder, *c.session.user)));
  c.reply.ok("MYRIGHTS completed");
}

}  // namespace velor::mailserver
