// TLS for the scripted peer, with a self-signed certificate made at start: the client checks no
// certificate, so any will do.
#pragma once

#include "ScriptServer.h"

namespace velor::testing {

ChannelFactory TlsChannels();

}  // namespace velor::testing
