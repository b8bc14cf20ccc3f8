// OpenSSL's TLS library, bound on first use from libssl-3.dll (and the libcrypto-3.dll it needs),
// both loaded by full path from Velcore's own folder and from nowhere else. Only the calls the client
// needs are bound; the types stay opaque.
#pragma once

#include <cstdint>

namespace velor::openssl {

struct Ssl;
struct SslCtx;
struct SslMethod;

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
};

inline constexpr const char kLibraryName[] = "libssl-3.dll";
inline constexpr const char kCryptoLibraryName[] = "libcrypto-3.dll";

// The bound functions, or null after telling the user which library or function is missing
// (messages 3350 and 3351). A failed attempt is repeated at the next call.
const Api* Load();

void Unload();

}  // namespace velor::openssl
