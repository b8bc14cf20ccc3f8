// Account values into AccountSettings: defaults, types that count, overlong texts, and the
// password reference checked before the store is asked.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "velhook/AccountValues.h"
#include "velhook/Scrambled.h"

namespace velor::velhook {
namespace {

class Values : public AccountValueSource {
public:
    AccountValue Get(const char* name) const override {
        auto it = values.find(name);
        return it == values.end() ? AccountValue{} : it->second;
    }
    void Text(const char* name, const std::string& text, std::uint32_t type = kRegSz) {
        AccountValue v{true, type, std::vector<std::uint8_t>(text.begin(), text.end())};
        v.data.push_back(0);
        values[name] = v;
    }
    void Dword(const char* name, std::uint32_t n, std::uint32_t type = kRegDword) {
        AccountValue v{true, type, std::vector<std::uint8_t>(4)};
        std::memcpy(v.data.data(), &n, 4);
        values[name] = v;
    }
    void Binary(const char* name, std::vector<std::uint8_t> bytes) { values[name] = {true, kRegBinary, bytes}; }
    std::map<std::string, AccountValue> values;
};

PasswordReader Store(const std::string& password, int* asked) {
    return [=](std::string* out) {
        ++*asked;
        *out = password;
        return 0;
    };
}

TEST(AccountValues, DefaultsWhenNothingIsSet) {
    Values v;
    int asked = 0;
    std::int32_t status = 0;
    auto s = ReadAccountSettings(v, Store("x", &asked), &status);
    ASSERT_TRUE(s);
    EXPECT_TRUE(s->host.empty());
    EXPECT_TRUE(s->user.empty());
    EXPECT_TRUE(s->password.empty());
    EXPECT_EQ(s->timeoutSeconds, 30u);
    EXPECT_EQ(s->port, 143u);
    EXPECT_EQ(s->useSsl, 0);
    EXPECT_EQ(s->useSpa, 0);
    EXPECT_EQ(s->rememberPassword, 0);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(static_cast<std::uint32_t>(status), 0x80070002u);
}

TEST(AccountValues, EveryValueThatExistsOverridesItsDefault) {
    Values v;
    v.Text(kImapServerValue, "imap.example");
    v.Text(kImapUserValue, "anna", kRegExpandSz);
    v.Dword(kImapPortValue, 993);
    v.Dword(kImapTimeoutValue, 0);  // passed on unchanged
    v.Dword(kImapSecureValue, 2);
    v.Dword(kImapSpaValue, 1);
    v.Binary(kImapPasswordValue, {1, 2, 0xAA});
    int asked = 0;
    auto s = ReadAccountSettings(v, Store("secret", &asked));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->host.str(), "imap.example");
    EXPECT_EQ(s->user.str(), "anna");
    EXPECT_EQ(s->password.str(), "secret");
    EXPECT_EQ(s->port, 993u);
    EXPECT_EQ(s->timeoutSeconds, 0u);
    EXPECT_EQ(s->useSsl, 1);
    EXPECT_EQ(s->useSpa, 1);
    EXPECT_EQ(asked, 1);
}

TEST(AccountValues, MistypedValuesAndBadReferencesKeepDefaults) {
    Values v;
    v.Text(kImapPortValue, "993");                 // a string port does not count
    v.Dword(kImapTimeoutValue, 60, kRegBinary);    // nor a binary one
    v.Text(kImapServerValue, std::string(260, 'h'));  // overlong: not taken, not cut
    int asked = 0;
    std::int32_t status = 0;
    for (auto bytes : {std::vector<std::uint8_t>{1}, std::vector<std::uint8_t>{2, 1, 0}, std::vector<std::uint8_t>{}}) {
        v.Binary(kImapPasswordValue, bytes);
        auto s = ReadAccountSettings(v, Store("secret", &asked), &status);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->port, 143u);
        EXPECT_EQ(s->timeoutSeconds, 30u);
        EXPECT_TRUE(s->host.empty());
        EXPECT_TRUE(s->password.empty());
        EXPECT_EQ(static_cast<std::uint32_t>(status), 0x8007000Du);
    }
    v.Text(kImapPasswordValue, "\x01\x02");  // the right bytes as a string are no reference either
    ReadAccountSettings(v, Store("secret", &asked), &status);
    EXPECT_EQ(static_cast<std::uint32_t>(status), 0x8007000Du);
    EXPECT_EQ(asked, 0) << "the store is asked only for a well-formed reference";

    // A store that fails leaves the password empty and says why.
    v.Binary(kImapPasswordValue, {1, 2});
    auto s = ReadAccountSettings(v, [](std::string*) { return static_cast<std::int32_t>(0x80070002u); }, &status);
    EXPECT_TRUE(s->password.empty());
    EXPECT_EQ(static_cast<std::uint32_t>(status), 0x80070002u);
}

TEST(AccountValues, TextsStopAtTheirZeroAndAtTheLimit) {
    std::string out;
    AccountValue v{true, kRegSz, {'a', 'b', 0, 'c'}};
    EXPECT_TRUE(AccountText(v, &out));
    EXPECT_EQ(out, "ab");
    AccountValue unterminated{true, kRegSz, std::vector<std::uint8_t>(259, 'x')};
    EXPECT_TRUE(AccountText(unterminated, &out));
    EXPECT_EQ(out.size(), 259u);
    unterminated.data.push_back('x');
    EXPECT_FALSE(AccountText(unterminated, &out));
    EXPECT_FALSE(AccountText(AccountValue{true, kRegDword, {1, 0, 0, 0}}, &out));
}

TEST(Scrambled, NamesComeBackOnlyIntoABufferThatHoldsThem) {
    constexpr auto name = Scramble("TrackPopupMenu");
    char buffer[17];
    ASSERT_TRUE(name.Unscramble(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "TrackPopupMenu");
    EXPECT_NE(std::memcmp(name.bytes.data(), "TrackPopupMenu", 14), 0) << "stored in plain text";
    char small[14];
    EXPECT_FALSE(name.Unscramble(small, sizeof small));
}

}  // namespace
}  // namespace velor::velhook
