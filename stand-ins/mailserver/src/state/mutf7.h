// Folder names travel as IMAP's modified UTF-7 (RFC 3501, 5.1.3) while the seed, the state file
// and every lookup in this server work on UTF-8. These two functions are the only crossing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velor::mailserver {

// UTF-8 to modified UTF-7. Printable ASCII stays as it is ("&" becomes "&-"); everything else
// goes into "&...-" runs of base64 over UTF-16. Malformed UTF-8 bytes become U+FFFD.
std::string encodeMutf7(std::string_view utf8);

// Modified UTF-7 to UTF-8, strictly: the server refuses a name that a careful encoder could not
// have produced (8-bit bytes, unterminated or empty runs, printable ASCII inside a run, non-zero
// padding bits, unpaired surrogates), as a real server does rather than guessing.
std::optional<std::string> decodeMutf7(std::string_view wire);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, at most U+10FFFF).
bool isValidUtf8(std::string_view bytes);

}  // namespace velor::mailserver
