// The test agent: opt-in (the environment variable OESTAND_AGENT, or the value "Agent File" under
// the stand-in's key, names a file), it listens on a loopback port, writes the port into that
// file, and answers one line-based request at a time. Under Wine another process cannot read this
// one's menus, list and tree controls, so tests read and drive them through here. Every request
// runs on the user-interface thread; requests that would block it (commands, clicks, tab changes)
// are posted and answered at once.
#include <winsock2.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/oe_ids.h"
#include "common/unique_key.h"
#include "core/agent_text.h"
#include "core/png_writer.h"
#include "msoe/host.h"

namespace oestand {
namespace {

using Lines = std::vector<std::string>;

struct Request {
  std::vector<std::string> words;
  bool ok = false;
  std::string error;
  Lines lines;
};

HWND g_agentWindow;

std::string Hex(const void* handle) {
  char text[16];
  std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(handle)));
  return text;
}

HWND ParseWindow(const std::string& text) {
  return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoul(text.c_str(), nullptr, 16)));
}

std::string Text(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string Flags(HWND window) {
  return std::string(IsWindowVisible(window) ? "visible" : "hidden") + " " +
         (IsWindowEnabled(window) ? "enabled" : "disabled");
}

// ---- menus ----

void DumpMenu(HMENU menu, int depth, Lines* out) {
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char text[256] = {};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text - 1;
    if (!GetMenuItemInfoA(menu, i, TRUE, &info)) continue;
    std::string flags;
    if (info.fType & MFT_SEPARATOR) flags += "separator,";
    if (info.hSubMenu) flags += "popup,";
    if (info.fState & MFS_GRAYED) flags += "grayed,";
    if (info.fState & MFS_CHECKED) flags += "checked,";
    if (info.fState & MFS_DEFAULT) flags += "default,";
    if (!flags.empty()) flags.pop_back();
    else flags = "-";
    out->push_back(std::to_string(depth) + " " + std::to_string(i) + " " + std::to_string(info.wID) + " " + flags +
                   " " + Quote(text));
    if (info.hSubMenu) DumpMenu(info.hSubMenu, depth + 1, out);
  }
}

BOOL CALLBACK FindPopup(HWND w, LPARAM p) {
  if (ClassOf(w) == "#32768" && IsWindowVisible(w)) {
    *reinterpret_cast<HWND*>(p) = w;
    return FALSE;
  }
  return TRUE;
}

HWND OpenPopupWindow() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindPopup, reinterpret_cast<LPARAM>(&found));
  return found;
}

BOOL CALLBACK ListTopLevel(HWND w, LPARAM p) {
  if (w == g_agentWindow) return TRUE;
  reinterpret_cast<Lines*>(p)->push_back(Hex(w) + " " + Quote(ClassOf(w)) + " " + Quote(Text(w)) + " " + Flags(w));
  return TRUE;
}

BOOL CALLBACK ListChild(HWND w, LPARAM p) {
  reinterpret_cast<Lines*>(p)->push_back(Hex(w) + " " + Hex(GetParent(w)) + " " + std::to_string(GetDlgCtrlID(w)) + " " +
                                          Quote(ClassOf(w)) + " " + Quote(Text(w)) + " " + Flags(w));
  return TRUE;
}

// ---- tree ----

void DumpTree(HWND tree, HTREEITEM item, int depth, Lines* out) {
  for (; item; item = TreeView_GetNextSibling(tree, item)) {
    char text[261] = {};
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    tv.stateMask = TVIS_SELECTED;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    out->push_back(std::to_string(depth) + " " + std::to_string(tv.iImage) + " " + std::to_string(tv.iSelectedImage) +
                   " " + ((tv.state & TVIS_SELECTED) ? "selected" : "-") + " " + Quote(text));
    DumpTree(tree, TreeView_GetChild(tree, item), depth + 1, out);
  }
}

HTREEITEM FindTreeItem(HWND tree, const std::string& path) {
  HTREEITEM item = TreeView_GetRoot(tree);
  size_t start = 0;
  // The path names labels from the root item's children down; "" is the root itself.
  if (path.empty()) return item;
  item = TreeView_GetChild(tree, item);
  for (;;) {
    size_t slash = path.find('/', start);
    std::string label = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    for (; item; item = TreeView_GetNextSibling(tree, item)) {
      char text[261] = {};
      TVITEMA tv = {};
      tv.mask = TVIF_TEXT;
      tv.hItem = item;
      tv.pszText = text;
      tv.cchTextMax = sizeof text;
      SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
      if (label == text) break;
    }
    if (!item || slash == std::string::npos) return item;
    start = slash + 1;
    item = TreeView_GetChild(tree, item);
  }
}

