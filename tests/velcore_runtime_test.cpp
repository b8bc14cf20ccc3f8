// The runtime library's process-wide services: the About sheet, the resource language with its
// optional language library, and the regular-expression exports.
#include "shared/AccountSettings.h"
#include "ScriptServer.h"
#include "WindowDriver.h"

#include <winsock2.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <regex.h>
#undef regcomp
#undef regexec
#undef regerror
#undef regfree

using velor::AccountSettings;
using namespace velor::testing;

namespace {

class Velcore : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryA("Velcore.dll");
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override { FreeLibrary(module); }

    template <typename F>
    F bind(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }

    HMODULE module = nullptr;
};

}  // namespace

TEST_F(Velcore, AboutShowsTheLibraryVersion) {
    auto about = bind<HRESULT(WINAPI*)(DWORD, HWND)>("VlAbout");
    ASSERT_NE(about, nullptr);
    std::string version, page;
    Driver driver([&] {
        HWND sheet = WaitForWindow("About Velor Outlook Express Extensions");
        ASSERT_NE(sheet, nullptr);
        HWND general = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        ASSERT_NE(general, nullptr);
        version = ControlText(general, 401);
        Press(sheet, IDOK);
    });
    EXPECT_EQ(about(0, nullptr), S_OK);
    EXPECT_EQ(version, "Velor Outlook Express Extensions Runtime Library,\nversion 1.0.117.0");
}

TEST_F(Velcore, ALanguageLibraryBesideVelcoreProvidesTheTexts) {
    auto init = bind<HRESULT(WINAPI*)(DWORD, WORD)>("VlInit");
    auto setAllRead = bind<HRESULT(WINAPI*)(AccountSettings*, const char*)>("VlSetAllRead");
    // The library for 0x405 is built beside Velcore by this test's build; there is none for 0x407.
    AccountSettings account;
    account.host = "127.0.0.1";
    account.useSpa = 1;  // refused after the greeting, with a message
    for (WORD language : {WORD(0x407), WORD(0x405)}) {
        ASSERT_EQ(init(0, language), S_OK);
        ScriptServer server;
        account.port = server.port();
        server.Start("* OK ready\r\n", {});
        std::string caption = language == 0x405 ? "Velor Rozsireni" : "Velor Outlook Express Extensions";
        std::string text;
        Driver driver([&] {
            text = AnswerMessageBox(caption, IDOK);
        });
        EXPECT_EQ(setAllRead(&account, "Inbox"), E_INVALIDARG);
        EXPECT_EQ(server.Received(), "");
        EXPECT_EQ(text, language == 0x405 ? "Overeni SPA neni podporovano."
                                          : "The Secure Password Authentication is not supported.");
    }
}

TEST_F(Velcore, WhatTheLanguageLibraryLacksComesFromVelcoreAndLanguageZeroGoesBack) {
    auto init = bind<HRESULT(WINAPI*)(DWORD, WORD)>("VlInit");
    auto setAllRead = bind<HRESULT(WINAPI*)(AccountSettings*, const char*)>("VlSetAllRead");
    // The library for 0x405 has two strings and no dialog.
    ASSERT_EQ(init(0, 0x405), S_OK);
    AccountSettings account;
    account.host = "127.0.0.1";
    account.user = "anna";
    account.password = "secret";
    ScriptServer server;
    account.port = server.port();
    server.Start("* OK ready\r\n", {{"A000 NO wrong\r\n"}});
    std::string refused, logonTitle;
    Driver driver([&] {
        refused = AnswerMessageBox("Velor Rozsireni", IDOK);
        HWND dialog = WaitForWindow("Logon - 127.0.0.1");
        ASSERT_NE(dialog, nullptr);
        logonTitle = WindowText(dialog);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(setAllRead(&account, "Inbox"), 1);  // the dialog came, and was cancelled
    EXPECT_EQ(refused, "The user name or password is incorrect.");
    EXPECT_EQ(server.Received(), "A000 LOGIN anna secret\r\n");

    // The top-level folder names come from Velcore too: "Inbox" still goes out as INBOX.
    server.Start("* OK ready\r\n", {{"A000 OK\r\n"}, {"A000 OK\r\n"}, {"A000 OK\r\n"}});
    EXPECT_EQ(setAllRead(&account, "Inbox"), S_OK);
    EXPECT_NE(server.Received().find("A000 SELECT \"INBOX\"\n"), std::string::npos);

    // Language 0 goes back to Velcore's own texts.
    ASSERT_EQ(init(0, 0), S_OK);
    account.useSpa = 1;
    server.Start("* OK ready\r\n", {});
    std::string text;
    Driver english([&] {
        text = AnswerMessageBox("Velor Outlook Express Extensions", IDOK);
    });
    EXPECT_EQ(setAllRead(&account, "Inbox"), E_INVALIDARG);
    EXPECT_EQ(text, "The Secure Password Authentication is not supported.");
}

TEST_F(Velcore, CarriesTheRuleCataloguesTextsInItsStringTable) {
    struct Text {
        unsigned id;
        const char* text;
    };
#define VELOR_STRING(name, id, text) {id, text},
    const Text texts[] = {
#include "velcore/rules/RuleStrings.def"
    };
#undef VELOR_STRING
    ASSERT_GT(sizeof texts / sizeof texts[0], 30u);
    for (const Text& t : texts) {
        char buffer[512] = "";
        LoadStringA(module, t.id, buffer, sizeof buffer);
        EXPECT_STREQ(buffer, t.text) << "string " << t.id;
    }
}

TEST_F(Velcore, RegularExpressionExportsAreThePosixFunctions) {
    auto comp = bind<int (*)(regex_t*, const char*, int)>("regcomp");
    auto exec = bind<int (*)(const regex_t*, const char*, size_t, regmatch_t*, int)>("regexec");
    auto error = bind<size_t (*)(int, const regex_t*, char*, size_t)>("regerror");
    auto release = bind<void (*)(regex_t*)>("regfree");
    ASSERT_TRUE(comp && exec && error && release);
    regex_t pattern;
    ASSERT_EQ(comp(&pattern, "^Re: *\\(.*\\)$", 0), 0);
    regmatch_t match[2];
    ASSERT_EQ(exec(&pattern, "Re:  Budget", 2, match, 0), 0);
    EXPECT_EQ(match[1].rm_so, 5);
    EXPECT_EQ(exec(&pattern, "Fwd: Budget", 2, match, 0), REG_NOMATCH);
    release(&pattern);
    int code = comp(&pattern, "a\\{1", 0);
    ASSERT_NE(code, 0);
    char text[128] = "";
    EXPECT_GT(error(code, &pattern, text, sizeof text), 1u);
    EXPECT_NE(text[0], '\0');
    // The wrapper class's methods are exported under their C++ names.
    EXPECT_NE(GetProcAddress(module, "_ZN7Regex_T7regcompEPKci"), nullptr);
    EXPECT_NE(GetProcAddress(module, "_ZN7Regex_T7regexecEPKcjP10regmatch_ti"), nullptr);
    EXPECT_NE(GetProcAddress(module, "_ZN7Regex_T8regerrorEiPcj"), nullptr);
}
