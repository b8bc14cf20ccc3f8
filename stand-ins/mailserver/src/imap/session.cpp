#include "imap/session.h"

#include <cctype>
#include <mutex>

#include "imap/command_reader.h"
#include "imap/tokenizer.h"

namespace velor::mailserver {
namespace {

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The tag of a line that could not be read as a command, when it has a usable one.
std::string tagOf(const std::string& head) {
  const std::string tag = head.substr(0, head.find(' '));
  return isValidTag(tag) ? tag : std::string();
}

unsigned currentState(const SessionState& s) {
  if (!s.user) return kNotAuthenticated;
  return s.selected ? kSelected : kAuthenticated;
}

}  // namespace

void ImapSession::run() {
  if (!greet()) return;
  CommandReader reader(connection_);
  for (;;) {
    ReadResult input = reader.next();
    switch (input.status) {
      case ReadResult::Status::End:
        return;
      case ReadResult::Status::Fatal: {
        const std::string bye = "* BYE Literal too large\r\n";
        deliver("", bye, bye.size());
        return;
      }
      case ReadResult::Status::LineTooLong:
      case ReadResult::Status::LiteralRefused: {
        Reply reply;
        reply.bad(input.status == ReadResult::Status::LineTooLong ? "Command line too long" : "Literal too large");
        if (!answer("", tagOf(input.head), reply)) return;
        continue;
      }
      case ReadResult::Status::Command:
        if (!execute(input.segments)) return;
        if (session_.loggingOut) return;
        continue;
    }
  }
}

bool ImapSession::greet() {
  const std::string& kind = settings_.greeting;
  std::string line;
  if (kind == "OK") line = "* OK [CAPABILITY " + settings_.capabilityList() + "] Velor MailServer ready";
  else if (kind == "NO") line = "* NO Velor MailServer is not accepting connections";
  else if (kind == "BAD") line = "* BAD Velor MailServer cannot serve this connection";
  else line = "* BYE Velor MailServer is shutting down";
  line += "\r\n";
  // Any greeting but OK is the last thing the server says on that connection.
  return deliver("GREETING", line, line.size()) && kind == "OK";
}

bool ImapSession::deliver(const std::string& replyTo, const std::string& bytes, std::size_t taggedStart) {
  const DeliveryPlan plan = planDelivery(settings_.faults, replyTo, connection_.id(), bytes, taggedStart);
  if (plan.delayMs > 0 && !connection_.pause(plan.delayMs)) return false;
  for (std::size_t i = 0; i < plan.chunks.size(); ++i) {
    if (i > 0 && !connection_.pause(plan.pauseMs)) return false;
    if (!connection_.send(plan.chunks[i])) return false;
  }
  if (plan.dropAfterSending) {
    connection_.drop();
    return false;
  }
  return true;
}

bool ImapSession::answer(const std::string& replyTo, const std::string& tag, const Reply& reply) {
  const std::string tagged = (tag.empty() ? std::string("*") : tag) + " " + reply.status() + " " + reply.text() + "\r\n";
  return deliver(replyTo, reply.body() + tagged, reply.body().size());
}

bool ImapSession::execute(const std::vector<Segment>& segments) {
  const Tokens tokens = tokenize(segments);
  const auto& t = tokens.tokens;
  const bool tagged = !t.empty() && t[0].kind == Token::Kind::Atom && isValidTag(t[0].value);
  const std::string tag = tagged ? t[0].value : std::string();
  const std::string name = t.size() > 1 && t[1].kind == Token::Kind::Atom ? upper(t[1].value) : std::string();
  Reply reply;
  if (!tagged) {
    reply.bad(t.empty() && tokens.error.empty() ? "Empty command line" : "Missing or invalid tag");
    return answer(name, "", reply);
  }
  if (!tokens.error.empty()) {
    reply.bad(tokens.error);
    return answer(name, tag, reply);
  }
  if (const FaultRule* rule = name.empty() ? nullptr : replacingFault(settings_.faults, name, connection_.id())) {
    // The command is not run: the client sees the given bytes or status and nothing changes.
    bool bye = false;
    const std::string bytes = replacementReply(*rule, tag, bye);
    const std::size_t lastLine = bytes.size() > 2 ? bytes.rfind('\n', bytes.size() - 2) : std::string::npos;
    if (!deliver(name, bytes, lastLine == std::string::npos ? 0 : lastLine + 1)) return false;
    return !bye;
  }
  const CommandEntry* entry = name.empty() ? nullptr : findCommand(name);
  if (!entry) {
    reply.bad(name.empty() ? "Missing command" : "Unknown command " + name);
    return answer(name, tag, reply);
  }
  if (!(entry->states & currentState(session_))) {
    reply.bad(session_.user ? (entry->states == kNotAuthenticated ? "Already logged in" : "No folder selected")
                            : "Log in first");
    return answer(name, tag, reply);
  }
  const std::vector<Token> args(t.begin() + 2, t.end());
  {
    std::lock_guard<std::mutex> lock(state_.mutex);
    CommandContext context{state_, settings_, session_, args, reply};
    entry->run(context);
  }
  return answer(name, tag, reply);
}

}  // namespace velor::mailserver
