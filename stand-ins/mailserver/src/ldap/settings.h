// How the directory side behaves on this run beyond what the directory holds: its fault rules
// (the IMAP side's rule form, naming LDAP operations) and how it answers an add addressed to a
// folder. Set from the seed's "ldap" block, then overridden by the command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "faults.h"

namespace velor::mailserver::ldap {

// The matched DN of the answer to an add addressed to a folder: the new entry's DN as the
// server should; none at all; the folder's own DN; or a new entry named "uid=" instead of "cn=".
enum class AddMatched { Entry, None, Folder, Uid };

struct LdapSettings {
  AddMatched addMatched = AddMatched::Entry;
  std::vector<FaultRule> faults;  // on=BIND, SEARCH, ADD, MODIFY or DELETE; empty: every reply
};

std::optional<AddMatched> parseAddMatched(const std::string& text);
std::string addMatchedName(AddMatched mode);

}  // namespace velor::mailserver::ldap
