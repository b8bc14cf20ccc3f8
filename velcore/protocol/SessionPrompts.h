// What the IMAP session shows the user: three messages and the logon dialog. The Windows build
// shows message boxes and dialog 4100; tests answer in code.
#pragma once

#include <cstdint>
#include <string>

namespace velor {

struct LogonRecord {
    std::string server;
    std::string user;
    std::string password;
    std::uint8_t* remember = nullptr;  // the caller's "remember password" byte, or none
};

class SessionPrompts {
public:
    virtual ~SessionPrompts() = default;
    // "The server does not support required capability (%s)."
    virtual void CapabilityMissing(const char* capability) = 0;
    // "The Secure Password Authentication is not supported."
    virtual void SpaNotSupported() = 0;
    // "The user name or password is incorrect."
    virtual void PasswordRefused() = 0;
    // The logon dialog; true when the user chose OK, with the record updated.
    virtual bool AskLogon(LogonRecord& record) = 0;
};

}  // namespace velor
