// The texts of the IMAP exchange: how a command line is framed, how arguments are quoted, how a
// status word maps to a result, and the capability check.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velor::imap {

// Every command of every connection carries this tag; the reader knows its reply by it alone.
inline constexpr std::string_view kTag = "A000";

// The line sent for a command: the tag, a space, the command stripped of leading white space,
// and CR LF unless the command already ends with CR LF. Empty when the command is empty.
std::string CommandLine(std::string_view command);

// Whether the text may go into a command: it holds no CR, LF or NUL. Any of them would end the
// command early and let the rest of the text reach the server as a command of its own.
bool FitsInCommand(std::string_view text);

// Whether the command is one line: apart from its own final line end (CR LF, LF, or LF CR LF
// after CommandLine) it holds no CR, LF or NUL.
bool IsSingleLine(std::string_view command);

// A text as an IMAP atom when it is one, else as a quoted string with "\" and """ escaped.
std::string Astring(std::string_view text);

// A text for a place between double quotes in a command: "\" and """ escaped.
std::string QuotedContent(std::string_view text);

// The result of a tagged reply from the text after the tag: OK 0, NO 1, BAD E_INVALIDARG,
// BYE E_ABORT, anything else E_UNEXPECTED; letter case does not matter.
std::int32_t TaggedResult(std::string_view statusText);

// The result of a greeting or other untagged status from the text after "* ": OK 0, NO 1,
// BAD 2, BYE 3; -1 when the line is no status line.
int UntaggedStatus(std::string_view text);

// Whether the CAPABILITY response lists the capability as a whole word, in any letter case.
bool HasCapability(std::string_view response, std::string_view capability);

}  // namespace velor::imap
