// Texts for the status codes the engine shows: its own codes, the directory's, the address
// book's and the system's, chosen by the facility of the code.
#pragma once

#include <optional>
#include <string>

#include "contave/LIB/status_codes.h"

namespace contave {

// The text for a code, or none when no table and not the system knows it.
std::optional<std::string> ErrorText(Status code);

// The text, or the code as "0x%08x" when there is none: what the windows show.
std::string ErrorTextOrCode(Status code);

// The single sources behind ErrorText; each returns null / none when it has no text.
const char* OwnErrorText(Status code);
const char* MapiErrorText(Status code);
std::optional<std::string> LdapErrorText(int resultCode);
std::optional<std::string> SystemErrorText(Status code);

}  // namespace contave
