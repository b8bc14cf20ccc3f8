// The account record that Velhook fills from an Outlook Express account and passes by pointer
// to every Velcore operation that contacts the server. Both modules compile this one definition,
// so the field order and sizes are the interface between them.
#pragma once

#include "shared/SharedString.h"

#include <cstdint>

namespace velor {

constexpr std::uint32_t kDefaultTimeoutSeconds = 30;
constexpr std::uint32_t kDefaultImapPort = 143;

struct AccountSettings {
    SharedString host;                       // host name or dotted address
    SharedString user;                       // first argument of LOGIN
    SharedString password;                   // second argument of LOGIN
    std::uint8_t rememberPassword = 0;       // the only field Velcore writes back (logon dialog)
    std::uint8_t useSpa = 0;                 // Secure Password Authentication: refused by Velcore
    std::uint32_t timeoutSeconds = kDefaultTimeoutSeconds;  // one wait before the user is asked
    std::uint32_t port = kDefaultImapPort;
    std::uint8_t useSsl = 0;                 // wrap the connection in TLS right after connecting
};

}  // namespace velor
