#include "velcore/protocol/CertificateCheck_win32.h"

#include "velcore/protocol/CertificateDialog_win32.h"
#include "velcore/protocol/ResourceModule_win32.h"
#include "velcore/protocol/TrustedCertificates_win32.h"

#include <windows.h>
#include <wincrypt.h>

#include <memory>

namespace velor {
namespace {

// The SSL policy's checks that can be switched off one by one (the values of wininet.h).
constexpr DWORD kIgnoreRevocation = 0x00000080;
constexpr DWORD kIgnoreUnknownAuthority = 0x00000100;
constexpr DWORD kIgnoreWrongUsage = 0x00000200;
constexpr DWORD kIgnoreNameInvalid = 0x00001000;
constexpr DWORD kIgnoreDateInvalid = 0x00002000;

bool isUnknownIssuer(DWORD error) {
    return error == static_cast<DWORD>(CERT_E_UNTRUSTEDROOT) || error == static_cast<DWORD>(CERT_E_CHAINING) ||
           error == static_cast<DWORD>(CERT_E_UNTRUSTEDTESTROOT);
}

bool isExpired(DWORD error) {
    return error == static_cast<DWORD>(CERT_E_EXPIRED) || error == static_cast<DWORD>(CERT_E_VALIDITYPERIODNESTING);
}

struct StoreCloser {
    void operator()(HCERTSTORE store) const { CertCloseStore(store, 0); }
};
struct ContextFreer {
    void operator()(PCCERT_CONTEXT context) const { CertFreeCertificateContext(context); }
};
struct ChainFreer {
    void operator()(PCCERT_CHAIN_CONTEXT chain) const { CertFreeCertificateChain(chain); }
};
using Store = std::unique_ptr<void, StoreCloser>;
using Certificate = std::unique_ptr<const CERT_CONTEXT, ContextFreer>;
using Chain = std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFreer>;

const BYTE* bytes(const std::string& der) { return reinterpret_cast<const BYTE*>(der.data()); }

std::wstring wide(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring result(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, result.data(), n);
    result.resize(static_cast<std::size_t>(n - 1));
    return result;
}

std::string sha256Fingerprint(const std::string& der) {
    BYTE digest[32];
    DWORD size = sizeof digest;
    if (!CryptHashCertificate2(L"SHA256", 0, nullptr, bytes(der), static_cast<DWORD>(der.size()), digest, &size))
        return {};
    return FingerprintText(digest, size);
}

// The SSL server policy's error for the chain and host, with the given checks switched off.
DWORD policyError(PCCERT_CHAIN_CONTEXT chain, std::wstring& host, DWORD ignored) {
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.fdwChecks = ignored;
    ssl.pwszServerName = host.data();
    CERT_CHAIN_POLICY_PARA para{};
    para.cbSize = sizeof para;
    para.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &para, &status)) return GetLastError();
    return status.dwError;
}

// Every problem the chain has, not only the first that the policy reports: the user is told all.
// Each is the policy's own verdict with the other checks switched off, not the chain's status
// bits, which the platforms set differently (Wine marks chains to a trusted root partial).
unsigned problemsOf(PCCERT_CHAIN_CONTEXT chain, std::wstring& host, DWORD firstError, std::uint32_t& otherError) {
    constexpr DWORD kRest = kIgnoreWrongUsage | kIgnoreRevocation;
    unsigned problems = 0;
    DWORD issuer = policyError(chain, host, kIgnoreDateInvalid | kIgnoreNameInvalid | kRest);
    if (isUnknownIssuer(issuer)) problems |= kCertificateUnknownIssuer;
    DWORD date = policyError(chain, host, kIgnoreUnknownAuthority | kIgnoreNameInvalid | kRest);
    if (isExpired(date)) problems |= kCertificateExpired;
    DWORD name = policyError(chain, host, kIgnoreUnknownAuthority | kIgnoreDateInvalid | kRest);
    if (name == static_cast<DWORD>(CERT_E_CN_NO_MATCH)) problems |= kCertificateWrongName;
    // What the policy said first is always among them; one of no kind above is told by its code.
    if (isUnknownIssuer(firstError)) {
        problems |= kCertificateUnknownIssuer;
    } else if (isExpired(firstError)) {
        problems |= kCertificateExpired;
    } else if (firstError == static_cast<DWORD>(CERT_E_CN_NO_MATCH)) {
        problems |= kCertificateWrongName;
    } else {
        problems |= kCertificateOtherProblem;
        otherError = firstError;
    }
    return problems;
}

}  // namespace

ServerCertificate CheckServerCertificate(const std::vector<std::string>& chain, const std::string& host,
                                         std::uint32_t port) {
    ServerCertificate result;
    result.host = host;
    result.port = port;
    result.problems = kCertificateOtherProblem;
    result.otherError = static_cast<std::uint32_t>(CERT_E_MALFORMED);
    if (chain.empty()) return result;
    result.fingerprint = sha256Fingerprint(chain.front());

    Certificate own(CertCreateCertificateContext(X509_ASN_ENCODING, bytes(chain.front()),
                                                 static_cast<DWORD>(chain.front().size())));
    if (!own || result.fingerprint.empty()) return result;
    // The certificates the server sent besides its own, so that the chain can reach an authority
    // through them; none of them is trusted for being here.
    Store sent(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr));
    if (!sent) return result;
    for (std::size_t i = 1; i < chain.size(); ++i)
        CertAddEncodedCertificateToStore(sent.get(), X509_ASN_ENCODING, bytes(chain[i]), static_cast<DWORD>(chain[i].size()),
                                         CERT_STORE_ADD_ALWAYS, nullptr);

    static const LPSTR kServerAuthentication[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = const_cast<LPSTR*>(kServerAuthentication);
    PCCERT_CHAIN_CONTEXT built = nullptr;
    if (!CertGetCertificateChain(nullptr, own.get(), nullptr, sent.get(), &para, 0, nullptr, &built)) {
        result.otherError = GetLastError();
        return result;
    }
    Chain owned(built);
    std::wstring name = wide(host);
    DWORD error = policyError(built, name, 0);
    result.problems = 0;
    result.otherError = 0;
    if (error != 0) result.problems = problemsOf(built, name, error, result.otherError);
    return result;
}

bool ConfirmServerCertificate(const ServerCertificate& certificate) {
    RegistryTrustedCertificates trusted;
    WindowsCertificatePrompt prompt;
    ResourceStrings strings;
    return AcceptServerCertificate(certificate, trusted, prompt, strings);
}

}  // namespace velor
