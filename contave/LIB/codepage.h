// Conversion between the local (ANSI) code page and UTF-8. The directory speaks UTF-8; the
// address book and the windows speak the local code page. A null argument or a conversion the
// system refuses is an internal failure; a text that converts to nothing gives "".
#pragma once

#include <string>

namespace contave {

std::string LocalToUtf8(const char* text);
std::string Utf8ToLocal(const char* text);

}  // namespace contave
