#include "velcore/protocol/WinsockTransport_win32.h"

#include "velcore/protocol/CertificateCheck_win32.h"
#include "velcore/protocol/Messages_win32.h"
#include "velcore/protocol/Status.h"
#include "velcore/res/resource.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

namespace velor {
namespace {

bool g_startedWinsock = false;
std::vector<char> g_receiveBuffer;  // sized by the socket's SO_RCVBUF, grown, never shrunk

// The socket error as a status; a failure that left no error code still fails, with fallback.
std::int32_t lastErrorStatus(std::int32_t fallback = status::kUnexpected) {
    int error = WSAGetLastError();
    return error != 0 ? status::FromWin32(error) : fallback;
}

// OpenSSL's answers when a non-blocking operation must wait for the socket.
constexpr int kSslWantRead = 2;
constexpr int kSslWantWrite = 3;

bool startWinsock() {
    WSADATA data;
    int error = WSAStartup(MAKEWORD(2, 0), &data);
    if (error != 0) {
        WSASetLastError(error);
        return false;
    }
    g_startedWinsock = true;
    return true;
}

// Winsock may already be running in the host process; it is started here only when it is not.
// Printing an address tells on Windows; some Winsock implementations print without being started,
// so a "not initialised" from the first real call starts it as well (see Connect).
bool ensureWinsock() {
    if (g_startedWinsock) return true;
    sockaddr_in zero{};
    zero.sin_family = AF_INET;
    char text[64];
    DWORD length = sizeof text;
    if (WSAAddressToStringA(reinterpret_cast<sockaddr*>(&zero), sizeof zero, nullptr, text, &length) == 0) return true;
    if (WSAGetLastError() != WSANOTINITIALISED) return true;
    return startWinsock();
}

hostent* resolve(const char* host) {
    hostent* entry = gethostbyname(host);
    if (!entry && WSAGetLastError() == WSANOTINITIALISED && !g_startedWinsock && startWinsock())
        entry = gethostbyname(host);
    return entry;
}

}  // namespace

std::int32_t WinsockTransport::Connect(const char* host, std::uint32_t port) {
    if (!ensureWinsock()) return lastErrorStatus();
    WSASetLastError(0);
    hostent* entry = resolve(host);
    if (!entry) return lastErrorStatus(status::FromWin32(WSAHOST_NOT_FOUND));
    // An answer without an address is a failure of its own, never a connection to nowhere.
    if (entry->h_addrtype != AF_INET || entry->h_length != sizeof(in_addr) || !entry->h_addr_list ||
        !entry->h_addr_list[0])
        return status::FromWin32(WSANO_DATA);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    std::memcpy(&address.sin_addr, entry->h_addr_list[0], sizeof address.sin_addr);
    host_ = host;
    port_ = port;
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket_ == INVALID_SOCKET) return lastErrorStatus();
    if (connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == SOCKET_ERROR) return lastErrorStatus();
    // From here on no call blocks: a send that the server does not take in waits in wait(), with
    // the prompt, instead of inside send() where no prompt can reach the user.
    u_long nonBlocking = 1;
    if (ioctlsocket(socket_, FIONBIO, &nonBlocking) != 0) return lastErrorStatus();
    return status::kOk;
}

std::int32_t WinsockTransport::StartTls() {
    releaseTls();
    tls_ = openssl::Load();
    if (!tls_) return status::kUnexpected;
    if (tls_->OPENSSL_init_ssl(0, nullptr) != 1) {
        ShowMessage(nullptr, MB_OK | MB_ICONERROR, IDS_MODULE_MISSING, openssl::kLibraryName);
        return status::kUnexpected;
    }
    const openssl::SslMethod* method = tls_->TLS_client_method();
    if (!method) return status::kUnexpected;
    context_ = tls_->SSL_CTX_new(method);
    if (!context_) return status::kUnexpected;
    ssl_ = tls_->SSL_new(context_);
    if (!ssl_) return status::kUnexpected;
    if (tls_->SSL_set_fd(ssl_, static_cast<int>(socket_)) != 1) return status::kUnexpected;
    openssl::SetServerName(*tls_, ssl_, host_);
    // The socket does not block (see Connect): every wait of the handshake and of the records
    // after it goes through wait(), with the account's time-out and the prompt, so a peer that
    // falls silent cannot freeze the caller's window.
    for (;;) {
        int n = tls_->SSL_connect(ssl_);
        if (n == 1) break;
        int error = tls_->SSL_get_error(ssl_, n);
        if (error != kSslWantRead && error != kSslWantWrite) return status::kUnexpected;
        if (wait(error == kSslWantWrite) != Ready::kYes) return status::kUnexpected;
    }
    // OpenSSL checks nothing of the certificate; the platform does, before a single byte of the
    // session (the password above all) goes out. A certificate the user refuses ends the call
    // as a cancelled logon does.
    const ServerCertificate certificate = CheckServerCertificate(openssl::PeerCertificates(*tls_, ssl_), host_, port_);
    if (!ConfirmServerCertificate(certificate)) return status::kNo;
    tlsActive_ = true;
    return status::kOk;
}

