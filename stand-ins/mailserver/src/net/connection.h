// One accepted client: its socket, TLS when the listener asked for it, and the wire log. A
// protocol session reads and writes through this and knows nothing of sockets or TLS.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

#include <openssl/ssl.h>

#include "net/stop_signal.h"
#include "wire_log.h"

namespace velor::mailserver {

class Connection {
 public:
  Connection(int id, std::string protocol, int fd, SSL_CTX* tls, WireLog* log, StopSignal& stop);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  int id() const { return id_; }
  const std::string& protocol() const { return protocol_; }

  // Runs the TLS handshake when there is one; false when it failed.
  bool start();
  // Bytes read, or 0 at the end of the stream or on an error.
  std::size_t receive(char* buffer, std::size_t size);
  bool send(std::string_view bytes);
  // A pause that the server's stop cuts short; false when it was cut short.
  bool pause(int milliseconds) { return !stop_.sleepFor(milliseconds); }
  bool stopping() const { return stop_.raised(); }

  // Orderly end: TLS close notify, then the socket.
  void close();
  // Abrupt end, as a server that dies mid-reply: no TLS close notify, no further bytes.
  void drop();
  // From another thread: wakes a blocked read or write so the session can end.
  void interrupt();

 private:
  void release(bool orderly);

  const int id_;
  const std::string protocol_;
  int fd_;
  SSL* ssl_ = nullptr;
  WireLog* log_;
  StopSignal& stop_;
  std::mutex fdMutex_;  // guards fd_ between the session's close and the server's interrupt
  bool closed_ = false;
};

}  // namespace velor::mailserver
