#include "msoe/imap_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace oestand {
namespace {

class Connection {
public:
  ~Connection() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
  }

  bool Open(const std::string& host, unsigned port, unsigned timeoutSeconds, std::string* error) {
    addrinfo hints = {}, *found = nullptr;
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
      *error = "unknown host " + host;
      return false;
    }
    socket_ = socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    DWORD ms = (timeoutSeconds ? timeoutSeconds : 30) * 1000;
    if (ms > 10000) ms = 10000;  // the user interface waits for this; keep the wait short
    setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
    setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
    bool ok = connect(socket_, found->ai_addr, static_cast<int>(found->ai_addrlen)) == 0;
    freeaddrinfo(found);
    if (!ok) *error = "cannot connect to " + host + ":" + service;
    return ok;
  }

  bool Send(const std::string& line) {
    std::string data = line + "\r\n";
    size_t sent = 0;
    while (sent < data.size()) {
      int n = send(socket_, data.data() + sent, static_cast<int>(data.size() - sent), 0);
      if (n <= 0) return false;
      sent += n;
    }
    return true;
  }

  // One logical line; a literal {n} at the end is read and put in place as a quoted string.
  bool ReadLine(std::string* line) {
    line->clear();
    std::string raw;
    for (;;) {
      if (!ReadRawLine(&raw)) return false;
      size_t open = raw.rfind('{');
      if (raw.empty() || raw.back() != '}' || open == std::string::npos) {
        *line += raw;
        return true;
      }
      size_t n = std::strtoul(raw.c_str() + open + 1, nullptr, 10);
      *line += raw.substr(0, open);
      std::string literal;
      if (!ReadBytes(n, &literal)) return false;
      *line += '"';
      for (char c : literal) {
        if (c == '"' || c == '\\') *line += '\\';
        *line += c;
      }
      *line += '"';
    }
  }

private:
  bool Fill() {
    char chunk[4096];
    int n = recv(socket_, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    buffer_.append(chunk, n);
    return true;
  }
  bool ReadRawLine(std::string* line) {
    for (;;) {
      size_t end = buffer_.find('\n');
      if (end != std::string::npos) {
        *line = buffer_.substr(0, end);
        if (!line->empty() && line->back() == '\r') line->pop_back();
        buffer_.erase(0, end + 1);
        return true;
      }
      if (buffer_.size() > (1u << 20) || !Fill()) return false;
    }
  }
  bool ReadBytes(size_t n, std::string* out) {
    while (buffer_.size() < n)
      if (!Fill()) return false;
    *out = buffer_.substr(0, n);
    buffer_.erase(0, n);
    return true;
  }

  SOCKET socket_ = INVALID_SOCKET;
  std::string buffer_;
};

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// Reads to the tagged answer of tag; untagged lines go to the callback.
template <typename F>
bool Await(Connection& c, const std::string& tag, F untagged, std::string* error) {
  std::string line;
  for (;;) {
    if (!c.ReadLine(&line)) {
      *error = "the server closed the connection";
      return false;
    }
    if (line.compare(0, tag.size() + 1, tag + " ") == 0) {
      if (line.compare(tag.size() + 1, 2, "OK") == 0) return true;
      *error = "the server answered: " + line.substr(tag.size() + 1);
      return false;
    }
    untagged(line);
  }
}

}  // namespace

bool FetchFolderList(const Account& account, bool subscribed, std::vector<ListEntry>* entries,
                     std::string* error) {
  entries->clear();
  if (account.secure) {
    *error = "secure connections are not offered by this host";
    return false;
  }
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
    *error = "no Winsock";
    return false;
  }
  bool ok = false;
  {
    Connection c;
    std::string greeting;
    if (c.Open(account.server, account.port, account.timeout, error)) {
      if (!c.ReadLine(&greeting) || greeting.compare(0, 4, "* OK") != 0) {
        *error = "no greeting from the server";
      } else if (c.Send("a1 LOGIN " + Quoted(AnsiToUtf8(account.user)) + " " + Quoted(AnsiToUtf8(account.password))) &&
                 Await(c, "a1", [](const std::string&) {}, error) &&
                 c.Send(std::string("a2 ") + (subscribed ? "LSUB" : "LIST") + " \"\" \"*\"") &&
                 Await(c, "a2",
                       [&](const std::string& line) {
                         ListEntry e;
                         if (ParseListLine(line, &e)) entries->push_back(e);
                       },
                       error)) {
        ok = true;
        c.Send("a3 LOGOUT");
        std::string ignored;
        Await(c, "a3", [](const std::string&) {}, &ignored);
      }
    }
  }
  WSACleanup();
  return ok;
}

}  // namespace oestand
