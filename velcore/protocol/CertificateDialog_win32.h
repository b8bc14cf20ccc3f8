// The question about a server certificate that the platform did not verify: dialog 4300.
#pragma once

#include "velcore/protocol/CertificateTrust.h"

namespace velor {

// Shows the dialog owned by the caller's active window (none for a caller without one: then it
// comes to the front on its own). Closing it any other way than "Continue" is Cancel.
class WindowsCertificatePrompt : public CertificatePrompt {
public:
    CertificateAnswer Ask(const CertificateQuestion& question) override;
};

}  // namespace velor
