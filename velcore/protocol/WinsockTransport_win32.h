// The connection to the server over Winsock, with TLS through OpenSSL when the account asks.
// One connection at a time; the receive buffer and Winsock's start-up live for the process.
#pragma once

#include "shared/AccountSettings.h"
#include "velcore/protocol/OpenSsl_win32.h"
#include "velcore/protocol/Transport.h"

#include <winsock2.h>

#include <string>

namespace velor {

class WinsockTransport : public Transport {
public:
    // The account whose time-out the waits use: the library's current account.
    explicit WinsockTransport(const AccountSettings& account) : account_(account) {}
    ~WinsockTransport() override { Close(); }
    WinsockTransport(const WinsockTransport&) = delete;
    WinsockTransport& operator=(const WinsockTransport&) = delete;

    std::int32_t Connect(const char* host, std::uint32_t port) override;
    std::int32_t StartTls() override;
    bool Send(std::string_view text) override;
    imap::ReceiveStatus Receive(std::string& buffer) override;
    std::int32_t LastSocketError() override { return WSAGetLastError(); }
    void Close() override;

private:
    enum class Ready { kYes, kFailed };
    // Waits until the socket can be read (or written), asking the user after each period of the
    // account's time-out whether to go on waiting.
    Ready wait(bool forWriting);
    void releaseTls();

    const AccountSettings& account_;
    std::string host_;  // as the account names it: the name the certificate must carry
    std::uint32_t port_ = 0;
    SOCKET socket_ = INVALID_SOCKET;
    const openssl::Api* tls_ = nullptr;
    openssl::SslCtx* context_ = nullptr;
    openssl::Ssl* ssl_ = nullptr;
    bool tlsActive_ = false;
};

// Called when Velcore unloads: WSACleanup when Velcore started Winsock, the receive buffer freed.
void ShutdownTransport();

}  // namespace velor
