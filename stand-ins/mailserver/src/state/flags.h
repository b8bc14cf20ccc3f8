// Message flags: the five system flags keep one spelling whatever case a client uses.
#pragma once

#include <optional>
#include <string>

namespace velor::mailserver {

// The stored spelling of a flag, or nothing when it is not one a client may set (\Recent, an
// unknown backslash flag, an empty or malformed keyword).
std::optional<std::string> canonicalFlag(const std::string& flag);

}  // namespace velor::mailserver
