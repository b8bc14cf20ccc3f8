// TLS for the scripted peer, with a self-signed certificate for "127.0.0.1" made at start: the
// client asks the user about it, as about any certificate no authority vouches for.
#pragma once

#include "ScriptServer.h"

#include <string>

namespace velor::testing {

// fingerprint, when given, receives the certificate's SHA-256 as "AB:CD:..." (upper case).
ChannelFactory TlsChannels(std::string* fingerprint = nullptr);

}  // namespace velor::testing
