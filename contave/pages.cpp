#include "contave/pages.h"

#include <cstdio>

#include "contave/LIB/folder_choice.h"
#include "contave/LIB/ldap_proxy.h"
#include "contave/main_window.h"
#include "contave/res/resource.h"
#include "contave/run_dialogs.h"

namespace contave {
namespace {

constexpr int kLocalLists[] = {IDC_SYNC_LOCAL_PRIVATE, IDC_SYNC_LOCAL_PUBLIC};
constexpr int kServerLists[] = {IDC_SYNC_SERVER_PRIVATE, IDC_SYNC_SERVER_PUBLIC};

constexpr const char* kCollisionMethods[] = {"Ask user to decide", "Server side is preferred",
                                             "Local side is preferred"};
constexpr const char* kFolderPhaseTexts[] = {"", "Synchronizing private contacts ...",
                                             "Synchronizing public contacts ..."};

bool IsPublicList(int id) { return id == IDC_SYNC_LOCAL_PUBLIC || id == IDC_SYNC_SERVER_PUBLIC; }

void MakeEditPartReadOnly(HWND combo) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (GetComboBoxInfo(combo, &info) && info.hwndItem != nullptr) SendMessageA(info.hwndItem, EM_SETREADONLY, TRUE, 0);
}

}  // namespace

// Page plumbing ------------------------------------------------------------------------------

PROPSHEETPAGEA Page::Describe(HINSTANCE instance) {
  PROPSHEETPAGEA page{};
  page.dwSize = sizeof page;
  page.dwFlags = PSP_DEFAULT;
  page.hInstance = instance;
  page.pszTemplate = MAKEINTRESOURCEA(templateId_);
  page.pfnDlgProc = &Page::PageProcedure;
  page.lParam = reinterpret_cast<LPARAM>(this);
  return page;
}

INT_PTR CALLBACK Page::PageProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // The sheet passes its page description; the object is in its lParam.
  if (message == WM_INITDIALOG) lParam = reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam;
  return Dialog::Procedure(hwnd, message, wParam, lParam);
}

bool Page::OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result) {
  if (message != WM_NOTIFY) return false;
  switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
    case PSN_SETACTIVE:
      OnActivate();
      result = 0;
      return true;
    case PSN_RESET:  // the window closes
      OnClose();
      result = 0;
      return true;
    default:
      return false;
  }
}

// Synchronization page -----------------------------------------------------------------------

SyncPage::SyncPage(MainWindow& window) : Page(window, IDD_SYNC_PAGE) {}

BOOL SyncPage::OnInit() {
  for (int id : kLocalLists) MakeEditPartReadOnly(GetDlgItem(hwnd_, id));
  for (int id : kServerLists) MakeEditPartReadOnly(GetDlgItem(hwnd_, id));
  FolderValues& folders = window_.folders;
  CheckDlgButton(hwnd_, IDC_SYNC_PRIVATE, folders.privateEnabled ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd_, IDC_SYNC_PUBLIC, folders.publicEnabled ? BST_CHECKED : BST_UNCHECKED);
  FillLocalLists();
  ShowServerFolder(IDC_SYNC_SERVER_PRIVATE, folders.privateServerFolder, kDefaultPrivateFolderDn);
  ShowServerFolder(IDC_SYNC_SERVER_PUBLIC, folders.publicServerFolder, kDefaultPublicFolderDn);
  SetText(IDC_SYNC_FOLDER_TEXT, "");
  SetText(IDC_SYNC_ACTION_TEXT, "");
  ShowRange(-1);
  UpdateRunButton();
  return TRUE;
}

void SyncPage::FillLocalLists() {
  FolderValues& folders = window_.folders;
  const std::vector<std::string>& names = window_.App().folderNames;
  const FolderChoice privateChoice = ChoosePrivateFolder(names, folders.privateLocalFolder);
  const FolderChoice publicChoice = ChoosePublicFolder(names, folders.publicLocalFolder, privateChoice);
  const FolderChoice* choices[] = {&privateChoice, &publicChoice};
  std::string* stored[] = {&folders.privateLocalFolder, &folders.publicLocalFolder};
  for (int i = 0; i < 2; ++i) {
    HWND list = GetDlgItem(hwnd_, kLocalLists[i]);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : choices[i]->entries)
      SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    Select(kLocalLists[i], choices[i]->Selected());
    if (choices[i]->storeSelection) *stored[i] = choices[i]->Selected();
  }
}

