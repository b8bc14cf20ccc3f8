// The host's dialogs: Internet Accounts, the account and folder property sheets, and the
// resizable IMAP folders dialog. Each is modal on the user-interface thread, as clients expect.
#include <cstdio>
#include <map>

#include "common/oe_ids.h"
#include "common/unique_key.h"
#include "msoe/host.h"
#include "msoe/imap_client.h"
#include "msoe/resource.h"

namespace oestand {
namespace {

void AddColumn(HWND list, int index, const char* text, int width) {
  LVCOLUMNA c = {};
  c.mask = LVCF_TEXT | LVCF_WIDTH;
  c.pszText = const_cast<char*>(text);
  c.cx = width;
  SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&c));
}

int AddRow(HWND list, const std::string& text, int image, LPARAM data, int indent = 0) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE | LVIF_INDENT;
  item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = const_cast<char*>(text.c_str());
  item.iImage = image;
  item.lParam = data;
  item.iIndent = indent;
  return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void SetCell(HWND list, int row, int column, const std::string& text) {
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

LPARAM SelectedData(HWND list) {
  int row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
  if (row < 0) return -1;
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return item.lParam;
}

void SelectRow(HWND list, int row) {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void AddTab(HWND tabs, int index, const char* text) {
  TCITEMA t = {};
  t.mask = TCIF_TEXT;
  t.pszText = const_cast<char*>(text);
  SendMessageA(tabs, TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&t));
}

// ---- Internet Accounts ----

void FillAccountList(HWND dialog) {
  Host& host = TheHost();
  HWND list = GetDlgItem(dialog, kIdcAccountsList);
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  int tab = static_cast<int>(SendDlgItemMessageA(dialog, kIdcAccountsTab, TCM_GETCURSEL, 0, 0));
  if (tab != 0 && tab != 1) return;  // news and directory services: none here
  host.accounts = ReadAccounts();
  for (size_t i = 0; i < host.accounts.size(); ++i) {
    const Account& a = host.accounts[i];
    if (!a.imap && !a.pop3) continue;
    int row = AddRow(list, a.name, a.imap ? kImageAccount : kImagePop3, static_cast<LPARAM>(i));
    SetCell(list, row, 1, i == 0 ? "mail (default)" : "mail");
    SetCell(list, row, 2, "Any Available");
  }
  if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) SelectRow(list, 0);
}

INT_PTR CALLBACK AccountsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      HWND tabs = GetDlgItem(dialog, kIdcAccountsTab);
      AddTab(tabs, 0, "All");
      AddTab(tabs, 1, "Mail");
      AddTab(tabs, 2, "News");
      AddTab(tabs, 3, "Directory Service");
      SetWindowPos(GetDlgItem(dialog, kIdcAccountsList), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      HWND list = GetDlgItem(dialog, kIdcAccountsList);
      SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(TheHost().images));
      AddColumn(list, 0, "Account", 170);
      AddColumn(list, 1, "Type", 100);
      AddColumn(list, 2, "Connection", 100);
      FillAccountList(dialog);
      return TRUE;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      if (hdr->idFrom == static_cast<UINT_PTR>(kIdcAccountsTab) && hdr->code == TCN_SELCHANGE) FillAccountList(dialog);
      if (hdr->idFrom == static_cast<UINT_PTR>(kIdcAccountsList) && hdr->code == NM_DBLCLK)
        PostMessageA(dialog, WM_COMMAND, kIdcAccountsProperties, 0);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kIdcAccountsProperties: {
          LPARAM account = SelectedData(GetDlgItem(dialog, kIdcAccountsList));
          if (account >= 0) {
            ShowAccountProperties(dialog, static_cast<int>(account));
            FillAccountList(dialog);
          }
          return TRUE;
        }
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

// ---- Account property sheet ----

struct AccountSheet {
  Account account;
  bool changed = false;
};

void SetNumber(HWND page, int id, DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(value));
  SetDlgItemTextA(page, id, text);
}

