// The certificates the user chose to always trust, one string value per server under
// HKEY_CURRENT_USER "Software\Velor\MailClientExtensions\Velcore\Certificates": the value's name
// is TrustedCertificateName (lower-case host, ':', port), its data the SHA-256 fingerprint.
#pragma once

#include "velcore/protocol/CertificateTrust.h"

namespace velor {

inline constexpr const char kTrustedCertificatesKey[] = "Software\\Velor\\MailClientExtensions\\Velcore\\Certificates";

class RegistryTrustedCertificates : public TrustedCertificates {
public:
    std::optional<std::string> Find(const std::string& name) const override;
    bool Remember(const std::string& name, const std::string& fingerprint) override;
};

}  // namespace velor
