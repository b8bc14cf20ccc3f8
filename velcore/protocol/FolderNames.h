// Folder names in their two forms. The display form is what the user sees: ANSI text, levels
// joined by "/", the server's top-level words INBOX, #public and #backup shown in the user's
// language. The wire form is what the server sees: its own top-level words and modified UTF-7.
#pragma once

#include "velcore/protocol/StringSource.h"

#include <string>
#include <string_view>
#include <vector>

namespace velor {

inline constexpr char kHierarchyDelimiter = '/';

class FolderNames {
public:
    // Loads the display names of the top-level folders and special folders once.
    explicit FolderNames(const StringSource& strings);

    std::string DisplayToWire(std::string_view display) const;
    std::string WireToDisplay(std::string_view wire) const;

    // The first level of an ANSI name from the server in the user's words (no character
    // conversion: the name is already decoded).
    std::string TopLevelToDisplay(std::string_view name) const;

    // Picture of a folder in the folder image strip: 1 Inbox, 2 Sent Items, 3 Deleted Items,
    // 4 Drafts (by display name), 0 any other.
    int PictureOf(std::string_view displayLabel) const;

private:
    struct TopLevel {
        std::string wire;
        std::string display;
    };
    std::vector<TopLevel> topLevels_;
    std::vector<std::string> specialFolders_;  // picture n is specialFolders_[n - 1]
};

// One line of the subscribed-folder list.
struct FolderLine {
    std::string name;   // ANSI, as the server names it ("INBOX/Projects")
    int level = 0;      // the number of "/" in the name
    std::string label;  // the text after the last "/"
    bool selectable = true;
};

// The LSUB command that both folder views send.
inline constexpr std::string_view kListSubscribedCommand = "LSUB \"\" \"*\"";

// Reads the response text of LSUB: the text is split into lines, the final status line is
// dropped, and the lines of the two known forms, "LSUB () "/" name" and
// "LSUB (\Noselect) "/" name", become folder lines, each name unquoted and decoded from the
// wire form once. Lines of other forms, and names that decode to a control character, are
// skipped.
std::vector<FolderLine> ParseFolderList(std::string_view response);

// The folder tree of the rules' "Move" dialog, as plain data: item 0 is the root; every other
// item names its parent. A tree control is filled from it in order.
struct FolderTreeItem {
    int parent = -1;
    std::string label;
    std::string path;       // the folder's name as the server knows it (ANSI); empty for the root
    int picture = 0;
    bool selectable = true;
    int overlay = 0;        // 1 for a folder that only holds other folders
};

std::vector<FolderTreeItem> BuildFolderTree(const std::vector<FolderLine>& lines, const FolderNames& names,
                                            std::string rootLabel);

}  // namespace velor