std::string ItemText(HWND page, int id) {
  char text[261] = {};
  GetDlgItemTextA(page, id, text, sizeof text);
  return text;
}

// The sheet's values go back to the account key on Apply, each from the page that shows it.
bool SaveAccountPage(HWND page, int templateId, const Account& a) {
  UniqueKey accounts = OpenAccountsKey(KEY_READ | KEY_WRITE);
  UniqueKey key;
  if (!accounts || RegOpenKeyExA(accounts.get(), a.key.c_str(), 0, KEY_READ | KEY_WRITE, key.put()) != ERROR_SUCCESS)
    return false;
  auto setString = [&](const char* name, const std::string& v) {
    RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                   static_cast<DWORD>(v.size() + 1));
  };
  auto setDword = [&](const char* name, DWORD v) {
    RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
  };
  const char* kind = a.imap ? "IMAP" : "POP3";
  switch (templateId) {
    case IDD_ACCOUNT_GENERAL:
      setString("Account Name", ItemText(page, kIdcAccountName));
      setString("SMTP Display Name", ItemText(page, kIdcUserName));
      setString("SMTP Email Address", ItemText(page, kIdcEmail));
      break;
    case IDD_ACCOUNT_SERVERS:
      setString((std::string(kind) + " Server").c_str(), ItemText(page, kIdcIncomingServer));
      setString("SMTP Server", ItemText(page, kIdcOutgoingServer));
      setString((std::string(kind) + " User Name").c_str(), ItemText(page, kIdcLogonName));
      setDword((std::string(kind) + " Use Sicily").c_str(), IsDlgButtonChecked(page, kIdcSpa) == BST_CHECKED);
      break;
    case IDD_ACCOUNT_ADVANCED:
      setDword((std::string(kind) + " Port").c_str(), GetDlgItemInt(page, kIdcPort, nullptr, FALSE));
      setDword((std::string(kind) + " Secure Connection").c_str(), IsDlgButtonChecked(page, kIdcSecure) == BST_CHECKED);
      setDword((std::string(kind) + " Timeout").c_str(), GetDlgItemInt(page, kIdcTimeout, nullptr, FALSE));
      break;
  }
  return true;
}

INT_PTR CALLBACK AccountPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* psp = reinterpret_cast<PROPSHEETPAGEA*>(lParam);
      SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(psp));
      const Account& a = reinterpret_cast<AccountSheet*>(psp->lParam)->account;
      int id = static_cast<int>(reinterpret_cast<INT_PTR>(psp->pszTemplate));
      if (id == IDD_ACCOUNT_GENERAL) {
        SetDlgItemTextA(page, kIdcAccountName, a.name.c_str());
        SetDlgItemTextA(page, kIdcUserName, a.displayName.c_str());
        SetDlgItemTextA(page, kIdcEmail, a.email.c_str());
        CheckDlgButton(page, kIdcIncludeAccount, BST_CHECKED);
      } else if (id == IDD_ACCOUNT_SERVERS) {
        SetDlgItemTextA(page, kIdcServerType,
                        a.imap ? "My incoming mail server is a IMAP server." : "My incoming mail server is a POP3 server.");
        SetDlgItemTextA(page, kIdcIncomingServer, a.server.c_str());
        SetDlgItemTextA(page, kIdcOutgoingServer, a.smtpServer.c_str());
        SetDlgItemTextA(page, kIdcLogonName, a.user.c_str());
        SetDlgItemTextA(page, kIdcPassword, a.password.empty() ? "" : "********");
        CheckDlgButton(page, kIdcSpa, a.spa ? BST_CHECKED : BST_UNCHECKED);
      } else if (id == IDD_ACCOUNT_ADVANCED) {
        SetNumber(page, kIdcPort, a.port);
        CheckDlgButton(page, kIdcSecure, a.secure ? BST_CHECKED : BST_UNCHECKED);
        SetNumber(page, kIdcTimeout, a.timeout);
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == EN_CHANGE || HIWORD(wParam) == BN_CLICKED) {
        if (GetFocus() == reinterpret_cast<HWND>(lParam) || HIWORD(wParam) == BN_CLICKED)
          SendMessageA(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
      }
      return FALSE;
    case WM_NOTIFY:
      if (reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(PSN_APPLY)) {
        auto* psp = reinterpret_cast<PROPSHEETPAGEA*>(GetWindowLongPtrA(page, DWLP_USER));
        auto* sheet = reinterpret_cast<AccountSheet*>(psp->lParam);
        int id = static_cast<int>(reinterpret_cast<INT_PTR>(psp->pszTemplate));
        if (SaveAccountPage(page, id, sheet->account)) sheet->changed = true;
        SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

// ---- Folder property sheet ----

struct FolderSheet {
  std::string label, location;
};

INT_PTR CALLBACK FolderPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* sheet = reinterpret_cast<FolderSheet*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
    SetDlgItemTextA(page, kIdcFolderName, sheet->label.c_str());
    SetDlgItemTextA(page, kIdcFolderLocation, sheet->location.c_str());
    return TRUE;
  }
  return FALSE;
}

