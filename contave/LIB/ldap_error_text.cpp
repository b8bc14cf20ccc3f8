// The directory's texts are the client library's own.
#include <ldap.h>

#include "contave/LIB/error_text.h"

namespace contave {

std::optional<std::string> LdapErrorText(int resultCode) {
  // A change that got no answer in time is reported with the old time-out number 85, which the
  // library no longer names; it is the library's own time-out.
  if (resultCode == 0x55) resultCode = LDAP_TIMEOUT;
  const char* text = ldap_err2string(resultCode);
  if (text == nullptr || *text == '\0') return std::nullopt;
  return std::string(text);
}

}  // namespace contave
