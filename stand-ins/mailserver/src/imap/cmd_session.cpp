// CAPABILITY, NOOP, LOGIN, LOGOUT.
#include "imap/commands.h"

namespace velor::mailserver {

void cmdCapability(CommandContext& c) {
  if (!c.expectArgs(0, "CAPABILITY")) return;
  c.reply.untagged("CAPABILITY " + c.settings.capabilityList());
  c.reply.ok("CAPABILITY completed");
}

void cmdNoop(CommandContext& c) {
  if (!c.expectArgs(0, "NOOP")) return;
  c.reply.ok("NOOP completed");
}

void cmdLogin(CommandContext& c) {
  const std::string* name = c.astring(0);
  const std::string* password = c.astring(1);
  if (c.args.size() != 2 || !name || !password) {
    c.reply.bad("Usage: LOGIN user-name password");
    return;
  }
  User* user = c.state.findUser(*name);
  if (!user || user->password != *password) {
    c.reply.no("[AUTHENTICATIONFAILED] Invalid user name or password");
    return;
  }
  c.session.user = user;
  c.reply.ok("LOGIN completed");
}

void cmdLogout(CommandContext& c) {
  if (!c.expectArgs(0, "LOGOUT")) return;
  c.reply.untagged("BYE Velor MailServer logging out");
  c.reply.ok("LOGOUT completed");
  c.session.loggingOut = true;
}

}  // namespace velor::mailserver
