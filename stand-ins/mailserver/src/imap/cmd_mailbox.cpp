// SELECT, EXAMINE, STORE, EXPUNGE, CLOSE: the commands behind "Mark All Read", "Mark All
// Unread" and "Remove Deleted Messages". Rights as RFC 2086 gives them: r to select, s for
// \Seen, d for \Deleted and EXPUNGE, w for every other flag.
#include <algorithm>
#include <cctype>
#include <optional>

#include "imap/commands.h"
#include "imap/sequence_set.h"
#include "state/flags.h"
#include "state/rights.h"

namespace velor::mailserver {
namespace {

constexpr char kFlagList[] = "\\Answered \\Flagged \\Deleted \\Seen \\Draft";

char rightForFlag(const std::string& flag) {
  if (flag == "\\Seen") return 's';
  if (flag == "\\Deleted") return 'd';
  return 'w';
}

bool hasFlag(const Message& m, const std::string& flag) {
  return std::find(m.flags.begin(), m.flags.end(), flag) != m.flags.end();
}

std::string flagText(const Message& m) {
  std::string out = "(";
  for (const auto& f : m.flags) out += (out.size() > 1 ? " " : "") + f;
  return out + ")";
}

void openFolder(CommandContext& c, bool examine) {
  // Whatever the outcome, the folder selected before is no longer selected.
  c.session.selected = nullptr;
  if (!c.expectArgs(1, examine ? "EXAMINE folder" : "SELECT folder")) return;
  Folder* folder = c.visibleFolder(0);
  if (!folder) return;
  const std::string rights = rightsOf(*folder, *c.session.user);
  if (folder->noselect) {
    c.reply.no("Mailbox cannot be selected: it only holds other folders");
    return;
  }
  if (!hasRight(rights, 'r')) {
    c.reply.no("Permission denied");
    return;
  }
  const bool canChange = hasRight(rights, 's') || hasRight(rights, 'w') || hasRight(rights, 'd') || hasRight(rights, 'i');
  const auto& messages = folder->messages;
  c.reply.untagged(std::string("FLAGS (") + kFlagList + ")");
  c.reply.untagged(std::to_string(messages.size()) + " EXISTS");
  c.reply.untagged("0 RECENT");
  const auto unseen = std::find_if(messages.begin(), messages.end(), [](const Message& m) { return !hasFlag(m, "\\Seen"); });
  if (unseen != messages.end())
    c.reply.untagged("OK [UNSEEN " + std::to_string(unseen - messages.begin() + 1) + "] First unseen");
  c.reply.untagged(std::string("OK [PERMANENTFLAGS (") + kFlagList + " \\*)] Flags permitted");
  c.reply.untagged("OK [UIDVALIDITY " + std::to_string(folder->uidValidity) + "] UIDs valid");
  c.reply.untagged("OK [UIDNEXT " + std::to_string(folder->uidNext) + "] Predicted next UID");
  c.session.selected = folder;
  c.session.readOnly = examine || !canChange;
  const std::string verb = examine ? "EXAMINE" : "SELECT";
  c.reply.ok(c.session.readOnly ? "[READ-ONLY] " + verb + " completed" : "[READ-WRITE] " + verb + " completed");
}

// Expunge responses carry the number a message has at that moment, so later ones shift down.
void removeDeleted(Folder& folder, Reply* reply) {
  std::size_t number = 1;
  for (auto it = folder.messages.begin(); it != folder.messages.end();) {
    if (hasFlag(*it, "\\Deleted")) {
      if (reply) reply->untagged(std::to_string(number) + " EXPUNGE");
      it = folder.messages.erase(it);
    } else {
      ++it, ++number;
    }
  }
}

// The flags of a STORE: one parenthesised list, or flags side by side. The reply is set when
// they are malformed.
std::optional<std::vector<std::string>> storeFlags(CommandContext& c) {
  std::size_t first = 2, last = c.args.size();
  if (c.args[2].kind == Token::Kind::Open) {
    if (c.args.back().kind != Token::Kind::Close) {
      c.reply.bad("Unbalanced flag list");
      return std::nullopt;
    }
    first = 3, last = c.args.size() - 1;
  }
  std::vector<std::string> flags;
  for (std::size_t i = first; i < last; ++i) {
    const auto canonical = c.args[i].kind == Token::Kind::Atom ? canonicalFlag(c.args[i].value) : std::nullopt;
    if (!canonical) {
      c.reply.bad("Invalid flag: " + c.args[i].value);
      return std::nullopt;
    }
    if (std::find(flags.begin(), flags.end(), *canonical) == flags.end()) flags.push_back(*canonical);
  }
  return flags;
}

// mode '=' replaces, '+' adds, '-' removes; the order of the flags already held is kept.
std::vector<std::string> changedFlags(const std::vector<std::string>& held, char mode, const std::vector<std::string>& given) {
  if (mode == '=') return given;
  std::vector<std::string> next;
  for (const auto& f : held)
    if (mode == '+' || std::find(given.begin(), given.end(), f) == given.end()) next.push_back(f);
  if (mode == '+')
    for (const auto& f : given)
      if (std::find(next.begin(), next.end(), f) == next.end()) next.push_back(f);
  return next;
}

// Every flag set or cleared needs its own right.
bool mayChange(const std::vector<std::string>& before, const std::vector<std::string>& after, const std::string& rights) {
  auto holds = [](const std::vector<std::string>& list, const std::string& f) {
    return std::find(list.begin(), list.end(), f) != list.end();
  };
  for (const auto& f : after)
    if (!holds(before, f) && !hasRight(rights, rightForFlag(f))) return false;
  for (const auto& f : before)
    if (!holds(after, f) && !hasRight(rights, rightForFlag(f))) return false;
  return true;
}

}  // namespace

void cmdSelect(CommandContext& c) { openFolder(c, false); }
void cmdExamine(CommandContext& c) { openFolder(c, true); }

void cmdStore(CommandContext& c) {
  const std::string* set = c.astring(0);
  const std::string* item = c.astring(1);
  if (!set || !item || c.args.size() < 3 || c.args[0].kind != Token::Kind::Atom)
    return c.reply.bad("Usage: STORE sequence-set [+|-]FLAGS[.SILENT] (flags)");
  std::string what = *item;
  for (char& ch : what) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  const bool silent = what.size() > 7 && what.compare(what.size() - 7, 7, ".SILENT") == 0;
  if (silent) what.resize(what.size() - 7);
  const char mode = what == "FLAGS" ? '=' : what == "+FLAGS" ? '+' : what == "-FLAGS" ? '-' : 0;
  if (!mode) return c.reply.bad("STORE changes FLAGS, +FLAGS or -FLAGS");
  const auto flags = storeFlags(c);
  if (!flags) return;
  Folder& folder = *c.session.selected;
  const auto numbers = resolveSequenceSet(*set, folder.messages.size());
  if (!numbers) return c.reply.bad("Invalid message sequence set");
  if (c.session.readOnly) return c.reply.no("Mailbox is read-only");

  // Work out every change first, so that a missing right refuses the whole command.
  const std::string rights = rightsOf(folder, *c.session.user);
  std::vector<std::vector<std::string>> results;
  for (std::size_t n : *numbers) {
    const Message& m = folder.messages[n - 1];
    results.push_back(changedFlags(m.flags, mode, *flags));
    if (!mayChange(m.flags, results.back(), rights)) return c.reply.no("Permission denied");
  }
  for (std::size_t k = 0; k < numbers->size(); ++k) {
    Message& m = folder.messages[(*numbers)[k] - 1];
    m.flags = std::move(results[k]);
    if (!silent) c.reply.untagged(std::to_string((*numbers)[k]) + " FETCH (FLAGS " + flagText(m) + ")");
  }
  c.reply.ok("STORE completed");
}

void cmdExpunge(CommandContext& c) {
  if (!c.expectArgs(0, "EXPUNGE")) return;
  Folder& folder = *c.session.selected;
  if (c.session.readOnly) return c.reply.no("Mailbox is read-only");
  if (!hasRight(rightsOf(folder, *c.session.user), 'd')) return c.reply.no("Permission denied");
  removeDeleted(folder, &c.reply);
  c.reply.ok("EXPUNGE completed");
}

void cmdClose(CommandContext& c) {
  if (!c.expectArgs(0, "CLOSE")) return;
  Folder& folder = *c.session.selected;
  if (!c.session.readOnly && hasRight(rightsOf(folder, *c.session.user), 'd')) removeDeleted(folder, nullptr);
  c.session.selected = nullptr;
  c.reply.ok("CLOSE completed");
}

}  // namespace velor::mailserver
