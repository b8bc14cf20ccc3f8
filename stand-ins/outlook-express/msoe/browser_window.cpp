// The main window: menu bar, tool bar, the folder pane on the left, the message list with its
// preview below on the right, and the status bar.
#include <cstdio>

#include "common/oe_ids.h"
#include "msoe/host.h"
#include "msoe/resource.h"

namespace oestand {
namespace {

constexpr int kPaneWidth = 240;
constexpr int kSplitter = 4;

struct ToolButton {
  int command;
  const char* text;
};
constexpr ToolButton kToolButtons[] = {
    {kCmdNewMail, "Create Mail"}, {kCmdReply, "Reply"},       {kCmdForward, "Forward"},
    {0, nullptr},                 {kCmdSendReceiveAll, "Send/Recv"}, {kCmdAddressBook, "Addresses"},
    {kCmdFind, "Find"},
};

HWND CreateToolbar(HWND parent) {
  HWND bar = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                             WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | CCS_TOP | CCS_NODIVIDER,
                             0, 0, 0, 0, parent, nullptr, TheHost().instance, nullptr);
  SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(TheHost().images));
  static const int kImages[] = {kImagePop3, kImageDrafts, kImageOutbox, 0, kImageSync, kImageUser, kImageSearch};
  int i = 0;
  for (const ToolButton& b : kToolButtons) {
    TBBUTTON button = {};
    if (!b.text) {
      button.fsStyle = BTNS_SEP;
      button.iBitmap = 8;
    } else {
      button.iBitmap = kImages[i];
      button.idCommand = b.command;
      button.fsState = TBSTATE_ENABLED;
      button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
      button.iString = reinterpret_cast<INT_PTR>(b.text);
    }
    ++i;
    SendMessageA(bar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
  }
  SendMessageA(bar, TB_AUTOSIZE, 0, 0);
  return bar;
}

HWND CreateMessageList(HWND parent) {
  HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, nullptr,
                              WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL, 0, 0, 0, 0,
                              parent, nullptr, TheHost().instance, nullptr);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
  static const struct { const char* text; int width; } kColumns[] = {
      {"!", 20}, {"From", 170}, {"Subject", 260}, {"Received", 130}};
  for (int i = 0; i < 4; ++i) {
    LVCOLUMNA c = {};
    c.mask = LVCF_TEXT | LVCF_WIDTH;
    c.pszText = const_cast<char*>(kColumns[i].text);
    c.cx = kColumns[i].width;
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&c));
  }
  return list;
}

void Layout(HWND window) {
  Host& host = TheHost();
  RECT r;
  GetClientRect(window, &r);
  SendMessageA(host.toolbar, TB_AUTOSIZE, 0, 0);
  SendMessageA(host.status, WM_SIZE, 0, 0);
  RECT tb, sb;
  GetWindowRect(host.toolbar, &tb);
  GetWindowRect(host.status, &sb);
  int top = tb.bottom - tb.top + 2, bottom = r.bottom - (sb.bottom - sb.top);
  int height = bottom - top;
  MoveWindow(host.pane, 0, top, kPaneWidth, height, TRUE);
  int left = kPaneWidth + kSplitter, listHeight = height * 55 / 100;
  MoveWindow(host.messages, left, top, r.right - left, listHeight, TRUE);
  MoveWindow(host.preview, left, top + listHeight + kSplitter, r.right - left, height - listHeight - kSplitter, TRUE);
  int parts[] = {r.right - 180, -1};
  SendMessageA(host.status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
}

void OnCreate(HWND window) {
  Host& host = TheHost();
  host.main = window;
  host.toolbar = CreateToolbar(window);
  // The folder pane and its tree exist when WM_CREATE returns; the tree is filled afterwards.
  host.pane = CreateFolderPane(window, host.instance);
  host.messages = CreateMessageList(window);
  host.preview = CreateWindowExA(WS_EX_CLIENTEDGE, "STATIC", "There is no message selected.",
                                 WS_CHILD | WS_VISIBLE | SS_CENTER, 0, 0, 0, 0, window, nullptr, host.instance,
                                 nullptr);
  host.status = CreateWindowExA(0, STATUSCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                window, nullptr, host.instance, nullptr);
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  SendMessageA(host.preview, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  int parts[] = {600, -1};
  SendMessageA(host.status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
  SendMessageA(host.status, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>("Working Online"));
  PostMessageA(window, kMsgFillTree, 0, 0);
}

void About(HWND window) {
  MessageBoxA(window,
              "Outlook Express (stand-in)\nVersion 6\n\nA faithful host for the Velor Outlook Express "
              "Extensions, for their tests and demo.",
              "About Outlook Express", MB_OK | MB_ICONINFORMATION);
}

void OnCommand(HWND window, int id) {
  Host& host = TheHost();
  HTREEITEM selected = host.tree ? TreeView_GetSelection(host.tree) : nullptr;
  switch (id) {
    case kCmdExit: DestroyWindow(window); return;
    case kCmdAccounts: ShowAccountsDialog(window); return;
    case kCmdImapFolders: ShowImapFoldersDialog(window); return;
    case kCmdAbout: About(window); return;
    case kCmdHelpContents:
      MessageBoxA(window, "Help is not installed with this Outlook Express.", kMainTitle, MB_OK | MB_ICONINFORMATION);
      return;
    case kCmdProperties:
    case kCmdResetList:
    case kCmdNewFolder:
    case kCmdOpen:
    case kCmdFind:
    case kCmdMoveFolder:
    case kCmdCopyFolder:
    case kCmdRename:
    case kCmdDeleteFolder:
    case kCmdSetDefaultAccount:
      if (selected) RunFolderCommand(id, selected);
      else if (id == kCmdResetList) FillFolderTree();
      return;
    default: {
      char text[96];
      std::snprintf(text, sizeof text, "Command %d is not available in this Outlook Express.", id);
      SendMessageA(host.status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    }
  }
}

LRESULT CALLBACK BrowserProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: OnCreate(window); return 0;
    case WM_SIZE: Layout(window); return 0;
    case kMsgFillTree: FillFolderTree(); return 0;
    case WM_SETFOCUS:
      // The folder tree has the keyboard whenever the window is active, as in the mail client.
      if (TheHost().tree) SetFocus(TheHost().tree);
      return 0;
    case WM_COMMAND: OnCommand(window, LOWORD(wParam)); return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.x = 520;
      info->ptMinTrackSize.y = 360;
      return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool RegisterBrowserClass(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = BrowserProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszMenuName = MAKEINTRESOURCEA(IDR_BROWSER_MENU);
  wc.lpszClassName = kBrowserClass;
  return RegisterClassA(&wc) != 0;
}

}  // namespace oestand
