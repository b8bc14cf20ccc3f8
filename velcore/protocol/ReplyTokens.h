// The arguments of an untagged reply line: atoms (up to the next space) and quoted strings
// (with "\" escaping "\" and """), as the ACL and mapping replies write them.
#pragma once

#include <string>
#include <string_view>

namespace velor::imap {

enum class TokenStatus {
    kToken,      // a token was read into text (it may be empty: "")
    kEnd,        // only white space was left
    kMalformed,  // a quoted string without its closing quote
};

// Reads the next token from the front of rest and removes it.
TokenStatus NextToken(std::string_view& rest, std::string& text);

// Without leading and trailing white space.
std::string_view Trimmed(std::string_view text);

// Whether text begins with prefix, letter case aside.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

}  // namespace velor::imap
