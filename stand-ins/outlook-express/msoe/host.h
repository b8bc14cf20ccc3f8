// The host's process-wide state: its windows, the accounts it shows and what the folder tree's
// items stand for. Everything here lives on the user-interface thread.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "common/accounts_win32.h"

namespace oestand {

enum class ItemKind { kRoot, kLocalFolders, kLocalFolder, kAccount, kFolder };

struct TreeItemInfo {
  ItemKind kind = ItemKind::kRoot;
  int account = -1;          // index into Host::accounts
  std::string path;          // display path below the account ("Inbox/Projects"), ANSI
  std::string wireName;      // the folder's name on the server
  bool noselect = false;
};

struct Host {
  HINSTANCE instance = nullptr;
  HWND splash = nullptr, main = nullptr, pane = nullptr, tree = nullptr, messages = nullptr,
       preview = nullptr, toolbar = nullptr, status = nullptr;
  HIMAGELIST images = nullptr;
  std::vector<Account> accounts;
  std::vector<TreeItemInfo> items;      // tree item lParam indexes this
  std::string lastCommand;              // the last folder command run, "<id> <item path>" (for tests)
};

Host& TheHost();

// Private messages.
enum : UINT { kMsgFillTree = WM_APP + 1, kMsgAgent = WM_APP + 2, kMsgAgentPosted = WM_APP + 3 };

// Window parts (each in its own file).
bool RegisterSplashClass(HINSTANCE instance);
HWND CreateSplash(HINSTANCE instance);
bool RegisterBrowserClass(HINSTANCE instance);
bool RegisterFolderPaneClass(HINSTANCE instance);
HWND CreateFolderPane(HWND parent, HINSTANCE instance);
HIMAGELIST CreateFolderImages();

// The folder tree.
void FillFolderTree();
const TreeItemInfo* ItemInfo(HTREEITEM item);
std::string ItemLabelPath(HTREEITEM item);   // labels from the root's child down, joined with "/"
void RunFolderCommand(int command, HTREEITEM item);
void ShowSelectedFolder();

// Dialogs.
void ShowAccountsDialog(HWND owner);
void ShowAccountProperties(HWND owner, int account);
void ShowFolderProperties(HWND owner, const TreeItemInfo& info, const std::string& label);
void ShowImapFoldersDialog(HWND owner);

// The test agent: started when the environment or the registry asks for it.
void StartAgentIfAsked();

}  // namespace oestand
