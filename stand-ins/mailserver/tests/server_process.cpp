#include "server_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace velor::mailserver::test {
namespace {

pid_t spawn(const std::vector<std::string>& args, int& stdoutRead) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
  std::vector<std::string> all{VELOR_MAILSERVER_PATH};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipeFds[1], STDOUT_FILENO);
    ::execv(argv[0], argv.data());
    _exit(127);
  }
  ::close(pipeFds[1]);
  stdoutRead = pipeFds[0];
  return pid;
}

int waitExit(pid_t pid, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 10) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return -1;
}

}  // namespace

TempDir::TempDir() {
  char pattern[] = "/tmp/velor-mailserver-test-XXXXXX";
  dir_ = ::mkdtemp(pattern);
}

TempDir::~TempDir() { std::filesystem::remove_all(dir_); }

std::string TempDir::write(const std::string& name, const std::string& content) const {
  std::ofstream(path(name), std::ios::binary) << content;
  return path(name);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

ServerProcess::ServerProcess(const std::vector<std::string>& args) {
  const auto begin = std::chrono::steady_clock::now();
  pid_ = spawn(args, stdoutFd_);
  if (pid_ < 0) return;
  std::string line;
  while (line.find('\n') == std::string::npos) {
    pollfd p{stdoutFd_, POLLIN, 0};
    if (::poll(&p, 1, 20000) <= 0) break;
    char c[256];
    const auto got = ::read(stdoutFd_, c, sizeof c);
    if (got <= 0) break;
    line.append(c, static_cast<std::size_t>(got));
  }
  startup_ = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begin);
  portsLine_ = line;
  std::sscanf(line.c_str(), "PORTS imap=%d imaps=%d", &imapPort_, &imapsPort_);
  if (const auto at = line.find(" ldap="); at != std::string::npos) ldapPort_ = std::atoi(line.c_str() + at + 6);
}

ServerProcess::~ServerProcess() { stop(); }

int ServerProcess::stop() {
  if (pid_ < 0) return -1;
  ::kill(pid_, SIGTERM);
  const int code = waitExit(pid_, 30000);
  pid_ = -1;
  ::close(stdoutFd_);
  return code;
}

RunResult runServerToEnd(const std::vector<std::string>& args) {
  int out = -1;
  const pid_t pid = spawn(args, out);
  std::string text;
  char buffer[4096];
  for (ssize_t got; (got = ::read(out, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(got));
  ::close(out);
  return {waitExit(pid, 20000), text};
}

}  // namespace velor::mailserver::test
