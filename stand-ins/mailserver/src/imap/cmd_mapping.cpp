// X-LISTMAP, X-SETMAP, X-DELETEMAP: a user's aliases, each mapped onto a folder. On the wire a
// folder of the user's own tree carries a "~" before its name; folders of the # namespaces carry
// none. Aliases and folders are modified UTF-7 and always written as quoted strings.
#include <algorithm>

#include "imap/commands.h"
#include "imap/quote.h"
#include "state/mutf7.h"

namespace velor::mailserver {
namespace {

std::string wireFolder(const std::string& stored) {
  if (!stored.empty() && stored[0] == '~') return "~" + encodeMutf7(stored.substr(1));
  return encodeMutf7(stored);
}

std::optional<std::string> aliasArg(CommandContext& c, std::size_t i) {
  const std::string* wire = c.astring(i);
  std::optional<std::string> alias = wire ? decodeMutf7(*wire) : std::nullopt;
  if (alias && !alias->empty()) return alias;
  c.reply.bad("Alias expected (modified UTF-7, not empty)");
  return std::nullopt;
}

}  // namespace

void cmdListMap(CommandContext& c) {
  if (!c.expectArgs(0, "X-LISTMAP")) return;
  for (const auto& m : c.session.user->mappings)
    c.reply.untagged("X-LISTMAP " + imapString(encodeMutf7(m.alias), StringForm::Quoted) + " " +
                     imapString(wireFolder(m.folder), StringForm::Quoted));
  c.reply.ok("X-LISTMAP completed");
}

void cmdSetMap(CommandContext& c) {
  if (!c.expectArgs(2, "X-SETMAP alias folder")) return;
  const auto alias = aliasArg(c, 0);
  if (!alias) return;
  const std::string* wire = c.astring(1);
  if (!wire || wire->empty()) return c.reply.bad("Folder expected");
  const bool own = (*wire)[0] == '~';
  if (!own && (*wire)[0] != '#')
    return c.reply.no("Folder must be one of your own, written with a leading ~, or one of a # namespace");
  // The folder check below reads the name without the tilde, as any other folder argument.
  std::vector<Token> folderArgs{{Token::Kind::String, own ? wire->substr(1) : *wire}};
  CommandContext folderContext{c.state, c.settings, c.session, folderArgs, c.reply};
  Folder* folder = folderContext.visibleFolder(0);
  if (!folder) return;
  if (own == (folder->name[0] == '#')) return c.reply.no("Mailbox does not exist");
  const std::string stored = own ? "~" + folder->name : folder->name;
  auto& mappings = c.session.user->mappings;
  auto it = std::find_if(mappings.begin(), mappings.end(), [&](const Mapping& m) { return m.alias == *alias; });
  if (it != mappings.end()) it->folder = stored;
  else mappings.push_back({*alias, stored});
  c.reply.ok("X-SETMAP completed");
}

void cmdDeleteMap(CommandContext& c) {
  if (!c.expectArgs(1, "X-DELETEMAP alias")) return;
  const auto alias = aliasArg(c, 0);
  if (!alias) return;
  auto& mappings = c.session.user->mappings;
  auto it = std::find_if(mappings.begin(), mappings.end(), [&](const Mapping& m) { return m.alias == *alias; });
  if (it == mappings.end()) return c.reply.no("No such mapping: " + *alias);
  mappings.erase(it);
  c.reply.ok("X-DELETEMAP completed");
}

}  // namespace velor::mailserver