void SyncPage::Select(int id, const std::string& text) {
  HWND list = GetDlgItem(hwnd_, id);
  const LRESULT index = SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
  if (index != CB_ERR) SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  else SetWindowTextA(list, text.c_str());
}

std::string SyncPage::Selected(int id) const { return Text(id); }

void SyncPage::ShowServerFolder(int id, std::string& dn, const char* defaultDn) {
  std::string path;
  if (!FolderDnToPath(dn, path)) {
    dn = defaultDn;
    FolderDnToPath(dn, path);
  }
  SetText(id, path);
}

void SyncPage::UpdateRunButton() {
  if (window_.Controller().Control().State() != RunState::kIdle) return;
  EnableWindow(GetDlgItem(hwnd_, IDC_SYNC_RUN), IsDlgButtonChecked(hwnd_, IDC_SYNC_PRIVATE) == BST_CHECKED ||
                                                    IsDlgButtonChecked(hwnd_, IDC_SYNC_PUBLIC) == BST_CHECKED);
}

bool SyncPage::OnCommand(int id, int code) {
  switch (id) {
    case IDC_SYNC_PRIVATE:
    case IDC_SYNC_PUBLIC:
      if (code == BN_CLICKED) UpdateRunButton();
      return true;
    case IDC_SYNC_LOCAL_PRIVATE:
    case IDC_SYNC_LOCAL_PUBLIC:
      if (code == CBN_DROPDOWN) RefillLocal(id);
      else if (code == CBN_SELCHANGE) ChooseLocal(id);
      return true;
    case IDC_SYNC_SERVER_PRIVATE:
    case IDC_SYNC_SERVER_PUBLIC:
      if (code == CBN_DROPDOWN && SendDlgItemMessageA(hwnd_, id, CB_GETCOUNT, 0, 0) == 0) ListServerFolders(id);
      else if (code == CBN_SELCHANGE) ChooseServer(id);
      return true;
    case IDC_SYNC_RUN:
      if (code != BN_CLICKED) return true;
      switch (window_.Controller().Control().Press(GetTickCount())) {
        case PressAction::kStart: window_.StartRun(); break;
        case PressAction::kStop: window_.Controller().RequestStop(); break;
        case PressAction::kNone: break;
      }
      return true;
    default:
      return false;
  }
}

