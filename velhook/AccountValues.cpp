#include "velhook/AccountValues.h"

#include <cstring>
#include <new>

namespace velor::velhook {
namespace {

constexpr std::int32_t kErrorFileNotFound = static_cast<std::int32_t>(0x80070002u);
constexpr std::int32_t kErrorInvalidData = static_cast<std::int32_t>(0x8007000Du);

}  // namespace

bool AccountText(const AccountValue& value, std::string* out) {
    if (!value.present || (value.type != kRegSz && value.type != kRegExpandSz)) return false;
    const char* chars = reinterpret_cast<const char*>(value.data.data());
    std::size_t length = 0;
    while (length < value.data.size() && chars[length]) ++length;
    if (length >= kMaxAccountText) return false;
    out->assign(chars, length);
    return true;
}

bool AccountDword(const AccountValue& value, std::uint32_t* out) {
    if (!value.present || value.type != kRegDword || value.data.size() != 4) return false;
    std::memcpy(out, value.data.data(), 4);
    return true;
}

std::int32_t PasswordReferenceStatus(const AccountValue& value) {
    if (!value.present) return kErrorFileNotFound;
    if (value.type != kRegBinary || value.data.size() < 2 || value.data[0] != 1 || value.data[1] != 2)
        return kErrorInvalidData;
    return 0;
}

std::unique_ptr<AccountSettings> ReadAccountSettings(const AccountValueSource& source, const PasswordReader& readPassword,
                                                     std::int32_t* passwordStatus) {
    std::unique_ptr<AccountSettings> s(new (std::nothrow) AccountSettings);
    if (!s) return nullptr;
    std::string text;
    if (AccountText(source.Get(kImapServerValue), &text)) s->host = SharedString(text);
    if (AccountText(source.Get(kImapUserValue), &text)) s->user = SharedString(text);
    std::uint32_t n = 0;
    if (AccountDword(source.Get(kImapSpaValue), &n)) s->useSpa = n != 0;
    if (AccountDword(source.Get(kImapTimeoutValue), &n)) s->timeoutSeconds = n;
    if (AccountDword(source.Get(kImapPortValue), &n)) s->port = n;
    if (AccountDword(source.Get(kImapSecureValue), &n)) s->useSsl = n != 0;
    std::int32_t status = PasswordReferenceStatus(source.Get(kImapPasswordValue));
    if (status == 0) {
        std::string password;
        status = readPassword ? readPassword(&password) : kErrorFileNotFound;
        if (status == 0) s->password = SharedString(password);
    }
    if (passwordStatus) *passwordStatus = status;
    return s;
}

}  // namespace velor::velhook
