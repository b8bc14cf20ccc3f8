#include "velcore/protocol/CertificateTrust.h"

#include "velcore/res/resource.h"

#include <cstdio>
#include <vector>

namespace velor {
namespace {

// The digest's hexadecimal digits alone, upper case: what two fingerprints are compared by.
std::string hexDigits(std::string_view text) {
    std::string digits;
    digits.reserve(text.size());
    for (char c : text) {
        if (c >= '0' && c <= '9') digits += c;
        else if (c >= 'a' && c <= 'f') digits += static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'F') digits += c;
        else if (c == ':' || c == ' ' || c == '\t' || c == '-') continue;
        else return {};  // not a fingerprint at all: it matches nothing
    }
    return digits;
}

std::string formatted(const std::string& format, std::uint32_t value) {
    int n = std::snprintf(nullptr, 0, format.c_str(), static_cast<unsigned>(value));
    if (n <= 0) return format;
    std::vector<char> text(static_cast<std::size_t>(n) + 1);
    std::snprintf(text.data(), text.size(), format.c_str(), static_cast<unsigned>(value));
    return text.data();
}

}  // namespace

std::string FingerprintText(const unsigned char* digest, std::size_t size) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(size * 3);
    for (std::size_t i = 0; i < size; ++i) {
        if (i) text += ':';
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0x0F];
    }
    return text;
}

bool SameFingerprint(std::string_view a, std::string_view b) {
    std::string left = hexDigits(a);
    return !left.empty() && left == hexDigits(b);
}

std::string TrustedCertificateName(std::string_view host, std::uint32_t port) {
    std::string name;
    name.reserve(host.size() + 6);
    for (char c : host) name += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return name + ":" + std::to_string(port);
}

std::string CertificateProblemsText(const ServerCertificate& certificate, const StringSource& strings) {
    struct Line {
        unsigned problem;
        unsigned text;
    };
    static constexpr Line kLines[] = {
        {kCertificateUnknownIssuer, IDS_CERTIFICATE_UNKNOWN_ISSUER},
        {kCertificateExpired, IDS_CERTIFICATE_EXPIRED},
        {kCertificateWrongName, IDS_CERTIFICATE_WRONG_NAME},
        {kCertificateOtherProblem, IDS_CERTIFICATE_OTHER},
    };
    std::string text;
    for (const Line& line : kLines) {
        if (!(certificate.problems & line.problem)) continue;
        if (!text.empty()) text += "\r\n";
        std::string one = strings.Load(line.text);
        text += line.problem == kCertificateOtherProblem ? formatted(one, certificate.otherError) : one;
    }
    return text;
}

bool AcceptServerCertificate(const ServerCertificate& certificate, TrustedCertificates& trusted,
                             CertificatePrompt& prompt, const StringSource& strings) {
    if (certificate.problems == 0) return true;
    const std::string name = TrustedCertificateName(certificate.host, certificate.port);
    const std::optional<std::string> stored = trusted.Find(name);
    if (stored && SameFingerprint(*stored, certificate.fingerprint)) return true;

    CertificateQuestion question;
    question.host = certificate.host;
    question.server = certificate.host + ":" + std::to_string(certificate.port);
    question.changed = stored.has_value();
    question.intro = strings.Load(question.changed ? IDS_CERTIFICATE_CHANGED : IDS_CERTIFICATE_UNTRUSTED);
    question.problems = CertificateProblemsText(certificate, strings);
    question.fingerprint = certificate.fingerprint;
    switch (prompt.Ask(question)) {
        case CertificateAnswer::kCancel: return false;
        case CertificateAnswer::kContinue: return true;
        case CertificateAnswer::kAlwaysTrust:
            // The connection goes on even when the answer cannot be kept: the user accepted it.
            trusted.Remember(name, certificate.fingerprint);
            return true;
    }
    return false;
}

}  // namespace velor