void SyncPage::RefillLocal(int id) {
  const std::vector<std::string>& names = window_.App().folderNames;
  if (!NeedsRefill(names, Text(id))) return;
  HWND list = GetDlgItem(hwnd_, id);
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  for (const std::string& name : names) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

void SyncPage::ChooseLocal(int id) {
  HWND list = GetDlgItem(hwnd_, id);
  const LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return;
  std::vector<char> text(static_cast<std::size_t>(SendMessageA(list, CB_GETLBTEXTLEN, index, 0)) + 1);
  SendMessageA(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  (IsPublicList(id) ? window_.folders.publicLocalFolder : window_.folders.privateLocalFolder) = text.data();
  window_.ResetQuestionPolicy();
}

void SyncPage::ListServerFolders(int id) {
  if (SettingsPage* settings = window_.Settings(); settings != nullptr && settings->Opened()) settings->TakeOver();
  const AccountValues& account = window_.account;
  DirectoryLogin login{account.host, account.user, account.password};
  std::vector<std::string> dns;
  HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  const Status status = ListFolders(login, IsPublicList(id), dns);
  SetCursor(previous);
  Wipe(login.password);
  if (Failed(status)) {
    SendDlgItemMessageA(hwnd_, id, CB_SHOWDROPDOWN, FALSE, 0);
    ShowMessageWithCode(window_.Handle(), window_.App().instance, IDS_CANT_GET_LDAP_INFO, status, true);
    return;
  }
  const std::string current = Text(id);
  HWND list = GetDlgItem(hwnd_, id);
  for (const std::string& dn : dns) {
    std::string path;
    if (FolderDnToPath(dn, path)) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
  }
  if (SendMessageA(list, CB_GETCOUNT, 0, 0) == 0) return;
  // The folder shown so far stays chosen when the server has it; otherwise the first, and the
  // stored folder follows what is shown.
  const LRESULT index =
      SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(current.c_str()));
  SendMessageA(list, CB_SETCURSEL, index == CB_ERR ? 0 : static_cast<WPARAM>(index), 0);
  if (index == CB_ERR) ChooseServer(id);
}

void SyncPage::ChooseServer(int id) {
  HWND list = GetDlgItem(hwnd_, id);
  const LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return;
  std::vector<char> text(static_cast<std::size_t>(SendMessageA(list, CB_GETLBTEXTLEN, index, 0)) + 1);
  SendMessageA(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  std::string dn;
  if (!PathToFolderDn(text.data(), dn)) return;
  (IsPublicList(id) ? window_.folders.publicServerFolder : window_.folders.privateServerFolder) = dn;
  window_.ResetQuestionPolicy();
}

void SyncPage::TakeOver() {
  FolderValues& folders = window_.folders;
  folders.privateEnabled = IsDlgButtonChecked(hwnd_, IDC_SYNC_PRIVATE) == BST_CHECKED;
  folders.publicEnabled = IsDlgButtonChecked(hwnd_, IDC_SYNC_PUBLIC) == BST_CHECKED;
  folders.privateLocalFolder = Text(IDC_SYNC_LOCAL_PRIVATE);
  folders.publicLocalFolder = Text(IDC_SYNC_LOCAL_PUBLIC);
}

void SyncPage::OnActivate() {
  if (window_.Controller().Control().TakeAutomaticRun())
    PostMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_SYNC_RUN, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hwnd_, IDC_SYNC_RUN)));
}

void SyncPage::OnClose() {
  TakeOver();
  window_.App().store->WriteFolders(window_.folders);
}

void SyncPage::ShowRunState(RunState state) {
  const bool idle = state == RunState::kIdle;
  SetText(IDC_SYNC_RUN, idle ? "&Synchronize" : "&Stop");
  for (int id : {IDC_SYNC_PRIVATE, IDC_SYNC_PUBLIC, IDC_SYNC_LOCAL_PRIVATE, IDC_SYNC_LOCAL_PUBLIC,
                 IDC_SYNC_SERVER_PRIVATE, IDC_SYNC_SERVER_PUBLIC})
    EnableWindow(GetDlgItem(hwnd_, id), idle);
  EnableWindow(GetDlgItem(hwnd_, IDC_SYNC_RUN), state == RunState::kRunning);
  if (idle) UpdateRunButton();
}

void SyncPage::ShowFolderPhase(int phase) { SetText(IDC_SYNC_FOLDER_TEXT, kFolderPhaseTexts[phase >= 0 && phase <= 2 ? phase : 0]); }

void SyncPage::ShowAction(const char* text) { SetText(IDC_SYNC_ACTION_TEXT, text != nullptr ? text : ""); }

void SyncPage::ShowPosition(int position) {
  if (range_ < 0) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", position);
    SetText(IDC_SYNC_STEP_TEXT, text);
  } else {
    SendDlgItemMessageA(hwnd_, IDC_SYNC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  }
}

void SyncPage::ShowRange(int range) {
  range_ = range;
  HWND bar = GetDlgItem(hwnd_, IDC_SYNC_PROGRESS);
  HWND step = GetDlgItem(hwnd_, IDC_SYNC_STEP_TEXT);
  if (range < 0) {
    ShowWindow(bar, SW_HIDE);
    SetWindowTextA(step, "");
    ShowWindow(step, SW_SHOW);
  } else {
    SendMessageA(bar, PBM_SETRANGE32, 0, range);
    SendMessageA(bar, PBM_SETPOS, 0, 0);
    ShowWindow(step, SW_HIDE);
    ShowWindow(bar, SW_SHOW);
  }
}

