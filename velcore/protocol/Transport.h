// The byte pipe under an IMAP exchange: one TCP connection, optionally wrapped in TLS. The
// Windows build implements it over Winsock and OpenSSL; tests use scripted bytes.
#pragma once

#include "velcore/protocol/ReplyReader.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace velor {

class Transport : public imap::ByteSource {
public:
    // Opens the connection; 0 or a failure status (0x8007xxxx for socket errors).
    virtual std::int32_t Connect(const char* host, std::uint32_t port) = 0;
    // Runs the TLS client handshake on the open connection and has the server's certificate
    // checked; 0, 1 when the user refused the certificate, or E_UNEXPECTED.
    virtual std::int32_t StartTls() = 0;
    // Sends all of text; false on failure.
    virtual bool Send(std::string_view text) = 0;
    // The socket error that ended the last failed call, 0 when there is none.
    virtual std::int32_t LastSocketError() = 0;
    // Releases the connection; harmless when there is none. Keeps the last socket error.
    virtual void Close() = 0;
};

}  // namespace velor
