// Distinguished names as the directory compares them: parsed from the RFC 4514 string form
// (LDAPv2's ";" separator and spaces around "=" and "," are taken too), compared through a folded
// key that ignores letter case in attribute types and values, and written back escaped.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velor::mailserver::ldap {

struct Rdn {
  std::string type;   // as written: "fn", "CN"
  std::string value;  // unescaped UTF-8
};

// Leftmost component first, as the string reads.
using Dn = std::vector<Rdn>;

// None for text that is not a DN of single-valued components (a "+" in an RDN is refused:
// nothing in this directory is named that way).
std::optional<Dn> parseDn(std::string_view text);

// "type=value" with the value escaped where RFC 4514 asks for it.
std::string formatRdn(const Rdn& rdn);
std::string formatDn(const Dn& dn);

// Letter case ignored in both halves, insignificant spaces in the value dropped: two RDNs name
// the same entry when their keys are equal.
std::string rdnKey(std::string_view type, std::string_view value);

// Case folding of UTF-8 text for comparisons: ASCII and the Latin, Greek and Cyrillic capitals
// that contact and folder names hold; leading and trailing spaces dropped, inner runs of spaces
// made one.
std::string foldValue(std::string_view value);
std::string lowerAscii(std::string_view text);

}  // namespace velor::mailserver::ldap
