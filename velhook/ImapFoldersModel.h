// The IMAP Folders dialog's added tabs, apart from their windows: folder paths from the folder
// list's indentation, which folders count as shared, the mapping a user's choice makes, when the
// mapping buttons are usable, and where the added controls go. Portable, so it is tested natively.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shared/ServerRecords.h"

namespace velor::velhook {

struct FolderRow {
    std::string label;
    int indent = 0;
};

// The display path of every row: the labels of the rows that enclose it (the nearest earlier row
// one level less indented, and so on up) and its own, joined with "/". A row indented deeper than
// the one before it hangs below the nearest row that can enclose it.
std::vector<std::string> FolderPaths(const std::vector<FolderRow>& rows);

// Whether a path fits the 260-byte folder field of a permission request. A longer one is not
// asked for: cut short, it would name another folder.
bool FitsFolderField(const std::string& path);

// The requests whose own result is 0: only their rights count, whatever the call as a whole
// returned (it reports the last folder's status) and whatever a failed request's list holds.
std::vector<std::size_t> FoldersRead(const std::vector<FolderAclRequest>& requests);

// A folder is shared when its rights list holds two or more entries (the owner and someone else).
bool MarksShared(const AclList& rights);

std::string Trim(std::string_view text);

// The mapping types in the order the type box lists them.
enum class MappingType { kPublic = 0, kShared = 1, kBackup = 2 };
inline constexpr MappingType kDefaultMappingType = MappingType::kShared;

// The folder a new mapping points at: "#public", the trimmed user name, or "#backup" (whatever
// the user-name field holds).
std::string MappingTarget(MappingType type, std::string_view userName);
// "Add Mapping" needs a name, and for shared folders a user as well.
bool CanAddMapping(MappingType type, std::string_view name, std::string_view userName);
// Whether the user-name field belongs to the type.
inline bool NeedsUserName(MappingType type) { return type == MappingType::kShared; }

// The picture of a listed mapping by its kind, from the folder tree's images.
int MappingImage(std::uint32_t kind);

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const Box& a, const Box& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};

struct AddedLayout {
    Box typeLabel, userLabel, nameLabel;  // 217, 218, 219
    Box typeBox;                          // 211, its bottom that of the open drop-down
    Box userName, mappingName;            // 215, 212
    Box mappings;                         // 216
    Box add, remove;                      // 213, 214
    Box link;                             // 209
    Box shared;                           // 206
};

// The type box is 100 pixels wide unless its longest item needs more; it then grows to the left,
// and the name field before it gives way.
inline constexpr int kTypeBoxWidth = 100;

// The added controls over the folder list's rectangle (dialog client pixels). comboHeight is the
// closed type box's height and typeWidth the width its items need; linkWidth and linkHeight the
// link's own size, which it keeps.
AddedLayout LayOutAddedControls(const Box& folderList, int comboHeight, int typeWidth, int linkWidth, int linkHeight);

}  // namespace velor::velhook
