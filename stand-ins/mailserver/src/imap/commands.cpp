#include "imap/commands.h"

#include "state/mutf7.h"
#include "state/rights.h"

namespace velor::mailserver {
namespace {

constexpr CommandEntry kCommands[] = {
    {"CAPABILITY", kAnyState, cmdCapability},
    {"NOOP", kAnyState, cmdNoop},
    {"LOGOUT", kAnyState, cmdLogout},
    {"LOGIN", kNotAuthenticated, cmdLogin},
    {"SELECT", kLoggedIn, cmdSelect},
    {"EXAMINE", kLoggedIn, cmdExamine},
    {"LIST", kLoggedIn, cmdList},
    {"LSUB", kLoggedIn, cmdLsub},
    {"GETACL", kLoggedIn, cmdGetAcl},
    {"SETACL", kLoggedIn, cmdSetAcl},
    {"DELETEACL", kLoggedIn, cmdDeleteAcl},
    {"MYRIGHTS", kLoggedIn, cmdMyRights},
    {"X-LISTMAP", kLoggedIn, cmdListMap},
    {"X-SETMAP", kLoggedIn, cmdSetMap},
    {"X-DELETEMAP", kLoggedIn, cmdDeleteMap},
    {"X-GETSCRIPT", kLoggedIn, cmdGetScript},
    {"X-PUTSCRIPT", kLoggedIn, cmdPutScript},
    {"STORE", kSelected, cmdStore},
    {"EXPUNGE", kSelected, cmdExpunge},
    {"CLOSE", kSelected, cmdClose},
};

}  // namespace

const CommandEntry* findCommand(std::string_view name) {
  for (const auto& entry : kCommands)
    if (name == entry.name) return &entry;
  return nullptr;
}

const std::string* CommandContext::astring(std::size_t i) const {
  if (i >= args.size()) return nullptr;
  const Token& t = args[i];
  return (t.kind == Token::Kind::Atom || t.kind == Token::Kind::String) ? &t.value : nullptr;
}

std::optional<std::string> CommandContext::folderName(std::size_t i) {
  const std::string* wire = astring(i);
  if (!wire) {
    reply.bad("Folder name expected");
    return std::nullopt;
  }
  auto name = decodeMutf7(*wire);
  if (!name) {
    reply.no("Folder name is not valid modified UTF-7");
    return std::nullopt;
  }
  return canonicalFolderName(*name);
}

Folder* CommandContext::visibleFolder(std::size_t i) {
  const auto name = folderName(i);
  if (!name) return nullptr;
  Folder* folder = findFolder(state, *session.user, *name);
  // A folder the user may not look up is answered as one that does not exist, so that its
  // existence is not given away.
  if (!folder || !hasRight(rightsOf(*folder, *session.user), 'l')) {
    reply.no("Mailbox does not exist");
    return nullptr;
  }
  return folder;
}

bool CommandContext::expectArgs(std::size_t n, const char* usage) {
  if (args.size() == n) return true;
  reply.bad(std::string("Usage: ") + usage);
  return false;
}

}  // namespace velor::mailserver
