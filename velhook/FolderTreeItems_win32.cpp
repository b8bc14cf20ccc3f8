#include "velhook/FolderTreeItems_win32.h"

#include "velhook/Accounts_win32.h"

namespace velor::velhook {

std::string TreeLabel(HWND tree, HTREEITEM item) {
    char text[MAX_PATH + 1] = {};
    TVITEMA entry{};
    entry.mask = TVIF_TEXT;
    entry.hItem = item;
    entry.pszText = text;
    entry.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&entry));
    return text;
}

TreeTarget DescribeTreeItem(HWND tree, HTREEITEM item) {
    TreeTarget target;
    target.tree = tree;
    HTREEITEM root = tree ? TreeView_GetRoot(tree) : nullptr;
    if (!item || item == root) return target;
    target.item = item;
    std::string path;
    HTREEITEM at = item;
    for (HTREEITEM parent = TreeView_GetParent(tree, at); parent && parent != root;
         at = parent, parent = TreeView_GetParent(tree, at)) {
        path = "/" + TreeLabel(tree, at) + path;
    }
    target.accountItem = at;
    target.account = TreeLabel(tree, at);
    target.folderPath = path.empty() ? path : path.substr(1);
    target.pathFits = target.folderPath.size() <= kMaxFolderPath;
    DWORD enabled = 0;
    target.ours = FindAccount(target.account.c_str(), &enabled, nullptr);
    target.enabled = enabled != 0;
    return target;
}

}  // namespace velor::velhook
