// What the host tests share: the stand-in's folders, seeding through oetool, and finding things
// in the agent's answers.
#pragma once

#include <string>
#include <vector>

#include "tests/agent_client.h"

namespace oestand::testing {

// Folder of the test programs (the build's bin), with a trailing backslash.
std::string BinFolder();
std::string HostProgram(const std::string& folder = "outlook-express");

// Runs oetool with the description text (written to a scratch file); true when it exits with 0.
bool Seed(const std::string& command, const std::string& description, std::string* output = nullptr);

// The line of the reply whose words satisfy pred; empty when none.
template <typename Pred>
std::string FindLine(const AgentReply& reply, Pred pred) {
  for (const std::string& line : reply.lines)
    if (pred(Words(line))) return line;
  return {};
}

// The handle of the first top-level window of the host with this title (hex, as the agent
// writes it), waited for up to timeoutMs; empty when none came.
std::string WaitForWindow(AgentClient& agent, const std::string& title, int timeoutMs = 20000);
// The handle of the control with this identifier inside the window; empty when none.
std::string Control(AgentClient& agent, const std::string& window, int id);

}  // namespace oestand::testing
