// The folder pane: a captioned pane whose first child is the folder tree. It fills the tree from
// the accounts and their servers, and shows the folder context menu itself: the pop-up is run
// with TPM_RETURNCMD and the chosen command is carried out on the item that was clicked.
#include <cstdio>

#include "common/oe_ids.h"
#include "msoe/host.h"
#include "msoe/imap_client.h"
#include "msoe/resource.h"

namespace oestand {
namespace {

constexpr int kCaptionHeight = 22;

HTREEITEM Insert(HTREEITEM parent, const std::string& text, int image, int selectedImage, const TreeItemInfo& info) {
  Host& host = TheHost();
  host.items.push_back(info);
  TVINSERTSTRUCTA ins = {};
  ins.hParent = parent;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  ins.item.pszText = const_cast<char*>(text.c_str());
  ins.item.iImage = image;
  ins.item.iSelectedImage = selectedImage;
  ins.item.lParam = static_cast<LPARAM>(host.items.size() - 1);
  // ANSI on purpose: clients watch TVM_INSERTITEMA on this tree.
  return reinterpret_cast<HTREEITEM>(SendMessageA(host.tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
}

int FolderImage(const FolderNode& node) {
  if (node.depth == 0) {
    if (node.label == "Inbox") return kImageInbox;
    if (node.label == "Public Folders") return kImagePublic;
    if (node.label == "Backup Folders") return kImageBackup;
  }
  if (node.noselect) return kImageContainer;
  const std::string& l = node.label;
  if (l == "Sent" || l == "Sent Items") return kImageSent;
  if (l == "Trash" || l == "Deleted Items") return kImageDeleted;
  if (l == "Drafts") return kImageDrafts;
  if (l == "Junk" || l == "Spam") return kImageJunk;
  return kImageFolder;
}

void AddServerFolders(HTREEITEM accountItem, int account) {
  Host& host = TheHost();
  std::vector<ListEntry> entries;
  std::string error;
  if (!FetchFolderList(host.accounts[account], true, &entries, &error)) {
    // As the mail client does offline: the account shows its Inbox, and the status bar says why.
    ListEntry inbox;
    inbox.name = "INBOX";
    entries.push_back(inbox);
    std::string text = host.accounts[account].name + ": " + error;
    SendMessageA(host.status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  std::vector<HTREEITEM> parents = {accountItem};
  for (const FolderNode& node : BuildFolderTree(entries)) {
    TreeItemInfo info;
    info.kind = ItemKind::kFolder;
    info.account = account;
    info.path = Utf8ToAnsi(node.path);
    info.wireName = node.wireName;
    info.noselect = node.noselect;
    parents.resize(node.depth + 1);
    int image = FolderImage(node);
    HTREEITEM item = Insert(parents[node.depth], Utf8ToAnsi(node.label), image, image, info);
    parents.push_back(item);
  }
}

void ContextMenu(HWND pane, LPARAM lParam) {
  Host& host = TheHost();
  POINT screen = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  HTREEITEM item = nullptr;
  if (lParam == -1) {
    item = TreeView_GetSelection(host.tree);
    RECT r;
    if (!item || !TreeView_GetItemRect(host.tree, item, &r, TRUE)) return;
    screen = {r.left + 8, r.bottom};
    ClientToScreen(host.tree, &screen);
  } else {
    TVHITTESTINFO hit = {};
    hit.pt = screen;
    ScreenToClient(host.tree, &hit.pt);
    item = TreeView_HitTest(host.tree, &hit);
    if (!item || !(hit.flags & TVHT_ONITEM)) return;
  }
  const TreeItemInfo* info = ItemInfo(item);
  if (!info) return;
  // The item under the menu shows as the drop target while the menu is up, as a right-click does.
  TreeView_SelectDropTarget(host.tree, item);
  HMENU all = LoadMenuA(host.instance, MAKEINTRESOURCEA(IDR_FOLDER_CONTEXT));
  HMENU menu = GetSubMenu(all, 0);
  bool folder = info->kind == ItemKind::kFolder, account = info->kind == ItemKind::kAccount;
  bool imapAccount = account && host.accounts[info->account].imap;
  auto enable = [&](int id, bool on) { EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
  enable(kCmdMoveFolder, folder);
  enable(kCmdCopyFolder, folder);
  enable(kCmdRename, folder);
  enable(kCmdDeleteFolder, folder);
  enable(kCmdSetDefaultAccount, account);
  enable(kCmdResetList, imapAccount || folder);
  enable(kCmdProperties, info->kind != ItemKind::kRoot);
  SetMenuDefaultItem(menu, kCmdOpen, FALSE);
  int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, screen.x,
                               screen.y, 0, pane, nullptr);
  TreeView_SelectDropTarget(host.tree, nullptr);
  DestroyMenu(all);
  if (command) RunFolderCommand(command, item);
}

void OnPaint(HWND pane) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(pane, &ps);
  RECT r;
  GetClientRect(pane, &r);
  r.bottom = kCaptionHeight;
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  RECT text = {r.left + 6, r.top, r.right - 4, r.bottom};
  DrawTextA(dc, "Folders", -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, old);
  EndPaint(pane, &ps);
}

LRESULT CALLBACK PaneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam) {
  Host& host = TheHost();
  switch (message) {
    case WM_CREATE:
      // The tree is the pane's first child; clients take it as such.
      host.tree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, nullptr,
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                                      TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                                  0, kCaptionHeight, 0, 0, pane, nullptr, host.instance, nullptr);
      TreeView_SetImageList(host.tree, host.images, TVSIL_NORMAL);
      return host.tree ? 0 : -1;
    case WM_SIZE:
      MoveWindow(host.tree, 0, kCaptionHeight, LOWORD(lParam), HIWORD(lParam) - kCaptionHeight, TRUE);
      return 0;
    case WM_PAINT: OnPaint(pane); return 0;
    case WM_CONTEXTMENU: ContextMenu(pane, lParam); return 0;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      if (hdr->hwndFrom == host.tree && (hdr->code == TVN_SELCHANGEDA || hdr->code == TVN_SELCHANGEDW))
        ShowSelectedFolder();
      return 0;
    }
  }
  return DefWindowProcA(pane, message, wParam, lParam);
}

}  // namespace

bool RegisterFolderPaneClass(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PaneProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFolderPaneClass;
  return RegisterClassA(&wc) != 0;
}

HWND CreateFolderPane(HWND parent, HINSTANCE instance) {
  return CreateWindowExA(0, kFolderPaneClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, parent,
                         nullptr, instance, nullptr);
}

const TreeItemInfo* ItemInfo(HTREEITEM item) {
  Host& host = TheHost();
  TVITEMA tv = {};
  tv.mask = TVIF_PARAM;
  tv.hItem = item;
  if (!item || !SendMessageA(host.tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv))) return nullptr;
  if (tv.lParam < 0 || static_cast<size_t>(tv.lParam) >= host.items.size()) return nullptr;
  return &host.items[tv.lParam];
}