void SyncPage::EnableRunButton(bool enabled) {
  // While stopping the button stays off whatever the engine says.
  if (window_.Controller().Control().State() == RunState::kStopping) enabled = false;
  HWND button = GetDlgItem(hwnd_, IDC_SYNC_RUN);
  EnableWindow(button, enabled);
  if (enabled) SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
}

void SyncPage::FocusServerList(bool publicPair) {
  SendMessageA(hwnd_, WM_NEXTDLGCTL,
               reinterpret_cast<WPARAM>(GetDlgItem(hwnd_, publicPair ? IDC_SYNC_SERVER_PUBLIC : IDC_SYNC_SERVER_PRIVATE)),
               TRUE);
}

// Settings page ------------------------------------------------------------------------------

SettingsPage::SettingsPage(MainWindow& window) : Page(window, IDD_SETTINGS_PAGE) {}

BOOL SettingsPage::OnInit() {
  const AccountValues& account = window_.account;
  SetText(IDC_SETTINGS_HOST, account.host);
  SetText(IDC_SETTINGS_USER, account.user);
  SetText(IDC_SETTINGS_PASSWORD, account.password);
  CheckDlgButton(hwnd_, IDC_SETTINGS_TWO_WAY_PRIVATE, account.twoWayPrivate ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd_, IDC_SETTINGS_TWO_WAY_PUBLIC, account.twoWayPublic ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd_, IDC_SETTINGS_AUTO_CONF, account.autoConf ? BST_CHECKED : BST_UNCHECKED);
  for (const char* method : kCollisionMethods)
    SendDlgItemMessageA(hwnd_, IDC_SETTINGS_METHOD, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(method));
  SendDlgItemMessageA(hwnd_, IDC_SETTINGS_METHOD, CB_SETCURSEL, static_cast<WPARAM>(account.collisionMethod), 0);
  return TRUE;
}

bool SettingsPage::OnCommand(int id, int code) {
  if (id == IDC_SETTINGS_ABOUT && code == BN_CLICKED) {
    ShowAbout(window_.App().instance, window_.Handle());
    return true;
  }
  return false;
}

void SettingsPage::TakeOver() {
  AccountValues& account = window_.account;
  account.host = Text(IDC_SETTINGS_HOST);
  account.user = Text(IDC_SETTINGS_USER);
  Wipe(account.password);
  account.password = Text(IDC_SETTINGS_PASSWORD);
  account.twoWayPrivate = IsDlgButtonChecked(hwnd_, IDC_SETTINGS_TWO_WAY_PRIVATE) == BST_CHECKED;
  account.twoWayPublic = IsDlgButtonChecked(hwnd_, IDC_SETTINGS_TWO_WAY_PUBLIC) == BST_CHECKED;
  account.autoConf = IsDlgButtonChecked(hwnd_, IDC_SETTINGS_AUTO_CONF) == BST_CHECKED;
  const LRESULT method = SendDlgItemMessageA(hwnd_, IDC_SETTINGS_METHOD, CB_GETCURSEL, 0, 0);
  account.collisionMethod = method >= 0 && method <= 2 ? static_cast<int>(method) : 0;
}

void SettingsPage::ShowQuestionPolicy() {
  CheckDlgButton(hwnd_, IDC_SETTINGS_AUTO_CONF, window_.account.autoConf ? BST_CHECKED : BST_UNCHECKED);
  SendDlgItemMessageA(hwnd_, IDC_SETTINGS_METHOD, CB_SETCURSEL, static_cast<WPARAM>(window_.account.collisionMethod), 0);
}

void SettingsPage::OnClose() {
  TakeOver();
  // A value the launcher gave and the user left alone is not the user's to keep.
  const auto edited = [this](int id) { return SendDlgItemMessageA(hwnd_, id, EM_GETMODIFY, 0, 0) != 0; };
  const AccountWrite& fromCommandLine = window_.commandLineValues;
  AccountWrite which;
  which.host = !fromCommandLine.host || edited(IDC_SETTINGS_HOST);
  which.user = !fromCommandLine.user || edited(IDC_SETTINGS_USER);
  which.password = !fromCommandLine.password || edited(IDC_SETTINGS_PASSWORD);
  window_.App().store->WriteAccount(window_.account, which);
}

}  // namespace contave
