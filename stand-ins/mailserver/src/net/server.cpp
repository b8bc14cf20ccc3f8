#include "net/server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velor::mailserver {

Server::~Server() {
  stopAll();
  for (auto& l : listeners_) ::close(l.fd);
}

std::uint16_t Server::listen(const std::string& protocol, std::uint16_t port, SSL_CTX* tls, SessionHandler session) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw NetError(std::string("socket: ") + std::strerror(errno));
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 64) != 0) {
    const std::string why = std::strerror(errno);
    ::close(fd);
    throw NetError(protocol + " port " + std::to_string(port) + ": " + why);
  }
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  listeners_.push_back({fd, protocol, tls, std::move(session)});
  return ntohs(address.sin_port);
}

void Server::run(int wakeFd) {
  std::vector<pollfd> fds;
  for (const auto& l : listeners_) fds.push_back({l.fd, POLLIN, 0});
  fds.push_back({wakeFd, POLLIN, 0});
  for (;;) {
    for (auto& p : fds) p.revents = 0;
    const int ready = ::poll(fds.data(), fds.size(), 1000);
    if (ready < 0 && errno != EINTR) break;
    if (fds.back().revents) break;
    for (std::size_t i = 0; i + 1 < fds.size(); ++i)
      if (fds[i].revents & POLLIN) accept(listeners_[i]);
    reapFinished();
  }
  stopAll();
}

void Server::accept(const Listener& listener) {
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  const int fd = ::accept4(listener.fd, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
  if (fd < 0) return;
  // Chunks of a split reply must leave as separate segments, not be merged by Nagle.
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  const int id = nextId_++;
  if (log_) {
    char host[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &peer.sin_addr, host, sizeof host);
    log_->record(id, "open", listener.protocol + " " + host + ":" + std::to_string(ntohs(peer.sin_port)));
  }
  auto connection = std::make_shared<Connection>(id, listener.protocol, fd, listener.tls, log_, stop_);
  auto finished = std::make_shared<std::atomic<bool>>(false);
  SessionHandler session = listener.session;
  std::thread thread([connection, finished, session] {
    if (connection->start()) session(*connection);
    connection->close();
    finished->store(true);
  });
  live_.push_back({connection, std::move(thread), finished});
}

void Server::reapFinished() {
  for (auto it = live_.begin(); it != live_.end();) {
    if (it->finished->load()) {
      it->thread.join();
      it = live_.erase(it);
    } else {
      ++it;
    }
  }
}

void Server::stopAll() {
  stop_.raise();
  for (auto& l : live_) l.connection->interrupt();
  for (auto& l : live_) l.thread.join();
  live_.clear();
}

}  // namespace velor::mailserver