// ---- IMAP folders ----

struct ImapFolders {
  std::vector<int> accounts;                                    // host account per row of 2005
  std::map<std::pair<int, int>, std::vector<ListEntry>> lists;  // (account, tab) -> server answer
};

ImapFolders* FoldersOf(HWND dialog) {
  return reinterpret_cast<ImapFolders*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void FillImapFolderList(HWND dialog, bool reload) {
  Host& host = TheHost();
  ImapFolders* state = FoldersOf(dialog);
  HWND list = GetDlgItem(dialog, kIdcImapFolderList);
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  LPARAM account = SelectedData(GetDlgItem(dialog, kIdcImapAccounts));
  if (account < 0) return;
  int tab = static_cast<int>(SendDlgItemMessageA(dialog, kIdcImapTabs, TCM_GETCURSEL, 0, 0));
  auto key = std::make_pair(static_cast<int>(account), tab);
  if (reload || !state->lists.count(key)) {
    std::vector<ListEntry> entries;
    std::string error;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    FetchFolderList(host.accounts[account], tab == 1, &entries, &error);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    state->lists[key] = entries;
  }
  std::string filter = ItemText(dialog, kIdcImapSearch);
  for (const FolderNode& node : BuildFolderTree(state->lists[key])) {
    std::string label = Utf8ToAnsi(node.label);
    if (!filter.empty() && label.find(filter) == std::string::npos) continue;
    int image = node.noselect ? kImageContainer
                : node.depth == 0 && node.label == "Inbox" ? kImageInbox
                : node.depth == 0 && node.label == "Public Folders" ? kImagePublic
                : node.depth == 0 && node.label == "Backup Folders" ? kImageBackup
                : kImageFolder;
    AddRow(list, label, image, 0, filter.empty() ? node.depth : 0);
  }
  // One column as wide as the list, now that it knows whether it needs a scroll bar.
  RECT r;
  GetClientRect(list, &r);
  SendMessageA(list, LVM_SETCOLUMNWIDTH, 0, r.right > 20 ? r.right : 20);
}

void LayoutImapFolders(HWND dialog) {
  RECT r;
  GetClientRect(dialog, &r);
  RECT unit = {4, 8, 7, 7};  // dialog units to pixels: x 4 -> 1 base, margins
  MapDialogRect(dialog, &unit);
  int margin = unit.right, buttonW = MulDiv(62, unit.left, 4), buttonH = MulDiv(14, unit.top, 8);
  int gap = MulDiv(4, unit.top, 8);
  int accountsW = MulDiv(90, unit.left, 4), labelH = MulDiv(10, unit.top, 8), editH = MulDiv(13, unit.top, 8);
  int right = r.right - margin - buttonW - margin;
  int left = margin + accountsW + margin;
  auto move = [&](int id, int x, int y, int w, int h) {
    SetWindowPos(GetDlgItem(dialog, id), nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  move(kIdcImapAccountsLabel, margin, margin, accountsW, labelH);
  move(kIdcImapAccounts, margin, margin + labelH, accountsW, r.bottom - 2 * margin - labelH);
  move(kIdcImapSearchLabel, left, margin, right - left, labelH);
  move(kIdcImapSearch, left, margin + labelH, right - left, editH);
  int tabTop = margin + labelH + editH + gap;
  move(kIdcImapTabs, left, tabTop, right - left, r.bottom - margin - tabTop);
  RECT inner = {left, tabTop, right, r.bottom - margin};
  SendDlgItemMessageA(dialog, kIdcImapTabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&inner));
  move(kIdcImapFolderList, inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top);
  int bx = r.right - margin - buttonW, by = tabTop + MulDiv(17, unit.top, 8);
  move(kIdcImapShow, bx, by, buttonW, buttonH);
  move(kIdcImapHide, bx, by + buttonH + gap, buttonW, buttonH);
  move(kIdcImapReset, bx, by + 2 * (buttonH + gap), buttonW, buttonH);
  move(IDCANCEL, bx, r.bottom - margin - buttonH, buttonW, buttonH);
  move(IDOK, bx, r.bottom - margin - 2 * buttonH - gap, buttonW, buttonH);
  move(kIdcImapGoTo, bx, r.bottom - margin - 3 * buttonH - 2 * gap, buttonW, buttonH);
  HWND folders = GetDlgItem(dialog, kIdcImapFolderList);
  RECT lr;
  GetClientRect(folders, &lr);
  SendMessageA(folders, LVM_SETCOLUMNWIDTH, 0, lr.right > 20 ? lr.right : 20);
  InvalidateRect(dialog, nullptr, TRUE);
}

INT_PTR CALLBACK ImapFoldersProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  Host& host = TheHost();
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      ImapFolders* state = reinterpret_cast<ImapFolders*>(lParam);
      HWND tabs = GetDlgItem(dialog, kIdcImapTabs);
      AddTab(tabs, 0, "All");
      AddTab(tabs, 1, "Visible");
      SetWindowPos(GetDlgItem(dialog, kIdcImapFolderList), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      HWND accounts = GetDlgItem(dialog, kIdcImapAccounts), folders = GetDlgItem(dialog, kIdcImapFolderList);
      SendMessageA(accounts, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(host.images));
      SendMessageA(folders, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(host.images));
      SendMessageA(folders, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
      AddColumn(accounts, 0, "Account", 120);
      AddColumn(folders, 0, "Folder", 200);
      host.accounts = ReadAccounts();
      // The account of the folder selected in the tree comes first selected.
      int want = -1;
      if (const TreeItemInfo* info = ItemInfo(TreeView_GetSelection(host.tree))) want = info->account;
      int selectRow = 0;
      for (size_t i = 0; i < host.accounts.size(); ++i) {
        if (!host.accounts[i].imap) continue;
        if (static_cast<int>(i) == want) selectRow = static_cast<int>(state->accounts.size());
        state->accounts.push_back(static_cast<int>(i));
        AddRow(accounts, host.accounts[i].name, kImageAccount, static_cast<LPARAM>(i));
      }
      LayoutImapFolders(dialog);
      if (!state->accounts.empty()) SelectRow(accounts, selectRow);
      FillImapFolderList(dialog, false);
      return TRUE;
    }
    case WM_SIZE: LayoutImapFolders(dialog); return TRUE;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.x = 480;
      info->ptMinTrackSize.y = 320;
      return TRUE;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      if (hdr->idFrom == static_cast<UINT_PTR>(kIdcImapTabs) && hdr->code == TCN_SELCHANGE) {
        // Only the dialog's own two tabs are its business; tabs another module adds are not.
        int tab = static_cast<int>(SendMessageA(hdr->hwndFrom, TCM_GETCURSEL, 0, 0));
        if (tab == 0 || tab == 1) FillImapFolderList(dialog, false);
      } else if (hdr->idFrom == static_cast<UINT_PTR>(kIdcImapAccounts) && hdr->code == LVN_ITEMCHANGED) {
        auto* change = reinterpret_cast<NMLISTVIEW*>(lParam);
        if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED))
          FillImapFolderList(dialog, false);
      }
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kIdcImapReset: FillImapFolderList(dialog, true); return TRUE;
        case kIdcImapSearch:
          if (HIWORD(wParam) == EN_CHANGE) FillImapFolderList(dialog, false);
          return TRUE;
        case IDOK:
        case IDCANCEL: EndDialog(dialog, LOWORD(wParam)); return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

void ShowAccountsDialog(HWND owner) {
  DialogBoxParamA(TheHost().instance, MAKEINTRESOURCEA(IDD_ACCOUNTS), owner, AccountsProc, 0);
}

void ShowAccountProperties(HWND owner, int account) {
  Host& host = TheHost();
  if (account < 0 || static_cast<size_t>(account) >= host.accounts.size()) return;
  AccountSheet sheet;
  sheet.account = host.accounts[account];
  PROPSHEETPAGEA pages[3] = {};
  const int templates[3] = {IDD_ACCOUNT_GENERAL, IDD_ACCOUNT_SERVERS, IDD_ACCOUNT_ADVANCED};
  HPROPSHEETPAGE handles[3];
  for (int i = 0; i < 3; ++i) {
    pages[i].dwSize = sizeof pages[i];
    pages[i].hInstance = host.instance;
    pages[i].pszTemplate = MAKEINTRESOURCEA(templates[i]);
    pages[i].pfnDlgProc = AccountPageProc;
    pages[i].lParam = reinterpret_cast<LPARAM>(&sheet);
    handles[i] = CreatePropertySheetPageA(&pages[i]);
  }
  std::string caption = sheet.account.name + " Properties";
  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_NOCONTEXTHELP;
  header.hwndParent = owner;
  header.hInstance = host.instance;
  header.pszCaption = caption.c_str();
  header.nPages = 3;
  header.phpage = handles;
  PropertySheetA(&header);
  if (sheet.changed && owner == host.main) FillFolderTree();
}

void ShowFolderProperties(HWND owner, const TreeItemInfo& info, const std::string& label) {
  Host& host = TheHost();
  FolderSheet sheet;
  sheet.label = label;
  sheet.location = info.account >= 0 ? host.accounts[info.account].name : std::string("Local Folders");
  if (!info.path.empty() && info.path.find('/') != std::string::npos)
    sheet.location += "/" + info.path.substr(0, info.path.rfind('/'));
  PROPSHEETPAGEA page = {};
  page.dwSize = sizeof page;
  page.hInstance = host.instance;
  page.pszTemplate = MAKEINTRESOURCEA(IDD_FOLDER_GENERAL);
  page.pfnDlgProc = FolderPageProc;
  page.lParam = reinterpret_cast<LPARAM>(&sheet);
  HPROPSHEETPAGE handle = CreatePropertySheetPageA(&page);
  std::string caption = label + " Properties";
  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_NOCONTEXTHELP | PSH_NOAPPLYNOW;
  header.hwndParent = owner;
  header.hInstance = host.instance;
  header.pszCaption = caption.c_str();
  header.nPages = 1;
  header.phpage = &handle;
  PropertySheetA(&header);
}

void ShowImapFoldersDialog(HWND owner) {
  ImapFolders state;
  DialogBoxParamA(TheHost().instance, MAKEINTRESOURCEA(IDD_IMAP_FOLDERS), owner, ImapFoldersProc,
                  reinterpret_cast<LPARAM>(&state));
}

}  // namespace oestand
