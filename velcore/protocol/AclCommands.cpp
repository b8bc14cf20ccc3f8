#include "velcore/protocol/AclCommands.h"

#include "velcore/protocol/ImapText.h"
#include "velcore/protocol/ReplyTokens.h"
#include "velcore/protocol/Session.h"
#include "velcore/protocol/Status.h"
#include "velcore/protocol/TextConversion.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace velor {
namespace {

constexpr const char kAclCapability[] = "ACL";
constexpr std::string_view kAclLinePrefix = "ACL ";

// The AclEntry texts are fixed-size buffers that a caller filled: read them only up to their
// size, so an unterminated one is seen as such instead of read past.
bool terminatedText(const char* text, std::size_t size, std::string_view& out) {
    const void* zero = std::memchr(text, '\0', size);
    if (!zero) return false;
    out = std::string_view(text, static_cast<const char*>(zero) - text);
    return true;
}

// The text up to its zero, or the whole buffer when it has none.
std::string_view boundedText(const char* text, std::size_t size) {
    const void* zero = std::memchr(text, '\0', size);
    return std::string_view(text, zero ? static_cast<const char*>(zero) - text : size);
}

bool isControl(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

// The identifier as the server knows it: without the deletion mark, groups in brackets, in the
// wire form.
std::string wireIdentifier(const AclEntry& entry, std::string_view identifier) {
    if (!identifier.empty() && identifier.front() == kAclDeletionMark) identifier.remove_prefix(1);
    std::string id(identifier);
    if (entry.kind == kAclGroup) id = "[" + id + "]";
    return ToWireName(id);
}

// The identifier as it is, groups in brackets, in the wire form.
std::string plainWireIdentifier(const AclEntry& entry, std::string_view identifier) {
    std::string id(identifier);
    if (entry.kind == kAclGroup) id = "[" + id + "]";
    return ToWireName(id);
}

std::string quoted(std::string_view text) { return "\"" + imap::QuotedContent(text) + "\""; }

bool folderFits(const FolderNames& names, const char* folder, std::string& wire) {
    if (!folder || !imap::FitsInCommand(folder)) return false;
    wire = names.DisplayToWire(folder);
    return imap::FitsInCommand(wire);
}

// Builds the entry of one pair; false when the identifier cannot be held or sent back.
bool makeEntry(const std::string& wireId, const std::string& letters, bool first, AclEntry& entry) {
    std::string id = FromWireName(wireId);
    entry = AclEntry{};
    entry.kind = kAclUser;
    if (id.size() >= 2 && id.front() == '[' && id.back() == ']') {
        id = id.substr(1, id.size() - 2);
        entry.kind = kAclGroup;
    }
    if (id.empty() || id.size() >= kAclIdentifierSize || std::any_of(id.begin(), id.end(), isControl) ||
        std::any_of(letters.begin(), letters.end(), isControl))
        return false;
    std::memcpy(entry.identifier, id.data(), id.size());
    std::size_t n = std::min(letters.size(), kAclRightsSize - 1);
    for (std::size_t i = 0; i < n; ++i)
        entry.rights[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(letters[i])));
    entry.mask = AclMask(entry.rights);
    if (first && entry.kind != kAclGroup && (entry.mask & kAclAdminBit)) entry.kind = kAclOwner;
    return true;
}

std::int32_t openAndLogon(Transport& transport, AccountSettings& account, SessionPrompts& prompts) {
    std::int32_t result = OpenSession(transport, account, prompts, kAclCapability);
    if (result == status::kOk) result = Logon(transport, account, prompts, true, &account.rememberPassword);
    if (result != status::kOk) transport.Close();
    return result;
}

}  // namespace

std::uint16_t AclMask(std::string_view letters) {
    std::uint16_t mask = 0;
    for (char c : letters) {
        char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (const AclRight& right : kAclRights) {
            if (right.letter == lower) mask |= right.bit;
        }
    }
    return mask;
}

