#include "net/connection.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace velor::mailserver {

Connection::Connection(int id, std::string protocol, int fd, SSL_CTX* tls, WireLog* log, StopSignal& stop)
    : id_(id), protocol_(std::move(protocol)), fd_(fd), log_(log), stop_(stop) {
  if (tls) {
    ssl_ = SSL_new(tls);
    if (ssl_) SSL_set_fd(ssl_, fd_);
  }
}

Connection::~Connection() { release(false); }

bool Connection::start() {
  if (!ssl_) return true;
  if (SSL_accept(ssl_) == 1) return true;
  if (log_) log_->record(id_, "tls-failed", "");
  return false;
}

std::size_t Connection::receive(char* buffer, std::size_t size) {
  if (closed_) return 0;
  long got = 0;
  if (ssl_) {
    got = SSL_read(ssl_, buffer, static_cast<int>(size));
  } else {
    do got = ::recv(fd_, buffer, size, 0);
    while (got < 0 && errno == EINTR);
  }
  if (got <= 0) return 0;
  if (log_) log_->bytes(id_, "recv", std::string_view(buffer, static_cast<std::size_t>(got)));
  return static_cast<std::size_t>(got);
}

bool Connection::send(std::string_view bytes) {
  if (closed_) return false;
  if (log_ && !bytes.empty()) log_->bytes(id_, "send", bytes);
  std::size_t done = 0;
  while (done < bytes.size()) {
    long put = 0;
    if (ssl_) {
      put = SSL_write(ssl_, bytes.data() + done, static_cast<int>(bytes.size() - done));
    } else {
      put = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (put < 0 && errno == EINTR) continue;
    }
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

void Connection::close() { release(true); }
void Connection::drop() { release(false); }

void Connection::interrupt() {
  std::lock_guard<std::mutex> lock(fdMutex_);
  if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

void Connection::release(bool orderly) {
  std::lock_guard<std::mutex> lock(fdMutex_);
  if (fd_ < 0) return;
  if (ssl_) {
    if (orderly) SSL_shutdown(ssl_);
    SSL_free(ssl_);
    ssl_ = nullptr;
  }
  // A drop still ends with a plain FIN: a reset could discard the part of the reply that a
  // test wants the client to have received before the connection vanished.
  ::close(fd_);
  fd_ = -1;
  closed_ = true;
  if (log_) log_->record(id_, orderly ? "close" : "drop", "");
}

}  // namespace velor::mailserver
