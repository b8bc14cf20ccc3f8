#include "velcore/protocol/OpenSsl_win32.h"

#include "velcore/protocol/Messages_win32.h"
#include "velcore/protocol/Runtime.h"
#include "velcore/res/resource.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace velor::openssl {
namespace {

HMODULE g_library = nullptr;
Api g_api{};
bool g_bound = false;

HMODULE g_crypto = nullptr;

// The full path of a file in Velcore's own folder; empty when it does not fit.
std::string besideVelcore(const char* file) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(static_cast<HMODULE>(TheRuntime().module), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    char* slash = strrchr(path, '\\');
    std::string folder(path, slash ? static_cast<std::size_t>(slash + 1 - path) : 0);
    if (folder.empty() || folder.size() + std::strlen(file) >= MAX_PATH) return {};
    return folder + file;
}

// Only the copies in Velcore's own folder are loaded, by full path: a DLL of the same name in the
// current folder or on the search path must never run inside the mail client. libcrypto-3.dll is
// loaded first, so that libssl-3.dll's import of it finds that copy already in the process.
HMODULE loadBesideVelcore() {
    std::string crypto = besideVelcore(kCryptoLibraryName);
    std::string ssl = besideVelcore(kLibraryName);
    if (crypto.empty() || ssl.empty()) return nullptr;
    if (!g_crypto) g_crypto = LoadLibraryExA(crypto.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!g_crypto) return nullptr;
    return LoadLibraryExA(ssl.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename F>
bool bindFrom(HMODULE module, const char* library, F& function, const char* name) {
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (function) return true;
    ShowMessage(nullptr, MB_OK | MB_ICONERROR, IDS_FUNCTION_MISSING, library, name);
    return false;
}

template <typename F>
bool bind(F& function, const char* name) {
    return bindFrom(g_library, kLibraryName, function, name);
}

template <typename F>
bool bindCrypto(F& function, const char* name) {
    return bindFrom(g_crypto, kCryptoLibraryName, function, name);
}

std::string der(const Api& api, const X509* certificate) {
    int size = api.i2d_X509(certificate, nullptr);
    if (size <= 0) return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    unsigned char* out = reinterpret_cast<unsigned char*>(bytes.data());
    if (api.i2d_X509(certificate, &out) != size) return {};
    return bytes;
}

// Whether the host is written as an IPv4 or IPv6 address rather than a name.
bool isAddress(const std::string& host) {
    if (host.find(':') != std::string::npos) return true;
    return !host.empty() && host.find_first_not_of("0123456789.") == std::string::npos;
}

constexpr int kSslCtrlSetTlsextHostname = 55;
constexpr long kTlsextNametypeHostName = 0;

}  // namespace

const Api* Load() {
    if (g_bound) return &g_api;
    if (!g_library) g_library = loadBesideVelcore();
    if (!g_library) {
        ShowMessage(nullptr, MB_OK | MB_ICONERROR, IDS_MODULE_MISSING, kLibraryName);
        return nullptr;
    }
    g_bound = bind(g_api.OPENSSL_init_ssl, "OPENSSL_init_ssl") && bind(g_api.TLS_client_method, "TLS_client_method") &&
              bind(g_api.SSL_CTX_new, "SSL_CTX_new") && bind(g_api.SSL_CTX_free, "SSL_CTX_free") &&
              bind(g_api.SSL_new, "SSL_new") && bind(g_api.SSL_free, "SSL_free") &&
              bind(g_api.SSL_set_fd, "SSL_set_fd") && bind(g_api.SSL_connect, "SSL_connect") &&
              bind(g_api.SSL_read, "SSL_read") && bind(g_api.SSL_write, "SSL_write") &&
              bind(g_api.SSL_shutdown, "SSL_shutdown") && bind(g_api.SSL_pending, "SSL_pending") &&
              bind(g_api.SSL_get_error, "SSL_get_error") && bind(g_api.SSL_ctrl, "SSL_ctrl") &&
              bind(g_api.SSL_get1_peer_certificate, "SSL_get1_peer_certificate") &&
              bind(g_api.SSL_get_peer_cert_chain, "SSL_get_peer_cert_chain") &&
              bindCrypto(g_api.OPENSSL_sk_num, "OPENSSL_sk_num") &&
              bindCrypto(g_api.OPENSSL_sk_value, "OPENSSL_sk_value") && bindCrypto(g_api.i2d_X509, "i2d_X509") &&
              bindCrypto(g_api.X509_free, "X509_free");
    if (!g_bound) {
        FreeLibrary(g_library);
        g_library = nullptr;
        return nullptr;
    }
    return &g_api;
}

void SetServerName(const Api& api, Ssl* ssl, const std::string& host) {
    if (host.empty() || isAddress(host)) return;
    api.SSL_ctrl(ssl, kSslCtrlSetTlsextHostname, kTlsextNametypeHostName, const_cast<char*>(host.c_str()));
}

std::vector<std::string> PeerCertificates(const Api& api, const Ssl* ssl) {
    std::vector<std::string> chain;
    X509* own = api.SSL_get1_peer_certificate(ssl);
    if (!own) return chain;
    chain.push_back(der(api, own));
    api.X509_free(own);
    if (chain.front().empty()) return {};
    // On the client side the chain holds the server's own certificate too: it is not added twice.
    if (const Stack* others = api.SSL_get_peer_cert_chain(ssl)) {
        for (int i = 0, n = api.OPENSSL_sk_num(others); i < n; ++i) {
            std::string one = der(api, static_cast<const X509*>(api.OPENSSL_sk_value(others, i)));
            if (!one.empty() && one != chain.front()) chain.push_back(std::move(one));
        }
    }
    return chain;
}

void Unload() {
    if (g_library) FreeLibrary(g_library);
    if (g_crypto) FreeLibrary(g_crypto);
    g_library = nullptr;
    g_crypto = nullptr;
    g_bound = false;
}

}  // namespace velor::openssl
