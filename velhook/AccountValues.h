// How an Outlook Express account's values become an AccountSettings record: the defaults, which
// values count (a number only as REG_DWORD), and the check of the password reference before the
// password store is asked. Portable: the values come through a small source interface.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shared/AccountSettings.h"

namespace velor::velhook {

inline constexpr std::uint32_t kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4;
inline constexpr std::size_t kMaxAccountText = 260;  // bytes of a text value we take

struct AccountValue {
    bool present = false;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

class AccountValueSource {
public:
    virtual ~AccountValueSource() = default;
    virtual AccountValue Get(const char* name) const = 0;
};

// A text value: REG_SZ or REG_EXPAND_SZ (taken as written) of at most kMaxAccountText bytes up to
// its terminating zero; false for anything else, so an overlong name never matches by its prefix.
bool AccountText(const AccountValue& value, std::string* out);
// A number: only a REG_DWORD of four bytes counts.
bool AccountDword(const AccountValue& value, std::uint32_t* out);

// The status of the password reference "IMAP Password2": 0 when it can be handed to the store
// (REG_BINARY of at least 2 bytes starting with 1, 2); ERROR_INVALID_DATA as an HRESULT when it is
// something else; ERROR_FILE_NOT_FOUND as an HRESULT when it is missing.
std::int32_t PasswordReferenceStatus(const AccountValue& value);

// Reads the store's password for the account; returns 0 and the password, or a failure.
using PasswordReader = std::function<std::int32_t(std::string* password)>;

// Fills a new record from the account's values. A missing or mistyped value keeps its default;
// a password that cannot be read stays empty (its status goes to *passwordStatus when asked).
std::unique_ptr<AccountSettings> ReadAccountSettings(const AccountValueSource& source, const PasswordReader& readPassword,
                                                     std::int32_t* passwordStatus = nullptr);

inline constexpr char kAccountNameValue[] = "Account Name";
inline constexpr char kImapServerValue[] = "IMAP Server";
inline constexpr char kImapUserValue[] = "IMAP User Name";
inline constexpr char kImapPasswordValue[] = "IMAP Password2";
inline constexpr char kImapPortValue[] = "IMAP Port";
inline constexpr char kImapTimeoutValue[] = "IMAP Timeout";
inline constexpr char kImapSecureValue[] = "IMAP Secure Connection";
inline constexpr char kImapSpaValue[] = "IMAP Use Sicily";
inline constexpr char kVelorExtValue[] = "Velor Ext";

}  // namespace velor::velhook