std::int32_t ParseAclReply(std::string_view response, AclList& list) {
    AclListClear(list);
    bool first = true;
    std::string mailbox, id, letters;
    while (!response.empty()) {
        std::size_t lf = response.find('\n');
        std::string_view line = imap::Trimmed(response.substr(0, lf));
        response = lf == std::string_view::npos ? std::string_view() : response.substr(lf + 1);
        if (!imap::StartsWithNoCase(line, kAclLinePrefix)) continue;
        line.remove_prefix(kAclLinePrefix.size());
        bool malformed = imap::NextToken(line, mailbox) != imap::TokenStatus::kToken || mailbox.empty();
        // Every pair of the line: RFC 4314 servers send them all on one line.
        bool anyPair = false;
        while (!malformed) {
            imap::TokenStatus read = imap::NextToken(line, id);
            if (read == imap::TokenStatus::kEnd && anyPair) break;
            if (read != imap::TokenStatus::kToken || id.empty() ||
                imap::NextToken(line, letters) != imap::TokenStatus::kToken || letters.empty()) {
                malformed = true;
                break;
            }
            anyPair = true;
            AclEntry entry;
            bool usable = makeEntry(id, letters, first, entry);
            first = false;
            if (usable && !AclListAppend(list, entry)) {
                AclListClear(list);
                return status::kOutOfMemory;
            }
        }
        if (malformed) {
            AclListClear(list);
            return status::kFail;
        }
    }
    return status::kOk;
}

std::int32_t ReadAcl(Transport& transport, const FolderNames& names, const char* folder, AclList& list) {
    std::string wire;
    if (!folderFits(names, folder, wire)) return status::kInvalidArg;
    std::string response;
    std::int32_t result = ExecuteCommand(transport, "GETACL " + quoted(wire), &response);
    if (result != status::kOk) return result;
    return ParseAclReply(response, list);
}

namespace {

bool entryFits(const AclEntry& entry) {
    std::string_view id, rights;
    if (!terminatedText(entry.identifier, sizeof entry.identifier, id) ||
        !terminatedText(entry.rights, sizeof entry.rights, rights))
        return false;
    if (!imap::FitsInCommand(id) || !imap::FitsInCommand(rights)) return false;
    return imap::FitsInCommand(wireIdentifier(entry, id)) && imap::FitsInCommand(plainWireIdentifier(entry, id));
}

bool entriesFit(const std::vector<AclEntry>& entries) {
    return std::all_of(entries.begin(), entries.end(), entryFits);
}

}  // namespace

bool AclFitsInCommands(const AclList& list) {
    if (list.count > 0 && !list.entries) return false;
    for (std::uint32_t i = 0; i < list.count; ++i) {
        if (!entryFits(list.entries[i])) return false;
    }
    return true;
}

std::int32_t WriteAclChanges(Transport& transport, const FolderNames& names, const char* folder,
                             const std::vector<AclEntry>& removals, const std::vector<AclEntry>& grants) {
    std::string wire;
    if (!folderFits(names, folder, wire) || !entriesFit(removals) || !entriesFit(grants)) return status::kInvalidArg;
    const std::string wireFolder = quoted(wire);
    for (const AclEntry& entry : removals) {
        std::int32_t result = ExecuteCommand(
            transport, "DELETEACL " + wireFolder + " " + quoted(plainWireIdentifier(entry, entry.identifier)), nullptr);
        if (result != status::kOk) return result;
    }
    for (const AclEntry& entry : grants) {
        std::int32_t result = ExecuteCommand(transport,
                                             "SETACL " + wireFolder + " " +
                                                 quoted(plainWireIdentifier(entry, entry.identifier)) + " " +
                                                 quoted(entry.rights),
                                             nullptr);
        if (result != status::kOk) return result;
    }
    return status::kOk;
}

