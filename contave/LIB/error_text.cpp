#include "contave/LIB/error_text.h"

#include <cstdint>
#include <cstdio>

namespace contave {

std::optional<std::string> ErrorText(Status code) {
  const char* text = nullptr;
  switch (StatusBits(code) & kFacilityMask) {
    case kFacilityOwn:
      text = OwnErrorText(code);
      break;
    case kFacilityLdap:
      // The library's own (client-side) codes are negative and keep their sign in the low bits.
      return LdapErrorText(static_cast<std::int16_t>(StatusBits(code) & 0xFFFF));
    case kFacilityMapi:
      text = MapiErrorText(code);
      break;
    default:
      break;
  }
  if (text != nullptr) return std::string(text);
  return SystemErrorText(code);
}

std::string ErrorTextOrCode(Status code) {
  if (std::optional<std::string> text = ErrorText(code)) return *text;
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08x", static_cast<unsigned>(StatusBits(code)));
  return buffer;
}

}  // namespace contave
