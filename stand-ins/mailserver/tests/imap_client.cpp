#include "imap_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace velor::mailserver::test {

std::unique_ptr<ImapClient> ImapClient::connect(int port, bool tls) {
  std::unique_ptr<ImapClient> client(new ImapClient);
  client->fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(client->fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return nullptr;
  if (tls) {
    client->ctx_ = SSL_CTX_new(TLS_client_method());
    client->ssl_ = SSL_new(client->ctx_);
    SSL_set_fd(client->ssl_, client->fd_);
    if (SSL_connect(client->ssl_) != 1) return nullptr;
  }
  return client;
}

ImapClient::~ImapClient() {
  if (ssl_) SSL_free(ssl_);
  if (ctx_) SSL_CTX_free(ctx_);
  if (fd_ >= 0) ::close(fd_);
}

bool ImapClient::send(std::string_view bytes) {
  if (ssl_) return SSL_write(ssl_, bytes.data(), static_cast<int>(bytes.size())) == static_cast<int>(bytes.size());
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto put = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

bool ImapClient::fill(int timeoutMs) {
  if (eof_) return false;
  if (!ssl_ || SSL_pending(ssl_) == 0) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return false;
  }
  char chunk[65536];
  const long got = ssl_ ? SSL_read(ssl_, chunk, sizeof chunk) : ::recv(fd_, chunk, sizeof chunk, 0);
  if (got <= 0) {
    eof_ = true;
    return false;
  }
  buffer_.append(chunk, static_cast<std::size_t>(got));
  reads_.emplace_back(chunk, static_cast<std::size_t>(got));
  return true;
}

std::string ImapClient::readLine(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto lf = buffer_.find('\n');
    if (lf != std::string::npos) {
      std::string line = buffer_.substr(0, lf + 1);
      buffer_.erase(0, lf + 1);
      return line;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !fill(static_cast<int>(left.count()))) return {};
  }
}

std::string ImapClient::readUntilTagged(const std::string& tag, int timeoutMs) {
  std::string reply;
  for (;;) {
    const std::string line = readLine(timeoutMs);
    reply += line;
    if (line.empty() || line.rfind(tag + " ", 0) == 0) return reply;
  }
}

std::string ImapClient::command(const std::string& tag, const std::string& text) {
  if (!send(tag + " " + text + "\r\n")) return {};
  return readUntilTagged(tag);
}

std::vector<std::string> ImapClient::readChunks(const std::string& tag, int timeoutMs) {
  reads_.clear();
  if (!buffer_.empty()) reads_.push_back(buffer_);
  readUntilTagged(tag, timeoutMs);
  return reads_;
}

std::string ImapClient::readToEnd(int timeoutMs) {
  while (fill(timeoutMs)) {
  }
  std::string rest;
  rest.swap(buffer_);
  return rest;
}

bool ImapClient::login(const std::string& user, const std::string& password) {
  if (readLine().rfind("* OK", 0) != 0) return false;
  return command("L1", "LOGIN " + user + " " + password).rfind("L1 OK", 0) == 0;
}

}  // namespace velor::mailserver::test
