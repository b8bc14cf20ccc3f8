// Splits a read command into tokens: atoms (anything up to a space, parenthesis or quote, so
// that "1:*", "\Seen" and "INBOX/%" stay whole), strings (quoted, with the \\ and \" escapes,
// or literals) and parentheses. Commands judge their own arguments.
#pragma once

#include <string>
#include <vector>

#include "imap/command_reader.h"

namespace velor::mailserver {

struct Token {
  enum class Kind { Atom, String, Open, Close };
  Kind kind;
  std::string value;
};

struct Tokens {
  std::vector<Token> tokens;  // as far as they could be read
  std::string error;          // empty when the whole command was read
};

Tokens tokenize(const std::vector<Segment>& segments);

// A tag as IMAP allows it: printable ASCII without the characters that end an atom and "+".
bool isValidTag(const std::string& tag);

}  // namespace velor::mailserver
