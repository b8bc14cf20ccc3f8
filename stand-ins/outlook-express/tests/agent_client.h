// The test side of the host's agent: starts msimn.exe with the agent switched on, connects, and
// sends requests. Used by the stand-in's own tests and by the integration module's.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

namespace oestand {

struct AgentReply {
  bool ok = false;
  std::string error;               // after "ERR "
  std::vector<std::string> lines;  // data lines
};

class AgentClient {
public:
  AgentClient() = default;
  ~AgentClient();
  AgentClient(const AgentClient&) = delete;
  AgentClient& operator=(const AgentClient&) = delete;

  // Starts the program (msimn.exe of some folder) with the agent on, waits up to timeoutMs for the
  // agent's port, and connects. extraEnvironment holds "NAME=value" entries added to ours. With a
  // desktop ("name,WIDTHxHEIGHT") the program runs in a Wine virtual desktop of its own, where
  // windows get their frames (for screenshots) and no other test's windows are in the way.
  bool Launch(const std::string& program, const std::vector<std::string>& extraEnvironment = {},
              const std::string& desktop = "", int timeoutMs = 60000);
  // Connects to a host that someone else started with the agent on (OESTAND_AGENT=agentFile in
  // its environment, as a launch through the shell passes it on), waiting up to timeoutMs for the
  // port. The host's process is found through its main window and ended by Quit like our own.
  bool Attach(const std::string& agentFile, int timeoutMs = 60000);
  // Ends the host: closes its main window and waits, then terminates it if it hangs.
  void Quit(int timeoutMs = 15000);

  AgentReply Ask(const std::string& request);
  // Repeats the request until its reply is OK and its lines satisfy the predicate, up to timeoutMs.
  template <typename Pred>
  AgentReply AskUntil(const std::string& request, Pred pred, int timeoutMs = 15000) {
    AgentReply r;
    for (DWORD end = GetTickCount() + timeoutMs;;) {
      r = Ask(request);
      if ((r.ok && pred(r)) || static_cast<LONG>(end - GetTickCount()) <= 0) return r;
      Sleep(100);
    }
  }

  HANDLE process() const { return process_; }
  DWORD processId() const { return processId_; }

private:
  bool Connect(unsigned port);

  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
  SOCKET socket_ = INVALID_SOCKET;
  std::string buffer_;
  std::string agentFile_;
};

// Words of a reply line, quoted texts unquoted.
std::vector<std::string> Words(const std::string& line);

}  // namespace oestand
