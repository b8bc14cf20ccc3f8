// The account record and its text type are an interface between two separately linked modules:
// these tests pin what the other side relies on.
#include "shared/AccountSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

using velor::AccountSettings;
using velor::SharedString;

TEST(AccountSettings, DefaultsAreAnEmptyAccountOnPort143With30Seconds) {
    AccountSettings settings;
    EXPECT_STREQ(settings.host.c_str(), "");
    EXPECT_STREQ(settings.user.c_str(), "");
    EXPECT_STREQ(settings.password.c_str(), "");
    EXPECT_EQ(settings.rememberPassword, 0);
    EXPECT_EQ(settings.useSpa, 0);
    EXPECT_EQ(settings.timeoutSeconds, 30u);
    EXPECT_EQ(settings.port, 143u);
    EXPECT_EQ(settings.useSsl, 0);
}

TEST(SharedString, TheObjectIsThePointerToItsCharacters) {
    SharedString text("imap.example.com");
    // Callers hand over the address of a text object where a char** is expected.
    char** asPointer = reinterpret_cast<char**>(&text);
    EXPECT_EQ(*asPointer, text.c_str());
    EXPECT_STREQ(*asPointer, "imap.example.com");
    EXPECT_EQ(text.size(), 16u);
}

TEST(SharedString, CopiesShareOneBlockUntilTheLastGoes) {
    SharedString a("secret");
    EXPECT_EQ(a.useCount(), 1);
    {
        SharedString b = a;
        SharedString c;
        c = b;
        EXPECT_EQ(a.c_str(), c.c_str());
        EXPECT_EQ(a.useCount(), 3);
    }
    EXPECT_EQ(a.useCount(), 1);
    SharedString moved = std::move(a);
    EXPECT_EQ(moved.useCount(), 1);
    EXPECT_STREQ(moved.c_str(), "secret");
    EXPECT_TRUE(a.empty());  // NOLINT: a moved-from text is empty and still usable
    moved = moved;           // self-assignment keeps the text
    EXPECT_STREQ(moved.c_str(), "secret");
    moved = SharedString("other");
    EXPECT_STREQ(moved.c_str(), "other");
}

TEST(SharedString, KeepsEveryByteOfItsText) {
    const char raw[] = {'a', '\0', 'b'};
    SharedString text(raw, sizeof raw);
    EXPECT_EQ(text.size(), 3u);
    EXPECT_EQ(std::memcmp(text.c_str(), raw, 3), 0);
    EXPECT_EQ(text.c_str()[3], '\0');
    EXPECT_TRUE(SharedString(static_cast<const char*>(nullptr)).empty());
    EXPECT_EQ(SharedString("x"), std::string_view("x"));
}
