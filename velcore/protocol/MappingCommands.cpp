#include "velcore/protocol/MappingCommands.h"

#include "velcore/protocol/ImapText.h"
#include "velcore/protocol/ReplyTokens.h"
#include "velcore/protocol/Session.h"
#include "velcore/protocol/Status.h"
#include "velcore/protocol/TextConversion.h"

#include <algorithm>

namespace velor {
namespace {

constexpr std::string_view kListLinePrefix = "X-LISTMAP ";
constexpr std::string_view kPublicRoot = "#public";
constexpr char kOwnFolderMark = '~';
constexpr char kNamespaceMark = '#';

bool isControl(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

bool hasControl(const std::string& text) { return std::any_of(text.begin(), text.end(), isControl); }

std::string quoted(std::string_view text) { return "\"" + imap::QuotedContent(text) + "\""; }

}  // namespace

FolderMappingKind MappingKindOf(std::string_view wireFolder) {
    if (wireFolder.empty() || wireFolder.front() != kNamespaceMark) return kMappingOwnFolder;
    return wireFolder == kPublicRoot ? kMappingPublicRoot : kMappingNamespace;
}

std::vector<FolderMapping> ParseMappingReply(std::string_view response, const FolderNames& names) {
    std::vector<FolderMapping> mappings;
    std::string alias, folder, extra;
    while (!response.empty()) {
        std::size_t lf = response.find('\n');
        std::string_view line = imap::Trimmed(response.substr(0, lf));
        response = lf == std::string_view::npos ? std::string_view() : response.substr(lf + 1);
        if (line.substr(0, kListLinePrefix.size()) != kListLinePrefix) continue;
        line.remove_prefix(kListLinePrefix.size());
        if (imap::NextToken(line, alias) != imap::TokenStatus::kToken ||
            imap::NextToken(line, folder) != imap::TokenStatus::kToken ||
            imap::NextToken(line, extra) != imap::TokenStatus::kEnd || alias.empty() || folder.empty())
            continue;
        std::string display = names.WireToDisplay(folder);
        if (!display.empty() && display.front() == kOwnFolderMark) display.erase(0, 1);
        std::string aliasText = FromWireName(alias);
        if (display.empty() || aliasText.empty() || hasControl(display) || hasControl(aliasText)) continue;
        mappings.push_back({MappingKindOf(folder), SharedString(display), SharedString(aliasText)});
    }
    return mappings;
}

std::int32_t ListMappings(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                          const FolderNames& names, std::vector<FolderMapping>& mappings) {
    mappings.clear();
    std::string response;
    std::int32_t result = SingleCommandSession(transport, account, prompts, kListMappingsCommand, &response, nullptr);
    // A refused or failed list reports nothing: half a list would read as the whole of it.
    if (result == status::kOk) mappings = ParseMappingReply(response, names);
    return result;
}

std::int32_t AddMapping(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                        const FolderNames& names, std::string_view folder, std::string_view alias) {
    folder = imap::Trimmed(folder);
    alias = imap::Trimmed(alias);
    if (folder.empty() || alias.empty() || !imap::FitsInCommand(folder) || !imap::FitsInCommand(alias))
        return status::kInvalidArg;
    std::string wireFolder = names.DisplayToWire(folder);
    if (wireFolder.front() != kNamespaceMark && wireFolder.front() != kOwnFolderMark)
        wireFolder.insert(wireFolder.begin(), kOwnFolderMark);
    const std::string wireAlias = ToWireName(alias);
    if (!imap::FitsInCommand(wireFolder) || !imap::FitsInCommand(wireAlias)) return status::kInvalidArg;
    return SingleCommandSession(transport, account, prompts, "X-SETMAP " + quoted(wireAlias) + " " + quoted(wireFolder),
                                nullptr, nullptr);
}

std::int32_t RemoveMapping(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                           std::string_view alias) {
    alias = imap::Trimmed(alias);
    if (alias.empty() || !imap::FitsInCommand(alias)) return status::kInvalidArg;
    const std::string wireAlias = ToWireName(alias);
    if (!imap::FitsInCommand(wireAlias)) return status::kInvalidArg;
    return SingleCommandSession(transport, account, prompts, "X-DELETEMAP " + quoted(wireAlias), nullptr, nullptr);
}

}  // namespace velor
