// Turns one LDAPMessage, as liblber's ber_get_next leaves it (positioned after the outer
// SEQUENCE header), into a Request. Every field is read with liblber's own decoders.
#pragma once

#include <optional>

#include <lber.h>

#include "ldap/request.h"

namespace velor::mailserver::ldap {

// None when the message cannot be read: the session then ends the connection with a notice of
// disconnection, as RFC 4511 asks of a server that has lost the framing.
std::optional<Request> decodeRequest(BerElement* ber);

}  // namespace velor::mailserver::ldap
