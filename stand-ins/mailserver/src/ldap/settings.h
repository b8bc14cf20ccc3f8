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

// An answer a test forces in place of an operation's own: the n-th request of that kind since
// the server started (0: every one) is not carried out and gets the result code, or a response of
// another type than the request asks for.
struct ResultFault {
  std::string on;  // SEARCH, ADD, MODIFY or DELETE
  int nth = 0;
  int code = 0;          // e.g. 51 busy, 52 unavailable, 80 other
  bool wrongType = false;
};

struct LdapSettings {
  AddMatched addMatched = AddMatched::Entry;
  std::vector<FaultRule> faults;  // on=BIND, SEARCH, ADD, MODIFY or DELETE; empty: every reply
  std::vector<ResultFault> results;
  std::string controlPath;  // --ldap-control: changes applied at run time
};

// The forced answer for this request, counting it; none when the operation runs as usual.
std::optional<ResultFault> takeResultFault(const LdapSettings& settings, const std::string& operation);

std::optional<AddMatched> parseAddMatched(const std::string& text);
std::string addMatchedName(AddMatched mode);

}  // namespace velor::mailserver::ldap
