// The test agent's line protocol: a request is words separated by spaces, where a word may be a
// quoted string with C escapes; replies quote every text the same way, so any byte survives.
#pragma once

#include <string>
#include <vector>

namespace oestand {

// "a b" -> a, b; "\"x y\" \\x41" -> "x y", "\x41" stays literal outside quotes. False when a
// quoted word is not closed or an escape is malformed.
bool SplitRequest(const std::string& line, std::vector<std::string>* words);

// The text as a quoted word: \" \\ \n \r \t, and \xNN for other control and non-ASCII bytes.
std::string Quote(const std::string& text);

}  // namespace oestand
