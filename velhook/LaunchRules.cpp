#include "velhook/LaunchRules.h"

#include <cctype>
#include <cstdio>

namespace velor::velhook {
namespace {

constexpr std::size_t kMaxPath = 260;  // characters with the terminating zero

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Fills the first four %d of the format with the numbers; every other character, and any %
// that is not followed by d, is copied as it stands.
std::string FillNumbers(const std::string& format, const unsigned (&numbers)[4]) {
    std::string out;
    int next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 'd' && next < 4) {
            out += std::to_string(numbers[next++]);
            ++i;
        } else if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

}  // namespace

LaunchSettings CombineSettings(const SettingsKey& currentUser, const SettingsKey& localMachine) {
    LaunchSettings s;
    for (const SettingsKey* key : {&currentUser, &localMachine}) {
        if (!key->opened) continue;
        if (key->enabled) s.enabled = *key->enabled != 0;
        if (key->language) s.language = static_cast<std::uint16_t>(*key->language);
        if (!s.enabled) break;
    }
    return s;
}

bool IsSupportedVersion(const FileVersion& version) {
    for (const SupportedVersion& v : kSupportedVersions)
        if (v.version == version) return true;
    return false;
}

std::uint32_t BannerForVersion(const FileVersion& version) {
    if (version.major() >= 6) return kBannerVersion6;
    if (version.major() == 5) return kBannerVersion5;
    return kBannerNone;
}

std::uint32_t ValidBanner(std::uint32_t id) {
    return id == kBannerVersion5 || id == kBannerVersion6 ? id : kBannerNone;
}

std::uint16_t ChooseLanguage(std::uint16_t setting, std::optional<std::uint16_t> translation) {
    if (setting) return setting;
    return translation.value_or(0);
}

bool IsPlausibleLanguage(std::uint16_t language) {
    return (language & 0x3FF) != 0;
}

std::string VersionText(const FileVersion& v) {
    return std::to_string(v.major()) + "." + std::to_string(v.minor()) + "." + std::to_string(v.build()) + "." +
           std::to_string(v.revision());
}

std::string UnsupportedVersionText(const std::string& firstFormat, const FileVersion& found,
                                   const std::string& secondText) {
    const unsigned parts[4] = {found.major(), found.minor(), found.build(), found.revision()};
    std::string text = FillNumbers(firstFormat, parts);
    for (const SupportedVersion& v : kSupportedVersions)
        text += VersionText(v.version) + " (" + v.label + ")\n";
    return text + secondText;
}

std::string SplitCheckBoxLine(const std::string& text, std::string* label) {
    static const char kMarker[] = "CHECKBOX:";
    label->clear();
    std::size_t at = text.rfind(kMarker);
    if (at == std::string::npos || (at > 0 && text[at - 1] != '\n')) return text;
    std::string rest = text.substr(at + sizeof kMarker - 1);
    std::size_t begin = rest.find_first_not_of(' '), end = rest.find_last_not_of("\r\n ");
    if (begin != std::string::npos && end != std::string::npos && end >= begin) *label = rest.substr(begin, end - begin + 1);
    std::string body = text.substr(0, at);
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.pop_back();
    return body;
}

std::string ProgramPath(const std::string& installRoot) {
    static const char kProgram[] = "msimn.exe";
    std::string path = installRoot;
    if (path.empty() || path.back() != '\\') path += '\\';
    path += kProgram;
    if (path.size() >= kMaxPath) return {};
    return path;
}

std::string ProgramCommandLine(const std::string& programPath, const char* parameters) {
    std::string line = "\"" + programPath + "\"";
    if (parameters && *parameters) line += std::string(" ") + parameters;
    return line;
}

bool IsShortProgramName(const std::string& file) {
    std::string f = Lower(file);
    return f == "msimn" || f == "msimn.exe";
}

}  // namespace velor::velhook
