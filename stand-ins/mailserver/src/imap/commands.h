// The IMAP commands this server answers, one handler each, grouped by file: session
// (CAPABILITY, NOOP, LOGIN, LOGOUT), mailbox (SELECT, EXAMINE, STORE, EXPUNGE, CLOSE), folder
// list (LIST, LSUB), access control (GETACL, SETACL, DELETEACL, MYRIGHTS), mappings
// (X-LISTMAP, X-SETMAP, X-DELETEMAP) and script (X-GETSCRIPT, X-PUTSCRIPT).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "imap/reply.h"
#include "imap/tokenizer.h"
#include "settings.h"
#include "state/model.h"

namespace velor::mailserver {

struct SessionState {
  User* user = nullptr;
  Folder* selected = nullptr;
  bool readOnly = false;
  bool loggingOut = false;
};

// What a handler sees. The state's lock is held while it runs.
struct CommandContext {
  MailState& state;
  const ImapSettings& settings;
  SessionState& session;
  const std::vector<Token>& args;
  Reply& reply;

  // The i-th argument as an IMAP astring (atom or string), or nothing.
  const std::string* astring(std::size_t i) const;
  // The i-th argument as a folder name decoded from modified UTF-7; on failure the reply is
  // already set (BAD for a missing argument, NO for a name that is not modified UTF-7).
  std::optional<std::string> folderName(std::size_t i);
  // The folder the user may see under the i-th argument's name; the reply is set when none.
  Folder* visibleFolder(std::size_t i);
  // BAD with a usage text unless there are exactly n arguments.
  bool expectArgs(std::size_t n, const char* usage);
};

enum SessionStates : unsigned {
  kNotAuthenticated = 1,
  kAuthenticated = 2,
  kSelected = 4,
  kAnyState = 7,
  kLoggedIn = kAuthenticated | kSelected,
};

struct CommandEntry {
  const char* name;
  unsigned states;
  void (*run)(CommandContext&);
};

// name in upper case
const CommandEntry* findCommand(std::string_view name);

void cmdCapability(CommandContext&);
void cmdNoop(CommandContext&);
void cmdLogin(CommandContext&);
void cmdLogout(CommandContext&);
void cmdSelect(CommandContext&);
void cmdExamine(CommandContext&);
void cmdStore(CommandContext&);
void cmdExpunge(CommandContext&);
void cmdClose(CommandContext&);
void cmdList(CommandContext&);
void cmdLsub(CommandContext&);
void cmdGetAcl(CommandContext&);
void cmdSetAcl(CommandContext&);
void cmdDeleteAcl(CommandContext&);
void cmdMyRights(CommandContext&);
void cmdListMap(CommandContext&);
void cmdSetMap(CommandContext&);
void cmdDeleteMap(CommandContext&);
void cmdGetScript(CommandContext&);
void cmdPutScript(CommandContext&);

}  // namespace velor::mailserver
