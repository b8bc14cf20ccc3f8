// One LDAP connection from the first message to unbind. Requests are read and answered in
// order, except those a delay fault holds back: each of those waits on a thread of its own
// while the session reads on, so that the client's abandon can reach it and cancel it before
// it runs, as it would cancel a slow operation on the real server.
#pragma once

#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ldap/directory.h"
#include "ldap/operations.h"
#include "ldap/request.h"
#include "ldap/settings.h"
#include "net/connection.h"
#include "state/model.h"

namespace velor::mailserver::ldap {

class LdapSession {
 public:
  LdapSession(Connection& connection, MailState& state, Directory& directory, const LdapSettings& settings)
      : connection_(connection), state_(state), directory_(directory), settings_(settings) {}
  ~LdapSession();
  LdapSession(const LdapSession&) = delete;
  LdapSession& operator=(const LdapSession&) = delete;

  void run();

 private:
  // False when the session ends with this request (unbind, or a connection gone).
  bool dispatch(const Request& request, Clock::time_point received);
  bool bind(const Request& request);
  void perform(const Request& request, const std::string& user, int delayMs, Clock::time_point received);
  std::string execute(const Request& request, const std::string& user, Clock::time_point received);
  // Waits out a delay; false when the request was abandoned or the session is ending.
  bool waitOut(int messageId, Clock::time_point until);
  // Sends a reply through the fault rules; false once the connection is gone.
  bool deliver(const std::string& replyTo, const std::string& bytes);
  void endWorkers();

  Connection& connection_;
  MailState& state_;
  Directory& directory_;
  const LdapSettings& settings_;
  std::string user_;  // the bound user; empty before a successful bind. Reader thread only.

  std::mutex mutex_;  // guards abandoned_, ending_, dropRequested_
  std::condition_variable wake_;
  std::set<int> abandoned_;
  bool ending_ = false;
  bool dropRequested_ = false;
  std::mutex sendMutex_;  // one reply at a time on the wire
  std::vector<std::thread> workers_;
};

}  // namespace velor::mailserver::ldap
