// Reads the reply to X-GETSCRIPT. The server sends the script as a literal announced at the end
// of its first line ("* X-GETSCRIPT {n}"), and its bytes are taken exactly as they come: a script
// line that starts with "*" or with the tag, a blank line or an indented one is script, not
// reply. A server that sends the script as plain lines after the first line is read too.
#pragma once

#include "velcore/protocol/ReplyReader.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace velor::imap {

// A literal larger than this is not the user's rules: the reply is given up as E_FAIL.
inline constexpr std::size_t kMaxScriptBytes = 16u << 20;

struct ScriptReply {
    std::int32_t result = 0;   // of the tagged line, as any command's
    bool literal = false;      // the script came as a literal
    bool scriptData = false;   // the reply carried script bytes (a literal or lines after the first)
    std::string script;        // the script's bytes as sent (UTF-8)
};

// Reads up to and including the tagged line. A failed receive or a closed connection ends it
// with E_UNEXPECTED, as any other reply.
std::int32_t ReadScriptReply(ByteSource& source, ScriptReply& reply);

}  // namespace velor::imap
