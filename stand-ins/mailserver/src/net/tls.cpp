#include "net/tls.h"

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

namespace velor::mailserver {
namespace {

std::string lastError(const std::string& what) {
  char buffer[256] = {};
  ERR_error_string_n(ERR_get_error(), buffer, sizeof buffer);
  return what + ": " + buffer;
}

struct PkeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct X509Free {
  void operator()(X509* x) const { X509_free(x); }
};

bool halvesAreFull(const X509* cert) {
  const ASN1_BIT_STRING* signature = nullptr;
  X509_get0_signature(&signature, nullptr, cert);
  const unsigned char* der = signature->data;
  ECDSA_SIG* pair = d2i_ECDSA_SIG(nullptr, &der, signature->length);
  if (!pair) return false;
  const bool full = BN_num_bytes(ECDSA_SIG_get0_r(pair)) == 32 && BN_num_bytes(ECDSA_SIG_get0_s(pair)) == 32;
  ECDSA_SIG_free(pair);
  return full;
}

// An EC key keeps start-up quick; the clients this serves do not check the certificate anyway.
void useSelfSigned(SSL_CTX* ctx) {
  std::unique_ptr<EVP_PKEY, PkeyFree> key(EVP_EC_gen("P-256"));
  if (!key) throw TlsError(lastError("cannot make a key"));
  std::unique_ptr<X509, X509Free> cert(X509_new());
  if (!cert) throw TlsError(lastError("cannot make a certificate"));
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 60L * 60 * 24 * 365);
  X509_set_pubkey(cert.get(), key.get());
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Velor MailServer stand-in"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("localhost"), -1, -1, 0);
  X509_set_issuer_name(cert.get(), name);
  // Wine's certificate check refuses, as forged, an ECDSA signature one of whose halves is shorter
  // than 32 bytes (about one in 128); a Windows client under Wine would then see a bad signature
  // instead of an unknown issuer. Each signing draws a fresh random number, so sign again.
  for (int attempt = 0; attempt < 64; ++attempt) {
    if (X509_sign(cert.get(), key.get(), EVP_sha256()) <= 0) throw TlsError(lastError("cannot sign the certificate"));
    if (halvesAreFull(cert.get())) break;
  }
  if (SSL_CTX_use_certificate(ctx, cert.get()) != 1 || SSL_CTX_use_PrivateKey(ctx, key.get()) != 1)
    throw TlsError(lastError("cannot use the certificate"));
}

}  // namespace

SslContext makeServerTlsContext(const std::string& certificatePath, const std::string& keyPath) {
  SslContext ctx(SSL_CTX_new(TLS_server_method()));
  if (!ctx) throw TlsError(lastError("cannot make a TLS context"));
  SSL_CTX_set_mode(ctx.get(), SSL_MODE_AUTO_RETRY);
  if (certificatePath.empty()) {
    useSelfSigned(ctx.get());
  } else {
    if (SSL_CTX_use_certificate_chain_file(ctx.get(), certificatePath.c_str()) != 1)
      throw TlsError(lastError("cannot read " + certificatePath));
    const std::string& key = keyPath.empty() ? certificatePath : keyPath;
    if (SSL_CTX_use_PrivateKey_file(ctx.get(), key.c_str(), SSL_FILETYPE_PEM) != 1)
      throw TlsError(lastError("cannot read " + key));
  }
  if (SSL_CTX_check_private_key(ctx.get()) != 1) throw TlsError("certificate and key do not match");
  return ctx;
}

}  // namespace velor::mailserver
