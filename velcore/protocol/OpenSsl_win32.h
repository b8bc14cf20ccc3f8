// OpenSSL's TLS library, bound on first use from libssl-3.dll (and the libcrypto-3.dll it needs),
// both loaded by full path from Velcore's own folder and from nowhere else. Only the calls the client
// needs are bound; the types stay opaque.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velor::openssl {

struct Ssl;
struct SslCtx;
struct SslMethod;
struct X509;
struct Stack;

struct Api {
    int (*OPENSSL_init_ssl)(std::uint64_t options, const void* settings);
    const SslMethod* (*TLS_client_method)();
    SslCtx* (*SSL_CTX_new)(const SslMethod* method);
    void (*SSL_CTX_free)(SslCtx* context);
    Ssl* (*SSL_new)(SslCtx* context);
    void (*SSL_free)(Ssl* ssl);
    int (*SSL_set_fd)(Ssl* ssl, int fd);
    int (*SSL_connect)(Ssl* ssl);
    int (*SSL_read)(Ssl* ssl, void* buffer, int size);
    int (*SSL_write)(Ssl* ssl, const void* buffer, int size);
    int (*SSL_shutdown)(Ssl* ssl);
    int (*SSL_pending)(const Ssl* ssl);
    int (*SSL_get_error)(const Ssl* ssl, int result);
    long (*SSL_ctrl)(Ssl* ssl, int command, long number, void* argument);
    // The server's certificates, for the platform to check (these from libcrypto-3.dll).
    X509* (*SSL_get1_peer_certificate)(const Ssl* ssl);
    Stack* (*SSL_get_peer_cert_chain)(const Ssl* ssl);
    int (*OPENSSL_sk_num)(const Stack* stack);
    void* (*OPENSSL_sk_value)(const Stack* stack, int index);
    int (*i2d_X509)(const X509* certificate, unsigned char** out);
    void (*X509_free)(X509* certificate);
};

// Asks the server for the certificate of this host name (Server Name Indication); an address
// is no name and is not sent.
void SetServerName(const Api& api, Ssl* ssl, const std::string& host);

// The certificates the server presented after the handshake, DER-encoded, its own first and then
// the others it sent; empty when it presented none.
std::vector<std::string> PeerCertificates(const Api& api, const Ssl* ssl);

inline constexpr const char kLibraryName[] = "libssl-3.dll";
inline constexpr const char kCryptoLibraryName[] = "libcrypto-3.dll";

// The bound functions, or null after telling the user which library or function is missing
// (messages 3350 and 3351). A failed attempt is repeated at the next call.
const Api* Load();

void Unload();

}  // namespace velor::openssl
