// Whether to go on with a server whose TLS certificate the platform could not verify: what is
// wrong with it in the user's words, its fingerprint, and the user's earlier "always trust"
// answers. The platform's check, the stored answers and the question itself are Win32; the
// decision is here, so it is tested without a window.
#pragma once

#include "velcore/protocol/StringSource.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velor {

// What the platform found wrong with a certificate; several may hold at once.
enum CertificateProblem : unsigned {
    kCertificateUnknownIssuer = 1u << 0,  // no chain to a trusted authority (self-signed included)
    kCertificateExpired = 1u << 1,        // expired, or not valid yet
    kCertificateWrongName = 1u << 2,      // issued for another server name
    kCertificateOtherProblem = 1u << 3,   // revoked, bad signature, wrong use...: the error code tells
};

// The server's certificate as the check saw it.
struct ServerCertificate {
    std::string host;           // as the account names it
    std::uint32_t port = 0;
    std::string fingerprint;    // SHA-256 of the certificate, FingerprintText form
    unsigned problems = 0;      // CertificateProblem bits; 0: the platform trusts it
    std::uint32_t otherError = 0;  // the platform's error code when kCertificateOtherProblem is set
};

// A digest as upper-case hexadecimal pairs separated by ':' ("3F:A0:...").
std::string FingerprintText(const unsigned char* digest, std::size_t size);

// Whether two fingerprints name the same digest, whatever their letter case, separators and
// white space (a value the user edited by hand still matches).
bool SameFingerprint(std::string_view a, std::string_view b);

// The registry value name of a server's trusted certificate: the host in lower case, ':' and the
// port. A host's other ports are other services and may present other certificates.
std::string TrustedCertificateName(std::string_view host, std::uint32_t port);

// The problems as the dialog lists them: one line per problem, in a fixed order, from the string
// table, separated by CR LF.
std::string CertificateProblemsText(const ServerCertificate& certificate, const StringSource& strings);

// The fingerprints the user chose to always trust, by TrustedCertificateName.
class TrustedCertificates {
public:
    virtual ~TrustedCertificates() = default;
    virtual std::optional<std::string> Find(const std::string& name) const = 0;
    virtual bool Remember(const std::string& name, const std::string& fingerprint) = 0;
};

// What the dialog shows: data in, the answer out.
struct CertificateQuestion {
    std::string host;         // as the account names it
    std::string server;       // the host as the account names it, ":" and the port
    std::string intro;        // why the user is asked (the "changed" warning when it changed)
    std::string problems;     // CertificateProblemsText
    std::string fingerprint;
    bool changed = false;     // a different certificate was trusted for this server before
};

enum class CertificateAnswer { kCancel, kContinue, kAlwaysTrust };

class CertificatePrompt {
public:
    virtual ~CertificatePrompt() = default;
    virtual CertificateAnswer Ask(const CertificateQuestion& question) = 0;
};

// Whether the connection may go on: a certificate the platform trusts, or one whose fingerprint
// the user chose to always trust for this server, goes on without a question; any other is asked
// about once, and "always trust" stores its fingerprint (replacing a changed one).
bool AcceptServerCertificate(const ServerCertificate& certificate, TrustedCertificates& trusted,
                             CertificatePrompt& prompt, const StringSource& strings);

}  // namespace velor
