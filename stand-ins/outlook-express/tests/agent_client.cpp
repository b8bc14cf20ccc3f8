#include "tests/agent_client.h"

#include <cstdio>
#include <cstdlib>

#include "core/agent_text.h"

namespace oestand {

AgentClient::~AgentClient() {
  Quit();
}

bool AgentClient::Launch(const std::string& program, const std::vector<std::string>& extraEnvironment,
                         const std::string& desktop, int timeoutMs) {
  char temp[MAX_PATH], file[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  GetTempFileNameA(temp, "oea", 0, file);
  DeleteFileA(file);
  agentFile_ = file;
  // The environment block: ours, with the agent switch and the extra entries.
  std::string block;
  char* env = GetEnvironmentStringsA();
  for (const char* p = env; *p; p += strlen(p) + 1) block.append(p, strlen(p) + 1);
  FreeEnvironmentStringsA(env);
  block += "OESTAND_AGENT=" + agentFile_ + '\0';
  for (const std::string& e : extraEnvironment) block += e + '\0';
  block += '\0';
  std::string application = program, commandLine = "\"" + program + "\"";
  if (!desktop.empty()) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    application = std::string(windows) + "\\explorer.exe";
    commandLine = "explorer.exe /desktop=" + desktop + " \"" + program + "\"";
  }
  STARTUPINFOA si = {sizeof si};
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, block.data(), nullptr, &si,
                      &pi))
    return false;
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  processId_ = pi.dwProcessId;
  for (DWORD end = GetTickCount() + timeoutMs; static_cast<LONG>(end - GetTickCount()) > 0;) {
    FILE* f = std::fopen(agentFile_.c_str(), "r");
    unsigned port = 0;
    if (f) {
      if (std::fscanf(f, "%u", &port) != 1) port = 0;
      std::fclose(f);
    }
    if (port) return Connect(port);
    if (WaitForSingleObject(process_, 100) == WAIT_OBJECT_0) return false;
  }
  return false;
}

bool AgentClient::Attach(const std::string& agentFile, int timeoutMs) {
  agentFile_ = agentFile;
  for (DWORD end = GetTickCount() + timeoutMs; static_cast<LONG>(end - GetTickCount()) > 0; Sleep(100)) {
    FILE* f = std::fopen(agentFile_.c_str(), "r");
    unsigned port = 0;
    if (f) {
      if (std::fscanf(f, "%u", &port) != 1) port = 0;
      std::fclose(f);
    }
    if (!port) continue;
    if (!Connect(port)) return false;
    AgentReply main = Ask("main");
    if (main.ok && !main.lines.empty()) {
      HWND window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(main.lines[0].c_str(), nullptr, 16)));
      DWORD id = 0;
      GetWindowThreadProcessId(window, &id);
      if (id) {
        processId_ = id;
        process_ = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
      }
    }
    return true;
  }
  return false;
}

bool AgentClient::Connect(unsigned port) {
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<u_short>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  DWORD ms = 30000;
  setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
  return connect(socket_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
}

AgentReply AgentClient::Ask(const std::string& request) {
  AgentReply reply;
  std::string line = request + "\n";
  if (socket_ == INVALID_SOCKET || send(socket_, line.data(), static_cast<int>(line.size()), 0) <= 0) {
    reply.error = "not connected";
    return reply;
  }
  bool first = true;
  for (;;) {
    size_t end;
    while ((end = buffer_.find('\n')) == std::string::npos) {
      char chunk[4096];
      int n = recv(socket_, chunk, sizeof chunk, 0);
      if (n <= 0) {
        reply.ok = false;
        reply.error = "connection lost";
        return reply;
      }
      buffer_.append(chunk, n);
    }
    std::string l = buffer_.substr(0, end);
    buffer_.erase(0, end + 1);
    if (first) {
      reply.ok = l == "OK";
      if (!reply.ok) reply.error = l.size() > 4 ? l.substr(4) : l;
      first = false;
    } else if (l == ".") {
      return reply;
    } else {
      reply.lines.push_back(l);
    }
  }
}

void AgentClient::Quit(int timeoutMs) {
  if (socket_ != INVALID_SOCKET) {
    AgentReply main = Ask("main");
    if (main.ok && !main.lines.empty()) Ask("close " + main.lines[0]);
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }
  if (process_) {
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
    CloseHandle(process_);
    process_ = nullptr;
  }
  if (!agentFile_.empty()) {
    DeleteFileA(agentFile_.c_str());
    agentFile_.clear();
  }
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  SplitRequest(line, &words);
  return words;
}

}  // namespace oestand
