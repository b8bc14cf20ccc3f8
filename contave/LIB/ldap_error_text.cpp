// The directory's texts are the client library's own.
#include <ldap.h>

#include "contave/LIB/error_text.h"

namespace contave {

std::optional<std::string> LdapErrorText(int resultCode) {
  const char* text = ldap_err2string(resultCode);
  if (text == nullptr || *text == '\0') return std::nullopt;
  return std::string(text);
}

}  // namespace contave
