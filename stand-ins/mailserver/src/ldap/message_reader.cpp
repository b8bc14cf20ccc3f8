#include "ldap/message_reader.h"

#include <ldap.h>

#include <cerrno>

namespace velor::mailserver::ldap {
namespace {

int ioSetup(Sockbuf_IO_Desc* sbiod, void* connection) {
  sbiod->sbiod_pvt = connection;
  return 0;
}
int ioRemove(Sockbuf_IO_Desc*) { return 0; }
int ioControl(Sockbuf_IO_Desc*, int, void*) { return 0; }
int ioClose(Sockbuf_IO_Desc*) { return 0; }

// A blocking read: the session thread has nothing else to do until the client speaks.
ber_slen_t ioRead(Sockbuf_IO_Desc* sbiod, void* buffer, ber_len_t length) {
  auto* connection = static_cast<Connection*>(sbiod->sbiod_pvt);
  return static_cast<ber_slen_t>(connection->receive(static_cast<char*>(buffer), length));
}

// Replies go out through the session's delivery path (with its fault rules), never this way.
ber_slen_t ioWrite(Sockbuf_IO_Desc*, void*, ber_len_t) {
  errno = EIO;
  return -1;
}

Sockbuf_IO kConnectionIo = {ioSetup, ioRemove, ioControl, ioRead, ioWrite, ioClose};

}  // namespace

MessageReader::MessageReader(Connection& connection) {
  sockbuf_ = ber_sockbuf_alloc();
  if (!sockbuf_) return;
  ber_sockbuf_add_io(sockbuf_, &kConnectionIo, LBER_SBIOD_LEVEL_PROVIDER, &connection);
  ber_len_t max = kMaxMessageBytes;
  ber_sockbuf_ctrl(sockbuf_, LBER_SB_OPT_SET_MAX_INCOMING, &max);
}

MessageReader::~MessageReader() {
  if (sockbuf_) ber_sockbuf_free(sockbuf_);
}

BerMessage MessageReader::next() {
  if (!sockbuf_) return nullptr;
  BerMessage message(ber_alloc_t(0));
  if (!message) return nullptr;
  for (;;) {
    ber_len_t length = 0;
    errno = 0;
    const ber_tag_t tag = ber_get_next(sockbuf_, &length, message.get());
    if (tag == LDAP_TAG_MESSAGE) return message;
    if (tag != LBER_DEFAULT) return nullptr;  // some other element: the framing is lost
    // A message that has arrived in part: ber_get_next keeps what it has and wants more.
    if (errno != EWOULDBLOCK && errno != EAGAIN) return nullptr;
  }
}

}  // namespace velor::mailserver::ldap
