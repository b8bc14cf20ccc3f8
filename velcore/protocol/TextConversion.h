// Text crosses three encodings here: the ANSI code page of the host, in which Outlook Express
// and the program keep all text; UTF-8, in which the server stores scripts; and modified UTF-7,
// in which folder names, identifiers and aliases travel in commands.
#pragma once

#include <string>
#include <string_view>

namespace velor {

// Through UTF-16 with the platform's conversions; characters that the ANSI code page lacks become
// its default character. The native build's "ANSI code page" is windows-1252.
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);

// A folder name as the user sees it (ANSI) to the form sent to the server, and back.
std::string ToWireName(std::string_view ansi);
std::string FromWireName(std::string_view wire);

}  // namespace velor
