// Search filters (RFC 4511 section 4.5.1) and their evaluation against an entry, with the
// three outcomes LDAP gives them: a match this server does not offer (ordering, approximate,
// extensible) is Undefined, which "not" keeps; an attribute the entry lacks matches nothing.
#pragma once

#include <string>
#include <vector>

namespace velor::mailserver::ldap {

struct Attribute;

struct Filter {
  enum class Kind { And, Or, Not, Equality, Substrings, Present, Unsupported };
  Kind kind = Kind::Present;
  std::string attribute;
  std::string value;                  // Equality
  std::string initial;                // Substrings
  std::vector<std::string> any;
  std::string final;
  std::vector<Filter> children;       // And, Or, Not (one)
};

enum class Match { True, False, Undefined };

// attributes: what the entry serves (servedAttributes), names in the schema's spelling.
Match evaluate(const Filter& filter, const std::vector<Attribute>& attributes);

}  // namespace velor::mailserver::ldap
