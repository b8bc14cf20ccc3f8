// The server side of implicit TLS: one context for every TLS listener, with the certificate and
// key from PEM files, or a self-signed pair made in memory at start so a run needs no files.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include <openssl/ssl.h>

namespace velor::mailserver {

struct TlsError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct SslCtxFree {
  void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
};
using SslContext = std::unique_ptr<SSL_CTX, SslCtxFree>;

// Empty paths: a fresh self-signed certificate for "localhost". Throws TlsError.
SslContext makeServerTlsContext(const std::string& certificatePath, const std::string& keyPath);

}  // namespace velor::mailserver
