// Runs velor-mailserver as a child process for a test: starts it on port 0, reads the PORTS
// line, and stops it with SIGTERM, reporting how it exited.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace velor::mailserver::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  std::string write(const std::string& name, const std::string& content) const;

 private:
  std::string dir_;
};

std::string readFile(const std::string& path);

class ServerProcess {
 public:
  explicit ServerProcess(const std::vector<std::string>& args);
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  bool started() const { return imapPort_ > 0; }
  int imapPort() const { return imapPort_; }
  int imapsPort() const { return imapsPort_; }
  int ldapPort() const { return ldapPort_; }
  const std::string& portsLine() const { return portsLine_; }
  std::chrono::milliseconds startupTime() const { return startup_; }

  // SIGTERM and wait; the exit code, or -1 when it died of a signal or would not stop.
  int stop();

 private:
  pid_t pid_ = -1;
  int stdoutFd_ = -1;
  int imapPort_ = 0;
  int imapsPort_ = 0;
  int ldapPort_ = 0;
  std::string portsLine_;
  std::chrono::milliseconds startup_{0};
};

// Runs the server with these arguments to completion (for --help and usage errors).
struct RunResult {
  int exitCode;
  std::string out;
};
RunResult runServerToEnd(const std::vector<std::string>& args);

}  // namespace velor::mailserver::test
