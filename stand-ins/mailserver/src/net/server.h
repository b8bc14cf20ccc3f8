// Listeners on 127.0.0.1 and one thread per accepted connection. Each listener names its
// protocol and the session that serves it, so the directory side can join the same program
// (and the same state) with a listener of its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <openssl/ssl.h>

#include "net/connection.h"
#include "net/stop_signal.h"
#include "wire_log.h"

namespace velor::mailserver {

struct NetError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

using SessionHandler = std::function<void(Connection&)>;

class Server {
 public:
  explicit Server(WireLog* log) : log_(log) {}
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Binds 127.0.0.1:port (0: any free port) and returns the port bound. tls may be null.
  // Throws NetError.
  std::uint16_t listen(const std::string& protocol, std::uint16_t port, SSL_CTX* tls, SessionHandler session);

  // Accepts until wakeFd becomes readable, then ends every connection and waits for them.
  void run(int wakeFd);

 private:
  struct Listener {
    int fd;
    std::string protocol;
    SSL_CTX* tls;
    SessionHandler session;
  };
  struct Live {
    std::shared_ptr<Connection> connection;
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
  };

  void accept(const Listener& listener);
  void reapFinished();
  void stopAll();

  WireLog* log_;
  StopSignal stop_;
  std::vector<Listener> listeners_;
  std::vector<Live> live_;
  int nextId_ = 1;
};

}  // namespace velor::mailserver
