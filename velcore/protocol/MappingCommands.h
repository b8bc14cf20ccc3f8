// Folder mappings: the server's private commands that list, set and delete an alias name for a
// folder. On the wire a folder of the user's own tree carries "~" before its name.
#pragma once

#include "shared/AccountSettings.h"
#include "shared/ServerRecords.h"
#include "velcore/protocol/FolderNames.h"
#include "velcore/protocol/SessionPrompts.h"
#include "velcore/protocol/Transport.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace velor {

inline constexpr std::string_view kListMappingsCommand = "X-LISTMAP";

// The kind of a mapped folder by its wire name.
FolderMappingKind MappingKindOf(std::string_view wireFolder);

// Reads the response text of X-LISTMAP: lines "X-LISTMAP" alias folder, both atoms or quoted
// strings (escapes read), decoded from the wire form; the folder translated to display form with
// one leading "~" removed. Malformed lines, and names that decode to a control character (they
// could never be sent back), are skipped.
std::vector<FolderMapping> ParseMappingReply(std::string_view response, const FolderNames& names);

// X-LISTMAP in one connection. On success the mappings in reply order; on any other result none.
std::int32_t ListMappings(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                          const FolderNames& names, std::vector<FolderMapping>& mappings);

// X-SETMAP alias folder. Both texts are trimmed; an empty one, or one holding CR, LF or NUL, is
// E_INVALIDARG before any connection.
std::int32_t AddMapping(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                        const FolderNames& names, std::string_view folder, std::string_view alias);

// X-DELETEMAP alias, with the same checks.
std::int32_t RemoveMapping(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                           std::string_view alias);

}  // namespace velor