// ---- list view ----

void DumpList(HWND list, Lines* out) {
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  int columns = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
  if (columns < 1) columns = 1;
  std::string names = "columns";
  for (int c = 0; c < columns; ++c) {
    char text[256] = {};
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT;
    col.pszText = text;
    col.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
    names += " " + Quote(text);
  }
  out->push_back(names);
  HIMAGELIST small = reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  out->push_back("images " + std::to_string(small ? ImageList_GetImageCount(small) : 0));
  int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[261] = {};
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_INDENT | LVIF_STATE;
    item.iItem = i;
    item.stateMask = LVIS_SELECTED;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    std::string line = std::to_string(i) + " " + std::to_string(item.iImage) + " " + std::to_string(item.iIndent) +
                       " " + ((item.state & LVIS_SELECTED) ? "selected" : "-") + " " + Quote(text);
    for (int c = 1; c < columns; ++c) {
      char cell[261] = {};
      LVITEMA sub = {};
      sub.iSubItem = c;
      sub.pszText = cell;
      sub.cchTextMax = sizeof cell;
      SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&sub));
      line += " " + Quote(cell);
    }
    out->push_back(line);
  }
}

// ---- screenshot ----

bool SaveScreenshot(HWND window, const std::string& file, std::string* error) {
  RECT r;
  GetWindowRect(window, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) {
    *error = "empty window";
    return false;
  }
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(dc, old);
  std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
  const unsigned char* p = static_cast<const unsigned char*>(bits);
  for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
    rgb[i * 3] = p[i * 4 + 2];
    rgb[i * 3 + 1] = p[i * 4 + 1];
    rgb[i * 3 + 2] = p[i * 4];
  }
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  std::string png = EncodePng(w, h, rgb);
  FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) {
    *error = "cannot write " + file;
    return false;
  }
  bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok) *error = "cannot write " + file;
  return ok;
}

// ---- requests ----

using Handler = std::function<bool(Request&)>;

bool Need(Request& r, size_t n) {
  if (r.words.size() >= n + 1) return true;
  r.error = r.words[0] + " needs " + std::to_string(n) + " argument(s)";
  return false;
}

void PostAction(std::function<void()> action) {
  PostMessageA(g_agentWindow, kMsgAgentPosted, 0, reinterpret_cast<LPARAM>(new std::function<void()>(std::move(action))));
}

