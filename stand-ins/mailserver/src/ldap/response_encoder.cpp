#include "ldap/response_encoder.h"

#include <ldap.h>

#include <memory>
#include <stdexcept>

namespace velor::mailserver::ldap {
namespace {

struct BerFree {
  void operator()(BerElement* ber) const { ber_free(ber, 1); }
};
using Ber = std::unique_ptr<BerElement, BerFree>;

Ber newBer() {
  Ber ber(ber_alloc_t(LBER_USE_DER));
  if (!ber) throw std::bad_alloc();
  return ber;
}

void check(int rc) {
  if (rc == -1) throw std::runtime_error("liblber could not encode a reply");
}

void flattenInto(std::string& reply, BerElement* ber) {
  berval flat{};
  check(ber_flatten2(ber, &flat, 0));
  reply.append(flat.bv_val, flat.bv_len);
}

berval view(const std::string& s) { return {static_cast<ber_len_t>(s.size()), const_cast<char*>(s.data())}; }

}  // namespace

void appendResult(std::string& reply, int messageId, unsigned long responseTag, int code,
                  const std::string& matchedDn, const std::string& message) {
  Ber ber = newBer();
  berval matched = view(matchedDn), text = view(message);
  check(ber_printf(ber.get(), "{it{eOO}}", messageId, static_cast<ber_tag_t>(responseTag), code, &matched, &text));
  flattenInto(reply, ber.get());
}

void appendEntry(std::string& reply, int messageId, const std::string& dn, const std::vector<Attribute>& attributes,
                 bool typesOnly) {
  Ber ber = newBer();
  berval name = view(dn);
  check(ber_printf(ber.get(), "{it{O{", messageId, static_cast<ber_tag_t>(LDAP_RES_SEARCH_ENTRY), &name));
  for (const auto& attribute : attributes) {
    berval type = view(attribute.name);
    check(ber_printf(ber.get(), "{O[", &type));
    if (!typesOnly)
      for (const auto& value : attribute.values) {
        berval v = view(value);
        check(ber_printf(ber.get(), "O", &v));
      }
    check(ber_printf(ber.get(), "]}"));
  }
  check(ber_printf(ber.get(), "}}}"));
  flattenInto(reply, ber.get());
}

void appendNoticeOfDisconnection(std::string& reply, int code, const std::string& message) {
  Ber ber = newBer();
  berval text = view(message);
  check(ber_printf(ber.get(), "{it{es" "Ots}}", 0, static_cast<ber_tag_t>(LDAP_RES_EXTENDED), code, "", &text,
                   static_cast<ber_tag_t>(LDAP_TAG_EXOP_RES_OID), LDAP_NOTICE_OF_DISCONNECTION));
  flattenInto(reply, ber.get());
}

}  // namespace velor::mailserver::ldap
