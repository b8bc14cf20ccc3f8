// Reads LDAP messages off a connection one at a time. The framing is liblber's own
// ber_get_next over a Sockbuf whose I/O layer reads from the Connection, so the bytes pass
// through the wire log (and TLS, were a listener to ask for it) like every other protocol's.
#pragma once

#include <memory>

#include <lber.h>

#include "net/connection.h"

namespace velor::mailserver::ldap {

struct BerElementFree {
  void operator()(BerElement* ber) const { ber_free(ber, 1); }
};
using BerMessage = std::unique_ptr<BerElement, BerElementFree>;

class MessageReader {
 public:
  explicit MessageReader(Connection& connection);
  ~MessageReader();
  MessageReader(const MessageReader&) = delete;
  MessageReader& operator=(const MessageReader&) = delete;

  // The next message, positioned after its outer SEQUENCE header; null at the end of the
  // stream, on a read error, or for a message that is not an LDAPMessage or is too large.
  BerMessage next();

 private:
  Sockbuf* sockbuf_ = nullptr;
};

// The largest message a client may send; a whole contact is a few kilobytes.
inline constexpr ber_len_t kMaxMessageBytes = 8u << 20;

}  // namespace velor::mailserver::ldap
