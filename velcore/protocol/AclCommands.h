// Access-control lists (RFC 2086/4314): GETACL into an AclList, DELETEACL and SETACL from one,
// and the one-line rendering that lists and Velhook show.
#pragma once

#include "shared/AccountSettings.h"
#include "shared/ServerRecords.h"
#include "velcore/protocol/FolderNames.h"
#include "velcore/protocol/SessionPrompts.h"
#include "velcore/protocol/Transport.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velor {

// The nine rights in lookup and rendering order, each a letter and a bit of the mask.
struct AclRight {
    char letter;
    std::uint16_t bit;
};
inline constexpr AclRight kAclRights[] = {{'l', 0x100}, {'r', 0x080}, {'s', 0x040}, {'w', 0x020}, {'i', 0x010},
                                          {'p', 0x008}, {'c', 0x004}, {'d', 0x002}, {'a', 0x001}};
inline constexpr std::uint16_t kAclAdminBit = 0x001;

// OR of the bits of the known letters; other letters set nothing.
std::uint16_t AclMask(std::string_view letters);

// Reads the response text of GETACL into the list (cleared first). Every identifier/rights pair
// of every ACL line is read, so one-pair-per-line and all-pairs-on-one-line replies give the same
// list. Tokens are atoms or quoted strings (with "\" escapes); identifiers are decoded from the
// wire form. An empty token clears the list and gives E_FAIL. Identifiers longer than 127
// characters are left out rather than cut: a cut name written back would name someone else; so
// are entries whose identifier or rights hold a control character, which no command could carry.
std::int32_t ParseAclReply(std::string_view response, AclList& list);

// GETACL for the folder (display form) into the list. A refused or failed command returns its
// result and leaves the list as it was.
std::int32_t ReadAcl(Transport& transport, const FolderNames& names, const char* folder, AclList& list);

// The page's edited list back to the server: first DELETEACL for every entry marked with a
// leading "-" (taken out of the list as it goes), then SETACL for every remaining entry. The
// first result other than 0 stops the write and is returned, so a half-applied change never
// reads as success. A text that cannot go into a command (CR, LF, NUL, an identifier without its
// terminating zero) refuses the whole write with E_INVALIDARG before anything is sent.
std::int32_t WriteAcl(Transport& transport, const FolderNames& names, const char* folder, AclList& list);

// The Sharing page's changes: DELETEACL for every removal, then SETACL for every grant, in order.
// Unlike WriteAcl no entry is marked inside its identifier: RFC 4314 servers name negative
// rights with identifiers that begin with "-", and those are sent as they are. Groups go in
// brackets. The first result other than 0 stops the write and is returned; a text that cannot go
// into a command refuses the whole write with E_INVALIDARG before anything is sent.
std::int32_t WriteAclChanges(Transport& transport, const FolderNames& names, const char* folder,
                             const std::vector<AclEntry>& removals, const std::vector<AclEntry>& grants);

// Whether WriteAcl would send the list: every identifier and rights text is terminated and fits.
bool AclFitsInCommands(const AclList& list);

// "user (lr), [staff] (All)": owners left out, groups in brackets, allText for an entry that
// holds every right but s and p. Empty for an empty or owner-only list.
std::string RenderAcl(const AclList& list, std::string_view allText);

// One connection for one folder: open with the ACL capability check, logon (the dialog allowed,
// the account's remember byte offered), ReadAcl or WriteAcl, LOGOUT, close.
std::int32_t GetFolderAcl(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                          const FolderNames& names, const char* folder, AclList& list);
std::int32_t SetFolderAcl(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                          const FolderNames& names, const char* folder, AclList& list);

// One connection around WriteAclChanges.
std::int32_t SetFolderAclChanges(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                                 const FolderNames& names, const char* folder, const std::vector<AclEntry>& removals,
                                 const std::vector<AclEntry>& grants);

// VlGetACL's work: one connection, GETACL for every request in order, each request's result set
// to the status of its own GETACL. A failed open or logon returns at once with no request
// touched; otherwise the status of the last GETACL (0 when there is none).
std::int32_t GetAcls(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                     const FolderNames& names, FolderAclRequests& requests);

}  // namespace velor
