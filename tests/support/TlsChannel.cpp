#include "TlsChannel.h"

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <stdexcept>

namespace velor::testing {
namespace {

bool HalvesAreFull(const X509* cert) {
    const ASN1_BIT_STRING* signature = nullptr;
    X509_get0_signature(&signature, nullptr, cert);
    const unsigned char* der = signature->data;
    ECDSA_SIG* pair = d2i_ECDSA_SIG(nullptr, &der, signature->length);
    if (!pair) return false;
    const bool full = BN_num_bytes(ECDSA_SIG_get0_r(pair)) == 32 && BN_num_bytes(ECDSA_SIG_get0_s(pair)) == 32;
    ECDSA_SIG_free(pair);
    return full;
}

struct Credentials {
    Credentials() {
        key = EVP_EC_gen("P-256");
        cert = X509_new();
        if (!key || !cert) throw std::runtime_error("cannot make a test certificate");
        X509_set_version(cert, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
        X509_gmtime_adj(X509_getm_notBefore(cert), 0);
        X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
        X509_set_pubkey(cert, key);
        X509_NAME* name = X509_get_subject_name(cert);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
        X509_set_issuer_name(cert, name);
        // Wine checks an ECDSA signature only when both of its halves fill all 32 bytes; about
        // one signature in 128 has a leading zero byte and would be refused as forged, so the
        // test's expected problem would turn into another one now and then. ECDSA signs with
        // a fresh random number each time, so signing again gives another signature.
        for (int attempt = 0; attempt < 64; ++attempt) {
            if (X509_sign(cert, key, EVP_sha256()) <= 0) throw std::runtime_error("cannot sign the test certificate");
            if (HalvesAreFull(cert)) break;
        }
        context = SSL_CTX_new(TLS_server_method());
        SSL_CTX_use_certificate(context, cert);
        SSL_CTX_use_PrivateKey(context, key);
    }
    ~Credentials() {
        SSL_CTX_free(context);
        X509_free(cert);
        EVP_PKEY_free(key);
    }
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
    SSL_CTX* context = nullptr;
};

class TlsChannel : public Channel {
public:
    TlsChannel(SSL_CTX* context, SOCKET s) : ssl_(SSL_new(context)) {
        SSL_set_fd(ssl_, static_cast<int>(s));
        accepted_ = SSL_accept(ssl_) == 1;
    }
    ~TlsChannel() override {
        SSL_shutdown(ssl_);
        SSL_free(ssl_);
    }
    bool accepted() const { return accepted_; }
    int Read(char* buffer, int size) override { return SSL_read(ssl_, buffer, size); }
    int Write(const char* data, int size) override { return SSL_write(ssl_, data, size); }

private:
    SSL* ssl_;
    bool accepted_ = false;
};

}  // namespace

ChannelFactory TlsChannels(std::string* fingerprint) {
    auto credentials = std::make_shared<Credentials>();
    if (fingerprint) {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned size = 0;
        X509_digest(credentials->cert, EVP_sha256(), digest, &size);
        static const char kHex[] = "0123456789ABCDEF";
        fingerprint->clear();
        for (unsigned i = 0; i < size; ++i) {
            if (i) *fingerprint += ':';
            *fingerprint += kHex[digest[i] >> 4];
            *fingerprint += kHex[digest[i] & 15];
        }
    }
    return [credentials](SOCKET s) -> std::unique_ptr<Channel> {
        auto channel = std::make_unique<TlsChannel>(credentials->context, s);
        if (!channel->accepted()) return nullptr;
        return channel;
    };
}

}  // namespace velor::testing
