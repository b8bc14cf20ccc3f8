// The server's side of the BER: each function appends one complete LDAPMessage, encoded by
// liblber with definite minimal lengths, to a reply buffer. A whole reply (a search's entries
// and its result) is built first and sent as one piece, so fault rules can cut it anywhere.
#pragma once

#include <string>
#include <vector>

#include "ldap/directory.h"

namespace velor::mailserver::ldap {

// An LDAPResult under the given response tag (LDAP_RES_BIND, LDAP_RES_ADD, ...).
void appendResult(std::string& reply, int messageId, unsigned long responseTag, int code,
                  const std::string& matchedDn, const std::string& message);

// A SearchResultEntry; typesOnly sends each attribute with an empty set of values.
void appendEntry(std::string& reply, int messageId, const std::string& dn, const std::vector<Attribute>& attributes,
                 bool typesOnly);

// The unsolicited notice of disconnection (message id 0) sent before the server hangs up on a
// client whose message it could not read.
void appendNoticeOfDisconnection(std::string& reply, int code, const std::string& message);

}  // namespace velor::mailserver::ldap
