#include "tests/host_fixture.h"

#include <windows.h>

#include <cstdio>

#include "tool/oetool.h"

namespace oestand::testing {

std::string BinFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string p = path;
  return p.substr(0, p.find_last_of('\\') + 1);
}

std::string HostProgram(const std::string& folder) {
  return BinFolder() + folder + "\\msimn.exe";
}

bool Seed(const std::string& command, const std::string& description, std::string* output) {
  char temp[MAX_PATH], file[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  GetTempFileNameA(temp, "oed", 0, file);
  FILE* f = std::fopen(file, "wb");
  if (!f) return false;
  std::fwrite(description.data(), 1, description.size(), f);
  std::fclose(f);
  std::string out, err;
  int code = oetool::Run({command, file}, &out, &err);
  DeleteFileA(file);
  if (output) *output = out + err;
  if (code != 0) std::fprintf(stderr, "oetool %s: %s", command.c_str(), err.c_str());
  return code == 0;
}

std::string WaitForWindow(AgentClient& agent, const std::string& title, int timeoutMs) {
  AgentReply r = agent.AskUntil("windows", [&](const AgentReply& reply) {
    return !FindLine(reply, [&](const std::vector<std::string>& w) {
      return w.size() > 3 && w[2] == title && w[3] == "visible";
    }).empty();
  }, timeoutMs);
  std::string line = FindLine(r, [&](const std::vector<std::string>& w) { return w.size() > 3 && w[2] == title && w[3] == "visible"; });
  return line.empty() ? std::string() : Words(line)[0];
}

std::string Control(AgentClient& agent, const std::string& window, int id) {
  AgentReply r = agent.Ask("children " + window);
  std::string line = FindLine(r, [&](const std::vector<std::string>& w) {
    return w.size() > 2 && w[2] == std::to_string(id);
  });
  return line.empty() ? std::string() : Words(line)[0];
}

}  // namespace oestand::testing