const std::map<std::string, Handler>& Handlers() {
  static const std::map<std::string, Handler> handlers = {
      {"ping", [](Request&) { return true; }},
      {"main", [](Request& r) {
         r.lines.push_back(Hex(TheHost().main));
         return true;
       }},
      {"windows", [](Request& r) {
         EnumThreadWindows(GetCurrentThreadId(), ListTopLevel, reinterpret_cast<LPARAM>(&r.lines));
         return true;
       }},
      {"children", [](Request& r) {
         if (!Need(r, 1)) return false;
         EnumChildWindows(ParseWindow(r.words[1]), ListChild, reinterpret_cast<LPARAM>(&r.lines));
         return true;
       }},
      {"text", [](Request& r) {
         if (!Need(r, 1)) return false;
         r.lines.push_back(Quote(Text(ParseWindow(r.words[1]))));
         return true;
       }},
      {"rect", [](Request& r) {
         if (!Need(r, 1)) return false;
         RECT rc;
         if (!GetWindowRect(ParseWindow(r.words[1]), &rc)) return false;
         r.lines.push_back(std::to_string(rc.left) + " " + std::to_string(rc.top) + " " + std::to_string(rc.right) + " " +
                           std::to_string(rc.bottom));
         return true;
       }},
      {"menu", [](Request& r) {
         if (!Need(r, 1)) return false;
         HMENU menu = GetMenu(ParseWindow(r.words[1]));
         if (!menu) { r.error = "no menu"; return false; }
         DumpMenu(menu, 0, &r.lines);
         return true;
       }},
      {"menu-popup", [](Request& r) {
         // As opening the menu bar's pop-up would: WM_INITMENUPOPUP to the window, then its items.
         if (!Need(r, 2)) return false;
         HWND w = ParseWindow(r.words[1]);
         int pos = std::atoi(r.words[2].c_str());
         HMENU sub = GetSubMenu(GetMenu(w), pos);
         if (!sub) { r.error = "no such pop-up"; return false; }
         SendMessageA(w, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(pos, FALSE));
         DumpMenu(sub, 0, &r.lines);
         return true;
       }},
      {"command", [](Request& r) {
         if (!Need(r, 2)) return false;
         HWND w = ParseWindow(r.words[1]);
         WPARAM id = std::strtoul(r.words[2].c_str(), nullptr, 10);
         return PostMessageA(w, WM_COMMAND, id, 0) != FALSE;
       }},
      {"tree", [](Request& r) {
         HWND tree = r.words.size() > 1 ? ParseWindow(r.words[1]) : TheHost().tree;
         HIMAGELIST images = TreeView_GetImageList(tree, TVSIL_NORMAL);
         r.lines.push_back("images " + std::to_string(images ? ImageList_GetImageCount(images) : 0));
         DumpTree(tree, TreeView_GetRoot(tree), 0, &r.lines);
         return true;
       }},
      {"tree-select", [](Request& r) {
         if (!Need(r, 1)) return false;
         HTREEITEM item = FindTreeItem(TheHost().tree, r.words[1]);
         if (!item) { r.error = "no such item"; return false; }
         TreeView_SelectItem(TheHost().tree, item);
         return true;
       }},
      {"tree-context", [](Request& r) {
         // A right-click on the item: the cursor goes there (clients hit-test at the cursor), and
         // the tree's parent gets WM_CONTEXTMENU as the tree's default handling sends it.
         if (!Need(r, 1)) return false;
         HWND tree = TheHost().tree;
         HTREEITEM item = FindTreeItem(tree, r.words[1]);
         RECT rc;
         if (item) TreeView_EnsureVisible(tree, item);
         if (!item || !TreeView_GetItemRect(tree, item, &rc, TRUE)) { r.error = "no such item"; return false; }
         POINT pt = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
         ClientToScreen(tree, &pt);
         SetCursorPos(pt.x, pt.y);
         PostMessageA(GetParent(tree), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree), MAKELPARAM(pt.x, pt.y));
         r.lines.push_back(std::to_string(pt.x) + " " + std::to_string(pt.y));
         return true;
       }},
      {"tree-context-key", [](Request& r) {
         // The context-menu key on the selected item: the item is selected first, and the tree's
         // parent gets WM_CONTEXTMENU with the point -1, as the tree sends it for the key.
         if (!Need(r, 1)) return false;
         HWND tree = TheHost().tree;
         HTREEITEM item = FindTreeItem(tree, r.words[1]);
         if (!item) { r.error = "no such item"; return false; }
         TreeView_SelectItem(tree, item);
         PostMessageA(GetParent(tree), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree), static_cast<LPARAM>(-1));
         return true;
       }},
      {"popup", [](Request& r) {
         HWND w = OpenPopupWindow();
         HMENU menu = w ? reinterpret_cast<HMENU>(SendMessageA(w, MN_GETHMENU, 0, 0)) : nullptr;
         if (!menu) { r.error = "no pop-up menu open"; return false; }
         DumpMenu(menu, 0, &r.lines);
         return true;
       }},
      {"popup-pick", [](Request& r) {
         // Chosen with the keyboard, as a user may: Down onto the item (the menu's loop steps over
         // separators only), then Enter; a grayed item is not carried out, as with a user.
         if (!Need(r, 1)) return false;
         HWND w = OpenPopupWindow();
         HMENU menu = w ? reinterpret_cast<HMENU>(SendMessageA(w, MN_GETHMENU, 0, 0)) : nullptr;
         if (!menu) { r.error = "no pop-up menu open"; return false; }
         UINT id = std::strtoul(r.words[1].c_str(), nullptr, 10);
         int steps = 0;
         bool found = false;
         for (int i = 0; i < GetMenuItemCount(menu) && !found; ++i) {
           if (GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR) continue;
           ++steps;
           found = GetMenuItemID(menu, i) == id;
         }
         if (!found) { r.error = "no such item"; return false; }
         for (int i = 0; i < steps; ++i) PostMessageA(w, WM_KEYDOWN, VK_DOWN, 0);
         PostMessageA(w, WM_KEYDOWN, VK_RETURN, 0);
         return true;
       }},
      {"popup-cancel", [](Request&) { return EndMenu() != FALSE; }},
      {"list", [](Request& r) {
         if (!Need(r, 1)) return false;
         DumpList(ParseWindow(r.words[1]), &r.lines);
         return true;
       }},
      {"list-select", [](Request& r) {
         if (!Need(r, 2)) return false;
         HWND list = ParseWindow(r.words[1]);
         int row = std::atoi(r.words[2].c_str());
         PostAction([list, row] {
           LVITEMA item = {};
           item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
           item.state = LVIS_SELECTED | LVIS_FOCUSED;
           SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
         });
         return true;
       }},
      {"list-activate", [](Request& r) {
         // A double click on the row, as its parent hears of it.
         if (!Need(r, 2)) return false;
         HWND list = ParseWindow(r.words[1]);
         int row = std::atoi(r.words[2].c_str());
         PostAction([list, row] {
           NMITEMACTIVATE n = {};
           n.hdr.hwndFrom = list;
           n.hdr.idFrom = GetDlgCtrlID(list);
           n.hdr.code = NM_DBLCLK;
           n.iItem = row;
           SendMessageA(GetParent(list), WM_NOTIFY, n.hdr.idFrom, reinterpret_cast<LPARAM>(&n));
         });
         return true;
       }},
      {"list-state", [](Request& r) {
         // A row's overlay image (0 for none) and whether it is selected and focused.
         if (!Need(r, 2)) return false;
         HWND list = ParseWindow(r.words[1]);
         int row = std::atoi(r.words[2].c_str());
         if (row < 0 || row >= static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0))) {
           r.error = "no such row";
           return false;
         }
         UINT state = static_cast<UINT>(
             SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_OVERLAYMASK | LVIS_SELECTED | LVIS_FOCUSED));
         r.lines.push_back("overlay " + std::to_string((state & LVIS_OVERLAYMASK) >> 8) + " " +
                           ((state & LVIS_SELECTED) ? "selected" : "-") + " " + ((state & LVIS_FOCUSED) ? "focused" : "-"));
         return true;
       }},
      {"tabs", [](Request& r) {
         if (!Need(r, 1)) return false;
         HWND tabs = ParseWindow(r.words[1]);
         int count = static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
         r.lines.push_back("current " + std::to_string(SendMessageA(tabs, TCM_GETCURSEL, 0, 0)));
         for (int i = 0; i < count; ++i) {
           char text[128] = {};
           TCITEMA t = {};
           t.mask = TCIF_TEXT;
           t.pszText = text;
           t.cchTextMax = sizeof text;
           SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&t));
           r.lines.push_back(std::to_string(i) + " " + Quote(text));
         }
         return true;
       }},
      {"tab", [](Request& r) {
         // A click on a tab: the parent hears TCN_SELCHANGING, the tab changes, then TCN_SELCHANGE.
         if (!Need(r, 2)) return false;
         HWND tabs = ParseWindow(r.words[1]);
         int index = std::atoi(r.words[2].c_str());
         PostAction([tabs, index] {
           NMHDR n = {tabs, static_cast<UINT_PTR>(GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGING)};
           if (SendMessageA(GetParent(tabs), WM_NOTIFY, n.idFrom, reinterpret_cast<LPARAM>(&n))) return;
           SendMessageA(tabs, TCM_SETCURSEL, index, 0);
           n.code = static_cast<UINT>(TCN_SELCHANGE);
           SendMessageA(GetParent(tabs), WM_NOTIFY, n.idFrom, reinterpret_cast<LPARAM>(&n));
         });
         return true;
       }},
      {"click", [](Request& r) {
         if (!Need(r, 2)) return false;
         HWND control = GetDlgItem(ParseWindow(r.words[1]), std::atoi(r.words[2].c_str()));
         if (!control) { r.error = "no such control"; return false; }
         return PostMessageA(control, BM_CLICK, 0, 0) != FALSE;
       }},
      {"combo-select", [](Request& r) {
         // A choice in a drop-down list, as its parent hears of it.
         if (!Need(r, 3)) return false;
         HWND dialog = ParseWindow(r.words[1]);
         int id = std::atoi(r.words[2].c_str()), index = std::atoi(r.words[3].c_str());
         HWND combo = GetDlgItem(dialog, id);
         if (!combo) { r.error = "no such control"; return false; }
         PostAction([dialog, combo, id, index] {
           SendMessageA(combo, CB_SETCURSEL, index, 0);
           SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
         });
         return true;
       }},
      {"set-text", [](Request& r) {
         if (!Need(r, 3)) return false;
         return SetDlgItemTextA(ParseWindow(r.words[1]), std::atoi(r.words[2].c_str()), r.words[3].c_str()) != FALSE;
       }},
      {"checked", [](Request& r) {
         if (!Need(r, 2)) return false;
         r.lines.push_back(std::to_string(IsDlgButtonChecked(ParseWindow(r.words[1]), std::atoi(r.words[2].c_str()))));
         return true;
       }},
      {"sheet-page", [](Request& r) {
         if (!Need(r, 1)) return false;
         HWND page = reinterpret_cast<HWND>(SendMessageA(ParseWindow(r.words[1]), PSM_GETCURRENTPAGEHWND, 0, 0));
         if (!page) { r.error = "no current page"; return false; }
         r.lines.push_back(Hex(page));
         return true;
       }},
      {"close", [](Request& r) {
         if (!Need(r, 1)) return false;
         return PostMessageA(ParseWindow(r.words[1]), WM_CLOSE, 0, 0) != FALSE;
       }},
      {"last-command", [](Request& r) {
         r.lines.push_back(Quote(TheHost().lastCommand));
         return true;
       }},
      {"screenshot", [](Request& r) {
         if (!Need(r, 2)) return false;
         // "desktop": the whole (virtual) desktop, for what lies outside any one window.
         bool desktop = r.words[1] == "desktop";
         HWND w = desktop ? GetDesktopWindow() : ParseWindow(r.words[1]);
         // Erased as well: a control with a transparent background drawn again without it would
         // show its text twice over.
         if (!desktop) RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
         return SaveScreenshot(w, r.words[2], &r.error);
       }},
  };
  return handlers;
}

