// The decisions that the shell hook makes when a program is opened through the shell, apart from
// the Win32 calls that gather their inputs: which settings win, whether a version of Outlook
// Express is supported, which banner goes with it, which language is passed on, the warning text
// for an unlisted version, and how the program's path and command line are put together.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velor::velhook {

// One "Software\Velor\MailClientExtensions\Velhook" key as read: a value is present only when it
// exists with type REG_DWORD.
struct SettingsKey {
    bool opened = false;
    std::optional<std::uint32_t> enabled;
    std::optional<std::uint32_t> language;
};

struct LaunchSettings {
    bool enabled = true;
    std::uint16_t language = 0;
};

// HKEY_CURRENT_USER first, then HKEY_LOCAL_MACHINE; a later key overrides an earlier one, and
// reading stops once the extension is disabled, so either key can switch it off.
LaunchSettings CombineSettings(const SettingsKey& currentUser, const SettingsKey& localMachine);

struct FileVersion {
    std::uint32_t high = 0;  // major << 16 | minor
    std::uint32_t low = 0;   // build << 16 | revision
    unsigned major() const { return high >> 16; }
    unsigned minor() const { return high & 0xFFFF; }
    unsigned build() const { return low >> 16; }
    unsigned revision() const { return low & 0xFFFF; }
    friend bool operator==(const FileVersion& a, const FileVersion& b) { return a.high == b.high && a.low == b.low; }
};

struct SupportedVersion {
    FileVersion version;
    const char* label;
};

inline constexpr SupportedVersion kSupportedVersions[] = {
    {{5u << 16 | 50, 4522u << 16 | 1200}, "IE 5.50"},
    {{5u << 16 | 50, 4807u << 16 | 1700}, "IE 5.50 SP 2"},
    {{6u << 16 | 0, 2600u << 16 | 0}, "IE 6.0"},
    {{6u << 16 | 0, 2800u << 16 | 1106}, "IE 6.0 SP 1"},
    {{6u << 16 | 0, 2800u << 16 | 1123}, "IE 6.0 SP 1, Security Update"},
};

bool IsSupportedVersion(const FileVersion& version);

// Banner bitmaps shown under the splash screen.
inline constexpr std::uint32_t kBannerNone = 0;
inline constexpr std::uint32_t kBannerVersion5 = 202;
inline constexpr std::uint32_t kBannerVersion6 = 203;
std::uint32_t BannerForVersion(const FileVersion& version);
// A banner identifier read back from the shared state: anything but the three known ones is none.
std::uint32_t ValidBanner(std::uint32_t id);

// The language passed on: the setting when non-zero, else the program's first translation.
std::uint16_t ChooseLanguage(std::uint16_t setting, std::optional<std::uint16_t> translation);
// Whether a language identifier read from the shared state can be one: its primary language
// (the low ten bits) is not 0; 0 itself means "not set".
bool IsPlausibleLanguage(std::uint16_t language);

// The body of the warning for an unlisted version: the first text filled with the version, one
// line per supported version, then the second text. The format is the first text as loaded from
// the resources, with four %d for major, minor, build and revision; anything else in it is kept
// as it is, so a translated text cannot make us read arguments that are not there.
std::string UnsupportedVersionText(const std::string& firstFormat, const FileVersion& found,
                                   const std::string& secondText);
// The warning's second text ends in a line "CHECKBOX: label" that announces a check box; the
// dialog shows a real one. Splits that line off: *label receives its text (empty when there is
// no such line) and the text before it is returned without its trailing line breaks.
std::string SplitCheckBoxLine(const std::string& text, std::string* label);
// "%d.%d.%d.%d", as the warning and the remembered choice write a version.
std::string VersionText(const FileVersion& version);

// The program's path from the install folder: "\msimn.exe" appended, or "msimn.exe" when the
// folder ends in a backslash. Empty when the result would not fit a path of 260 characters.
std::string ProgramPath(const std::string& installRoot);

// The command line the program is started with: its quoted path, then the request's parameters.
std::string ProgramCommandLine(const std::string& programPath, const char* parameters);

// Whether the request names the program by its short name ("msimn" or "msimn.exe", any case).
bool IsShortProgramName(const std::string& file);

}  // namespace velor::velhook
