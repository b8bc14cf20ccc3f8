// A small blocking IMAP client for the tests: raw bytes in and out, plain or TLS, every read
// bounded by a time-out so that a server fault fails a test instead of hanging it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <openssl/ssl.h>

namespace velor::mailserver::test {

class ImapClient {
 public:
  // Connects to 127.0.0.1:port; nullptr when that fails.
  static std::unique_ptr<ImapClient> connect(int port, bool tls = false);
  ~ImapClient();

  bool send(std::string_view bytes);
  // One line with its line end; empty at the end of the stream or after the time-out.
  std::string readLine(int timeoutMs = 10000);
  // Everything up to and including the line that starts with "tag ".
  std::string readUntilTagged(const std::string& tag, int timeoutMs = 10000);
  // Sends "tag text\r\n" and returns the reply up to the tagged line.
  std::string command(const std::string& tag, const std::string& text);
  // The reply as the reads delivered it, one string per read, until the tagged line.
  std::vector<std::string> readChunks(const std::string& tag, int timeoutMs = 10000);
  // Reads until the server closes; what arrived on the way.
  std::string readToEnd(int timeoutMs = 10000);
  bool atEnd() const { return eof_; }

  // Logs in as alice and checks that it worked.
  bool login(const std::string& user = "alice", const std::string& password = "secret");

 private:
  ImapClient() = default;
  // Reads once into the buffer; false at the end of the stream or after the time-out.
  bool fill(int timeoutMs);

  int fd_ = -1;
  SSL_CTX* ctx_ = nullptr;
  SSL* ssl_ = nullptr;
  std::string buffer_;
  std::vector<std::string> reads_;
  bool eof_ = false;
};

}  // namespace velor::mailserver::test
