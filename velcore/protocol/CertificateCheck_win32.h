// The platform's verdict on the server's certificate: the chain built by CryptoAPI, through the
// system's certification authorities, and checked with the SSL server policy for the host name.
#pragma once

#include "velcore/protocol/CertificateTrust.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velor {

// chain: DER certificates, the server's own first, then the others it sent (intermediates).
// The result's problems are empty when the platform trusts the certificate for host.
ServerCertificate CheckServerCertificate(const std::vector<std::string>& chain, const std::string& host,
                                         std::uint32_t port);

// What the user is shown and asked when the check finds a problem: true when the connection may
// go on. The question is a dialog owned by the caller's active window; the answers the user
// chose to keep live under HKEY_CURRENT_USER (RegistryTrustedCertificates).
bool ConfirmServerCertificate(const ServerCertificate& certificate);

}  // namespace velor