std::int32_t WriteAcl(Transport& transport, const FolderNames& names, const char* folder, AclList& list) {
    std::string wire;
    if (!folderFits(names, folder, wire) || !AclFitsInCommands(list)) return status::kInvalidArg;
    const std::string wireFolder = quoted(wire);
    for (std::uint32_t i = 0; i < list.count;) {
        const AclEntry& entry = list.entries[i];
        if (entry.identifier[0] != kAclDeletionMark) {
            ++i;
            continue;
        }
        std::int32_t result = ExecuteCommand(
            transport, "DELETEACL " + wireFolder + " " + quoted(wireIdentifier(entry, entry.identifier)), nullptr);
        if (result != status::kOk) return result;
        AclListRemove(list, i);  // the entry that moves into place i is examined next
    }
    for (std::uint32_t i = 0; i < list.count; ++i) {
        const AclEntry& entry = list.entries[i];
        std::int32_t result = ExecuteCommand(transport,
                                             "SETACL " + wireFolder + " " + quoted(wireIdentifier(entry, entry.identifier)) +
                                                 " " + quoted(entry.rights),
                                             nullptr);
        if (result != status::kOk) return result;
    }
    return status::kOk;
}

std::string RenderAcl(const AclList& list, std::string_view allText) {
    constexpr std::uint16_t kAllButSP = 0x1FF & ~0x040 & ~0x008;
    std::string text;
    for (std::uint32_t i = 0; i < list.count; ++i) {
        const AclEntry& entry = list.entries[i];
        if (entry.kind == kAclOwner) continue;
        std::string_view id = boundedText(entry.identifier, sizeof entry.identifier);
        std::string_view rights = boundedText(entry.rights, sizeof entry.rights);
        if (!text.empty()) text += ", ";
        if (entry.kind == kAclGroup) text.append("[").append(id).append("]");
        else text.append(id);
        text += " (";
        if ((entry.mask & kAllButSP) == kAllButSP) text.append(allText);
        else text.append(rights);
        text += ")";
    }
    return text;
}

std::int32_t GetFolderAcl(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                          const FolderNames& names, const char* folder, AclList& list) {
    std::string wire;
    if (!folderFits(names, folder, wire)) return status::kInvalidArg;
    std::int32_t result = openAndLogon(transport, account, prompts);
    if (result != status::kOk) return result;
    result = ReadAcl(transport, names, folder, list);
    LogoutAndClose(transport);
    return result;
}

std::int32_t SetFolderAcl(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                          const FolderNames& names, const char* folder, AclList& list) {
    std::string wire;
    if (!folderFits(names, folder, wire) || !AclFitsInCommands(list)) return status::kInvalidArg;
    std::int32_t result = openAndLogon(transport, account, prompts);
    if (result != status::kOk) return result;
    result = WriteAcl(transport, names, folder, list);
    LogoutAndClose(transport);
    return result;
}

std::int32_t SetFolderAclChanges(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                                 const FolderNames& names, const char* folder, const std::vector<AclEntry>& removals,
                                 const std::vector<AclEntry>& grants) {
    std::string wire;
    if (!folderFits(names, folder, wire) || !entriesFit(removals) || !entriesFit(grants)) return status::kInvalidArg;
    std::int32_t result = openAndLogon(transport, account, prompts);
    if (result != status::kOk) return result;
    result = WriteAclChanges(transport, names, folder, removals, grants);
    LogoutAndClose(transport);
    return result;
}

std::int32_t GetAcls(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                     const FolderNames& names, FolderAclRequests& requests) {
    if (requests.count > 0 && !requests.items) return status::kInvalidArg;
    std::int32_t result = openAndLogon(transport, account, prompts);
    if (result != status::kOk) return result;
    for (std::uint32_t i = 0; i < requests.count; ++i) {
        FolderAclRequest& request = requests.items[i];
        std::string_view folder;
        if (!request.acl || !terminatedText(request.folder, sizeof request.folder, folder)) {
            result = status::kInvalidArg;
        } else {
            result = ReadAcl(transport, names, request.folder, *request.acl);
        }
        request.result = result;
    }
    LogoutAndClose(transport);
    return result;
}

}  // namespace velor
