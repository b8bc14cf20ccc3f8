// LIST and LSUB. The folder list is answered in tree order (the user's INBOX tree, then
// #public, then #backup), each folder after its parent, because readers build their tree from
// the order of the lines. Shared folders are listed to users holding their l right.
#include "imap/commands.h"
#include "imap/quote.h"
#include "state/mutf7.h"
#include "state/rights.h"

namespace velor::mailserver {
namespace {

// RFC 3501 wildcards: "*" matches anything, "%" anything but the hierarchy delimiter.
bool matches(const char* name, const char* pattern) {
  for (; *pattern; ++pattern) {
    if (*pattern == '*' || *pattern == '%') {
      const bool crossLevels = *pattern == '*';
      for (const char* rest = name;; ++rest) {
        if (matches(rest, pattern + 1)) return true;
        if (!*rest || (!crossLevels && *rest == '/')) return false;
      }
    }
    if (*name != *pattern) return false;
    ++name;
  }
  return *name == '\0';
}

void listFolders(CommandContext& c, const char* verb, bool subscribedOnly) {
  const std::string* reference = c.astring(0);
  const std::string* pattern = c.astring(1);
  if (c.args.size() != 2 || !reference || !pattern) return c.reply.bad(std::string("Usage: ") + verb + " reference pattern");
  const std::string verbText = verb;
  if (pattern->empty() && verbText == "LIST") {
    // The delimiter query of RFC 3501.
    c.reply.untagged("LIST (\\Noselect) \"/\" \"\"");
    return c.reply.ok("LIST completed");
  }
  const std::string wanted = canonicalFolderName(*reference + *pattern);
  auto emit = [&](const Folder& folder) {
    if (subscribedOnly && !folder.subscribed) return;
    if (!hasRight(rightsOf(folder, *c.session.user), 'l')) return;
    const std::string wire = encodeMutf7(folder.name);
    if (!matches(wire.c_str(), wanted.c_str())) return;
    c.reply.untagged(verbText + (folder.noselect ? " (\\Noselect) " : " () ") + "\"/\" " + imapString(wire));
  };
  for (const auto& folder : c.session.user->folders) emit(*folder);
  for (const auto& folder : c.state.shared) emit(*folder);
  c.reply.ok(verbText + " completed");
}

}  // namespace

void cmdList(CommandContext& c) { listFolders(c, "LIST", false); }
void cmdLsub(CommandContext& c) { listFolders(c, "LSUB", true); }

}  // namespace velor::mailserver