void Run(Request& r) {
  auto found = Handlers().find(r.words[0]);
  if (found == Handlers().end()) {
    r.error = "unknown request " + r.words[0];
    return;
  }
  r.ok = found->second(r);
  if (!r.ok && r.error.empty()) r.error = r.words[0] + " failed";
}

LRESULT CALLBACK AgentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kMsgAgent) {
    Run(*reinterpret_cast<Request*>(lParam));
    return 1;
  }
  if (message == kMsgAgentPosted) {
    auto* action = reinterpret_cast<std::function<void()>*>(lParam);
    (*action)();
    delete action;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::string Answer(const std::string& line) {
  Request r;
  if (!SplitRequest(line, &r.words)) return "ERR malformed request\n.\n";
  if (r.words.empty()) return "ERR empty request\n.\n";
  DWORD_PTR result = 0;
  // The request object lives on this thread's stack, so the wait for the user-interface thread is
  // not cut short: a request that times out would leave it a dangling pointer.
  if (!SendMessageTimeoutA(g_agentWindow, kMsgAgent, 0, reinterpret_cast<LPARAM>(&r), SMTO_NORMAL, INFINITE, &result))
    return "ERR the user-interface thread did not answer\n.\n";
  std::string out = r.ok ? "OK\n" : "ERR " + r.error + "\n";
  for (const std::string& l : r.lines) out += l + "\n";
  return out + ".\n";
}

DWORD WINAPI Serve(LPVOID param) {
  SOCKET listener = static_cast<SOCKET>(reinterpret_cast<UINT_PTR>(param));
  for (;;) {
    SOCKET client = accept(listener, nullptr, nullptr);
    if (client == INVALID_SOCKET) return 0;
    std::string buffer;
    char chunk[1024];
    int n;
    while ((n = recv(client, chunk, sizeof chunk, 0)) > 0) {
      buffer.append(chunk, n);
      size_t end;
      while ((end = buffer.find('\n')) != std::string::npos) {
        std::string reply = Answer(buffer.substr(0, end));
        buffer.erase(0, end + 1);
        send(client, reply.data(), static_cast<int>(reply.size()), 0);
      }
    }
    closesocket(client);
  }
}

std::string AgentFile() {
  char buffer[MAX_PATH] = {};
  if (GetEnvironmentVariableA("OESTAND_AGENT", buffer, sizeof buffer) && buffer[0]) return buffer;
  UniqueKey key;
  std::string file;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kStandInKey, 0, KEY_READ, key.put()) == ERROR_SUCCESS)
    ReadString(key.get(), "Agent File", &file);
  return file;
}

}  // namespace

void StartAgentIfAsked() {
  std::string file = AgentFile();
  if (file.empty()) return;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = AgentProc;
  wc.hInstance = TheHost().instance;
  wc.lpszClassName = "OEStandInAgent";
  RegisterClassA(&wc);
  g_agentWindow = CreateWindowExA(0, wc.lpszClassName, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  TheHost().instance, nullptr);
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof addr;
  if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener, 1) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &size) != 0) {
    closesocket(listener);
    return;
  }
  // Written to a new name and moved, so a test never reads half a port number.
  std::string temp = file + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "w");
  if (!f) return;
  std::fprintf(f, "%u\n", ntohs(addr.sin_port));
  std::fclose(f);
  MoveFileExA(temp.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING);
  CloseHandle(CreateThread(nullptr, 0, Serve, reinterpret_cast<LPVOID>(static_cast<UINT_PTR>(listener)), 0, nullptr));
}

}  // namespace oestand
