// A plain TCP transport over POSIX sockets, for native tests against the mail-server stand-in.
// It records what the client sent, so a test can check the bytes as well as the effect.
#pragma once

#include "velcore/protocol/Transport.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace velor::testing {

class PosixTransport : public Transport {
public:
    std::string sent;

    ~PosixTransport() override { Close(); }

    std::int32_t Connect(const char* host, std::uint32_t port) override {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (getaddrinfo(host, std::to_string(port).c_str(), &hints, &found) != 0 || !found) return kConnectFailed;
        fd_ = socket(found->ai_family, found->ai_socktype, found->ai_protocol);
        bool ok = fd_ >= 0 && connect(fd_, found->ai_addr, found->ai_addrlen) == 0;
        freeaddrinfo(found);
        if (!ok) {
            Close();
            return kConnectFailed;
        }
        return 0;
    }
    std::int32_t StartTls() override { return static_cast<std::int32_t>(0x8000FFFF); }
    bool Send(std::string_view text) override {
        sent.append(text);
        while (!text.empty()) {
            ssize_t n = ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL);
            if (n <= 0) return false;
            text.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }
    std::int32_t LastSocketError() override { return 0; }
    void Close() override {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    imap::ReceiveStatus Receive(std::string& buffer) override {
        char chunk[65536];
        ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n == 0) return imap::ReceiveStatus::kClosed;
        if (n < 0) return errno == EINTR ? imap::ReceiveStatus::kWouldBlock : imap::ReceiveStatus::kFailed;
        buffer.append(chunk, static_cast<std::size_t>(n));
        return imap::ReceiveStatus::kData;
    }

    static constexpr std::int32_t kConnectFailed = static_cast<std::int32_t>(0x8007274D);

private:
    int fd_ = -1;
};

}  // namespace velor::testing
