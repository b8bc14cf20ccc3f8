// X-GETSCRIPT and X-PUTSCRIPT: the user's one active Sieve script, in UTF-8. The script goes
// out as a literal announced on one first line, so its bytes arrive exactly as stored; it comes
// in as a literal too (non-synchronising in practice, so command and script travel together).
// The script's name is kept with it but not sent: there is only ever the one active script.
#include "imap/commands.h"
#include "state/mutf7.h"

namespace velor::mailserver {

void cmdGetScript(CommandContext& c) {
  if (!c.expectArgs(0, "X-GETSCRIPT")) return;
  const auto& script = c.session.user->script;
  if (!script) return c.reply.no("There is no active script");
  c.reply.raw("* X-GETSCRIPT {" + std::to_string(script->text.size()) + "}\r\n");
  c.reply.raw(script->text);
  c.reply.raw("\r\n");
  c.reply.ok("X-GETSCRIPT completed");
}

void cmdPutScript(CommandContext& c) {
  if (c.args.empty() || c.args[0].kind != Token::Kind::String)
    return c.reply.bad("Usage: X-PUTSCRIPT {length+} followed by the script");
  // Anything after the literal means its announced length and the data sent disagree.
  if (c.args.size() != 1) return c.reply.bad("Unexpected data after the script: the literal length does not match");
  const std::string& text = c.args[0].value;
  if (!isValidUtf8(text)) return c.reply.no("The script is not valid UTF-8");
  auto& script = c.session.user->script;
  const std::string name = script ? script->name : "main";
  script = Script{name, text};
  c.reply.ok("X-PUTSCRIPT completed");
}

}  // namespace velor::mailserver