std::string ItemLabelPath(HTREEITEM item) {
  Host& host = TheHost();
  std::string path;
  while (item && TreeView_GetParent(host.tree, item)) {
    char text[261] = {};
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    SendMessageA(host.tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    path = path.empty() ? std::string(text) : std::string(text) + "/" + path;
    item = TreeView_GetParent(host.tree, item);
  }
  return path;
}

void FillFolderTree() {
  Host& host = TheHost();
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
  TreeView_DeleteAllItems(host.tree);
  host.items.clear();
  host.accounts = ReadAccounts();
  TreeItemInfo rootInfo;
  HTREEITEM root = Insert(TVI_ROOT, kMainTitle, kImageRoot, kImageRoot, rootInfo);
  TreeItemInfo localInfo;
  localInfo.kind = ItemKind::kLocalFolders;
  HTREEITEM local = Insert(root, "Local Folders", kImageLocalFolders, kImageLocalFolders, localInfo);
  static const struct { const char* name; int image; } kLocal[] = {
      {"Inbox", kImageInbox}, {"Outbox", kImageOutbox}, {"Sent Items", kImageSent},
      {"Deleted Items", kImageDeleted}, {"Drafts", kImageDrafts}};
  HTREEITEM localInbox = nullptr;
  for (const auto& f : kLocal) {
    TreeItemInfo info;
    info.kind = ItemKind::kLocalFolder;
    info.path = f.name;
    HTREEITEM item = Insert(local, f.name, f.image, f.image, info);
    if (!localInbox) localInbox = item;
  }
  HTREEITEM firstImap = nullptr;
  for (size_t i = 0; i < host.accounts.size(); ++i) {
    const Account& a = host.accounts[i];
    if (!a.imap && !a.pop3) continue;
    TreeItemInfo info;
    info.kind = ItemKind::kAccount;
    info.account = static_cast<int>(i);
    int image = a.imap ? kImageAccount : kImagePop3;
    HTREEITEM item = Insert(root, a.name, image, image, info);
    if (a.imap) {
      AddServerFolders(item, static_cast<int>(i));
      if (!firstImap) firstImap = item;
    }
  }
  TreeView_Expand(host.tree, root, TVE_EXPAND);
  TreeView_Expand(host.tree, local, TVE_EXPAND);
  // Accounts open with their Inbox unfolded, as a first start shows them.
  for (HTREEITEM a = TreeView_GetNextSibling(host.tree, local); a; a = TreeView_GetNextSibling(host.tree, a)) {
    TreeView_Expand(host.tree, a, TVE_EXPAND);
    if (HTREEITEM inbox = TreeView_GetChild(host.tree, a)) TreeView_Expand(host.tree, inbox, TVE_EXPAND);
  }
  HTREEITEM first = firstImap ? TreeView_GetChild(host.tree, firstImap) : localInbox;
  TreeView_SelectItem(host.tree, first ? first : localInbox);
  TreeView_EnsureVisible(host.tree, root);
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

void ShowSelectedFolder() {
  Host& host = TheHost();
  HTREEITEM item = TreeView_GetSelection(host.tree);
  const TreeItemInfo* info = ItemInfo(item);
  if (!info) return;
  char label[261] = {};
  TVITEMA tv = {};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = label;
  tv.cchTextMax = sizeof label;
  SendMessageA(host.tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
  std::string title = std::string(label) + " - " + kMainTitle;
  SetWindowTextA(host.main, title.c_str());
  SendMessageA(host.messages, LVM_DELETEALLITEMS, 0, 0);
  const char* preview = "There is no message selected.";
  if (info->kind == ItemKind::kFolder && info->noselect)
    preview = "This folder holds other folders only.";
  else if (info->kind == ItemKind::kAccount || info->kind == ItemKind::kRoot || info->kind == ItemKind::kLocalFolders)
    preview = "Select a folder to see its messages.";
  SetWindowTextA(host.preview, preview);
  std::string status = info->kind == ItemKind::kFolder || info->kind == ItemKind::kLocalFolder
                           ? std::string(label) + ": 0 message(s), 0 unread"
                           : std::string();
  SendMessageA(host.status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(status.c_str()));
}

void RunFolderCommand(int command, HTREEITEM item) {
  Host& host = TheHost();
  const TreeItemInfo* found = ItemInfo(item);
  if (!found) return;
  TreeItemInfo info = *found;  // the tree may be rebuilt below
  std::string path = ItemLabelPath(item);
  host.lastCommand = std::to_string(command) + " " + path;
  switch (command) {
    case kCmdOpen:
      TreeView_SelectItem(host.tree, item);
      return;
    case kCmdResetList:
      FillFolderTree();
      return;
    case kCmdProperties: {
      if (info.kind == ItemKind::kAccount) {
        ShowAccountProperties(host.main, info.account);
      } else if (info.kind == ItemKind::kFolder || info.kind == ItemKind::kLocalFolder ||
                 info.kind == ItemKind::kLocalFolders) {
        size_t slash = path.rfind('/');
        ShowFolderProperties(host.main, info, slash == std::string::npos ? path : path.substr(slash + 1));
      }
      return;
    }
    default: {
      char text[400];
      std::snprintf(text, sizeof text, "%s: command %d is not carried out by this Outlook Express.", path.c_str(),
                    command);
      SendMessageA(host.status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    }
  }
}

}  // namespace oestand