WinsockTransport::Ready WinsockTransport::wait(bool forWriting) {
    // TLS may hold decrypted bytes that the socket no longer shows as readable.
    if (!forWriting && tlsActive_ && tls_->SSL_pending(ssl_) > 0) return Ready::kYes;
    const int seconds = static_cast<int>(account_.timeoutSeconds);
    for (;;) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket_, &set);
        timeval timeout{seconds, 0};
        int n = select(0, forWriting ? nullptr : &set, forWriting ? &set : nullptr, nullptr, &timeout);
        if (n > 0) return Ready::kYes;
        if (n < 0) return Ready::kFailed;
        if (ShowMessage(nullptr, MB_YESNO | MB_ICONINFORMATION, IDS_SERVER_TIMEOUT, seconds, seconds) != IDYES) {
            // The user's answer is no socket error: none is left for the caller to report.
            WSASetLastError(0);
            return Ready::kFailed;
        }
    }
}

bool WinsockTransport::Send(std::string_view text) {
    if (socket_ == INVALID_SOCKET) return false;
    // Only an error of this send may be reported for it.
    WSASetLastError(0);
    // A short write is continued: a long script must reach the server whole.
    bool forWriting = true;
    while (!text.empty()) {
        if (wait(forWriting) != Ready::kYes) return false;
        forWriting = true;
        int chunk = static_cast<int>(std::min<std::size_t>(text.size(), 1u << 20));
        int n = tlsActive_ ? tls_->SSL_write(ssl_, text.data(), chunk) : send(socket_, text.data(), chunk, 0);
        if (n <= 0) {
            if (tlsActive_) {
                // Retried with the same bytes once the socket is ready, as OpenSSL requires.
                int error = tls_->SSL_get_error(ssl_, n);
                if (error == kSslWantWrite) continue;
                if (error == kSslWantRead) {
                    forWriting = false;
                    continue;
                }
                return false;
            }
            if (WSAGetLastError() == WSAEWOULDBLOCK) continue;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

imap::ReceiveStatus WinsockTransport::Receive(std::string& buffer) {
    if (socket_ == INVALID_SOCKET) return imap::ReceiveStatus::kFailed;
    if (wait(false) != Ready::kYes) return imap::ReceiveStatus::kFailed;
    int size = 0;
    int optionLength = sizeof size;
    if (getsockopt(socket_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&size), &optionLength) != 0 || size < 2)
        size = 8192;
    if (g_receiveBuffer.size() < static_cast<std::size_t>(size)) {
        try {
            g_receiveBuffer.assign(static_cast<std::size_t>(size), '\0');
        } catch (...) {
            return imap::ReceiveStatus::kFailed;
        }
    }
    int capacity = static_cast<int>(g_receiveBuffer.size()) - 1;
    int n = tlsActive_ ? tls_->SSL_read(ssl_, g_receiveBuffer.data(), capacity)
                       : recv(socket_, g_receiveBuffer.data(), capacity, 0);
    if (tlsActive_ && n <= 0) {
        // Part of a record: the reader asks again, and the next receive waits for the rest
        // through wait(), with the prompt.
        int error = tls_->SSL_get_error(ssl_, n);
        if (error == kSslWantRead || error == kSslWantWrite) return imap::ReceiveStatus::kWouldBlock;
        return n == 0 || error == 6 /* SSL_ERROR_ZERO_RETURN */ ? imap::ReceiveStatus::kClosed
                                                              : imap::ReceiveStatus::kFailed;
    }
    if (n == 0) return imap::ReceiveStatus::kClosed;
    if (n < 0) {
        if (WSAGetLastError() == WSAEWOULDBLOCK) return imap::ReceiveStatus::kWouldBlock;
        return imap::ReceiveStatus::kFailed;
    }
    // The reply is text: a stray zero byte is dropped rather than cutting off the rest of the read.
    const char* data = g_receiveBuffer.data();
    if (!std::memchr(data, '\0', static_cast<std::size_t>(n))) {
        buffer.append(data, static_cast<std::size_t>(n));
    } else {
        std::copy_if(data, data + n, std::back_inserter(buffer), [](char c) { return c != '\0'; });
    }
    return imap::ReceiveStatus::kData;
}

void WinsockTransport::releaseTls() {
    if (ssl_) {
        tls_->SSL_shutdown(ssl_);
        tls_->SSL_free(ssl_);
    }
    if (context_) tls_->SSL_CTX_free(context_);
    ssl_ = nullptr;
    context_ = nullptr;
    tlsActive_ = false;
}

void WinsockTransport::Close() {
    int error = WSAGetLastError();
    releaseTls();
    if (socket_ != INVALID_SOCKET) {
        closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }
    WSASetLastError(error);
}

void ShutdownTransport() {
    if (g_startedWinsock) WSACleanup();
    g_startedWinsock = false;
    std::vector<char>().swap(g_receiveBuffer);
}

}  // namespace velor
