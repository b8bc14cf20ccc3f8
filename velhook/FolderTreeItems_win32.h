// Items of Outlook Express's folder tree as the extension sees them: the account-level item above
// an item, the account's name and the folder path below it, and whether the account is one of
// this server's IMAP accounts with the extension switched on.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace velor::velhook {

// Paths of more bytes than a folder name buffer holds are left alone rather than cut.
inline constexpr std::size_t kMaxFolderPath = MAX_PATH - 1;

struct TreeTarget {
    HWND tree = nullptr;
    HTREEITEM item = nullptr;         // null for no item or the root
    HTREEITEM accountItem = nullptr;
    std::string account;
    std::string folderPath;           // "Parent/Child"; empty on the account itself
    bool pathFits = false;
    bool ours = false;                // an IMAP account of this server
    bool enabled = false;             // its "Velor Ext" when described

    bool isFolder() const { return item && item != accountItem; }
};

// The item's label; at most MAX_PATH characters.
std::string TreeLabel(HWND tree, HTREEITEM item);

// Describes the item: the account above it and the path below; an empty target for the root or
// no item.
TreeTarget DescribeTreeItem(HWND tree, HTREEITEM item);

}  // namespace velor::velhook
