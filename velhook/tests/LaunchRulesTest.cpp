// The shell hook's decisions without Win32: settings precedence, the version list and banners,
// language, the warning text, the check-box line, program path and command line.
#include <gtest/gtest.h>

#include "velhook/LaunchRules.h"

namespace velor::velhook {
namespace {

SettingsKey Key(std::optional<std::uint32_t> enabled, std::optional<std::uint32_t> language = {}) {
    return SettingsKey{true, enabled, language};
}

TEST(LaunchRules, EitherKeyDisablesAndTheMachineLanguageWins) {
    EXPECT_FALSE(CombineSettings(Key(0), Key(1)).enabled);
    EXPECT_FALSE(CombineSettings(Key(1), Key(0)).enabled);
    EXPECT_TRUE(CombineSettings(Key({}), Key({})).enabled);
    EXPECT_TRUE(CombineSettings(SettingsKey{}, SettingsKey{}).enabled);
    EXPECT_EQ(CombineSettings(Key({}, 0x405), Key({}, 0x407)).language, 0x407);
    EXPECT_EQ(CombineSettings(Key({}, 0x405), Key({})).language, 0x405);
    // Reading stops at the disabling key: the machine's language is not taken then.
    LaunchSettings s = CombineSettings(Key(0, 0x405), Key(1, 0x407));
    EXPECT_FALSE(s.enabled);
    EXPECT_EQ(s.language, 0x405);
    // A key that did not open counts for nothing, whatever it holds.
    EXPECT_TRUE(CombineSettings(SettingsKey{false, 0u, 0x405u}, Key({})).enabled);
}

TEST(LaunchRules, VersionsBannersAndLanguage) {
    const FileVersion sp1{6u << 16, 2800u << 16 | 1106}, five{5u << 16, 2920u << 16}, four{4u << 16 | 72, 3612u << 16};
    EXPECT_TRUE(IsSupportedVersion(sp1));
    EXPECT_TRUE(IsSupportedVersion({5u << 16 | 50, 4807u << 16 | 1700}));
    EXPECT_FALSE(IsSupportedVersion(five));
    EXPECT_FALSE(IsSupportedVersion({6u << 16, 2800u << 16 | 1107})) << "both halves must match";
    EXPECT_FALSE(IsSupportedVersion({6u << 16 | 1, 2800u << 16 | 1106}));
    EXPECT_EQ(BannerForVersion(sp1), 203u);
    EXPECT_EQ(BannerForVersion({7u << 16, 0}), 203u);
    EXPECT_EQ(BannerForVersion(five), 202u);
    EXPECT_EQ(BannerForVersion(four), 0u);
    for (std::uint32_t id : {0u, 202u, 203u}) EXPECT_EQ(ValidBanner(id), id);
    for (std::uint32_t id : {1u, 201u, 204u, 0xFFFFFFFFu}) EXPECT_EQ(ValidBanner(id), 0u);
    EXPECT_EQ(ChooseLanguage(0x407, 0x409), 0x407);
    EXPECT_EQ(ChooseLanguage(0, 0x409), 0x409);
    EXPECT_EQ(ChooseLanguage(0, std::nullopt), 0);
    EXPECT_TRUE(IsPlausibleLanguage(0x409));
    EXPECT_TRUE(IsPlausibleLanguage(0x0009));
    EXPECT_FALSE(IsPlausibleLanguage(0));
    EXPECT_FALSE(IsPlausibleLanguage(0x0400));
}

TEST(LaunchRules, WarningListsEveryVersionAndTakesNoStrayArguments) {
    const std::string first = "Version %d.%d.%d.%d is NOT supported.\n\n", second = "\nPress OK";
    std::string text = UnsupportedVersionText(first, {5u << 16, 2920u << 16 | 7}, second);
    EXPECT_EQ(text,
              "Version 5.0.2920.7 is NOT supported.\n\n"
              "5.50.4522.1200 (IE 5.50)\n"
              "5.50.4807.1700 (IE 5.50 SP 2)\n"
              "6.0.2600.0 (IE 6.0)\n"
              "6.0.2800.1106 (IE 6.0 SP 1)\n"
              "6.0.2800.1123 (IE 6.0 SP 1, Security Update)\n"
              "\nPress OK");
    // A format with more or other conversions than it should have is shown, not expanded.
    EXPECT_EQ(UnsupportedVersionText("%d.%d.%d.%d.%d %s 100%%", {1u << 16 | 2, 3u << 16 | 4}, "").substr(0, 20),
              "1.2.3.4.%d %s 100%5.");
}

TEST(LaunchRules, CheckBoxLineBecomesTheLabel) {
    std::string label;
    EXPECT_EQ(SplitCheckBoxLine("Press Cancel\n\nCHECKBOX: Don't show this message again", &label), "Press Cancel");
    EXPECT_EQ(label, "Don't show this message again");
    EXPECT_EQ(SplitCheckBoxLine("No box here", &label), "No box here");
    EXPECT_EQ(label, "");
    // Only a line of its own announces the box.
    EXPECT_EQ(SplitCheckBoxLine("see CHECKBOX: x", &label), "see CHECKBOX: x");
    EXPECT_EQ(label, "");
}

TEST(LaunchRules, ProgramPathAndCommandLine) {
    EXPECT_EQ(ProgramPath("C:\\Program Files\\Outlook Express"), "C:\\Program Files\\Outlook Express\\msimn.exe");
    EXPECT_EQ(ProgramPath("C:\\OE\\"), "C:\\OE\\msimn.exe");
    EXPECT_EQ(ProgramPath(std::string(249, 'a')), std::string(249, 'a') + "\\msimn.exe");  // 259 characters
    EXPECT_EQ(ProgramPath(std::string(250, 'a')), "");
    EXPECT_EQ(ProgramCommandLine("C:\\OE\\msimn.exe", nullptr), "\"C:\\OE\\msimn.exe\"");
    EXPECT_EQ(ProgramCommandLine("C:\\OE\\msimn.exe", ""), "\"C:\\OE\\msimn.exe\"");
    EXPECT_EQ(ProgramCommandLine("C:\\OE\\msimn.exe", "/mailurl:mailto:a@b"), "\"C:\\OE\\msimn.exe\" /mailurl:mailto:a@b");
    EXPECT_TRUE(IsShortProgramName("MSIMN"));
    EXPECT_TRUE(IsShortProgramName("MsImn.Exe"));
    EXPECT_FALSE(IsShortProgramName("msimn.exe "));
    EXPECT_FALSE(IsShortProgramName("C:\\msimn.exe"));
}

}  // namespace
}  // namespace velor::velhook
