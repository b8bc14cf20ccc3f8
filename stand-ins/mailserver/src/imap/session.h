// One IMAP connection from greeting to LOGOUT: reads commands, runs them against the shared
// state under its lock, and sends each reply through the run's fault rules.
#pragma once

#include <string>

#include "imap/commands.h"
#include "net/connection.h"
#include "settings.h"
#include "state/model.h"

namespace velor::mailserver {

class ImapSession {
 public:
  ImapSession(Connection& connection, MailState& state, const ImapSettings& settings)
      : connection_(connection), state_(state), settings_(settings) {}

  void run();

 private:
  bool greet();
  // Sends a reply whose tagged line starts at taggedStart; false once the connection is gone.
  bool deliver(const std::string& replyTo, const std::string& bytes, std::size_t taggedStart);
  bool answer(const std::string& replyTo, const std::string& tag, const Reply& reply);
  bool execute(const std::vector<Segment>& segments);

  Connection& connection_;
  MailState& state_;
  const ImapSettings& settings_;
  SessionState session_;
};

}  // namespace velor::mailserver
