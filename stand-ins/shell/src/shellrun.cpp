// shellrun: opens a program or document the way the Windows shell's ShellExecuteEx does with the
// ShellExecuteHooks list, which Wine's own ShellExecuteEx does not consult. Each object registered
// under HKLM\...\Explorer\ShellExecuteHooks is created and asked through its Execute; the first
// one that answers S_OK has handled the request; when all decline, the program is started with
// ShellExecuteEx. For tests and the demo it can hold Ctrl down during the hooks, answer the
// message box a hook shows, and stay while a hook object keeps its module busy (a system-wide
// window hook lives as long as the process that installed it).
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kHooksKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks";
constexpr char kStopEvent[] = "Local\\VelorShellRunStop";
constexpr char kUsage[] =
    "usage: shellrun [--ctrl] [--answer ok|cancel] [--stay SECONDS] [--verb VERB] [--params TEXT]\n"
    "                [--dir FOLDER] (FILE | --mail-item)\n";

struct Options {
  bool ctrl = false, mailItem = false;
  int answer = 0;  // IDOK, IDCANCEL, or 0: leave boxes alone
  DWORD staySeconds = 0;
  std::string verb, params, dir, file;
  bool verbGiven = false, paramsGiven = false, dirGiven = false;
};

bool ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--ctrl") o->ctrl = true;
    else if (a == "--mail-item") o->mailItem = true;
    else if (a == "--answer") {
      if (!value(&v) || (v != "ok" && v != "cancel")) return false;
      o->answer = v == "ok" ? IDOK : IDCANCEL;
    } else if (a == "--stay") {
      if (!value(&v)) return false;
      o->staySeconds = std::strtoul(v.c_str(), nullptr, 10);
    } else if (a == "--verb") { if (!value(&o->verb)) return false; o->verbGiven = true; }
    else if (a == "--params") { if (!value(&o->params)) return false; o->paramsGiven = true; }
    else if (a == "--dir") { if (!value(&o->dir)) return false; o->dirGiven = true; }
    else if (!a.empty() && a[0] == '-') return false;
    else if (o->file.empty()) o->file = a;
    else return false;
  }
  return o->mailItem != !o->file.empty();
}

std::string OneLine(std::string s) {
  std::string out;
  for (char c : s) {
    if (c == '\n') out += "\\n";
    else if (c != '\r') out += c;
  }
  return out;
}

// Answers the first message box of this process, on a thread of its own because the hook shows
// it modally on the calling thread.
struct BoxAnswer {
  int button;
  DWORD process;
  HANDLE done;
};

BOOL CALLBACK CollectText(HWND w, LPARAM p) {
  char cls[32] = {}, text[2048] = {};
  GetClassNameA(w, cls, sizeof cls);
  if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(w, text, sizeof text) > 0) {
    auto* s = reinterpret_cast<std::string*>(p);
    if (!s->empty()) *s += " ";
    *s += text;
  }
  return TRUE;
}

BOOL CALLBACK FindBox(HWND w, LPARAM p) {
  auto* found = reinterpret_cast<std::pair<DWORD, HWND>*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[16] = {};
  GetClassNameA(w, cls, sizeof cls);
  if (pid == found->first && std::strcmp(cls, "#32770") == 0 && IsWindowVisible(w)) {
    found->second = w;
    return FALSE;
  }
  return TRUE;
}

DWORD WINAPI AnswerBoxes(LPVOID param) {
  auto* a = static_cast<BoxAnswer*>(param);
  while (WaitForSingleObject(a->done, 50) == WAIT_TIMEOUT) {
    std::pair<DWORD, HWND> found(a->process, nullptr);
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&found));
    if (!found.second) continue;
    char caption[256] = {};
    GetWindowTextA(found.second, caption, sizeof caption);
    std::string text;
    EnumChildWindows(found.second, CollectText, reinterpret_cast<LPARAM>(&text));
    std::printf("box caption=\"%s\" text=\"%s\" answer=%s\n", caption, OneLine(text).c_str(),
                a->button == IDOK ? "ok" : "cancel");
    std::fflush(stdout);
    PostMessageA(found.second, WM_COMMAND, a->button, 0);
    // Later boxes are answered too.
    for (int i = 0; i < 100 && IsWindow(found.second); ++i) Sleep(20);
  }
  return 0;
}

struct Hook {
  std::string clsid;
  HMODULE module = nullptr;
};

std::vector<std::string> RegisteredHooks() {
  std::vector<std::string> out;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kHooksKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
  for (DWORD i = 0;; ++i) {
    char name[128];
    DWORD n = sizeof name;
    if (RegEnumValueA(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    out.push_back(name);
  }
  RegCloseKey(key);
  return out;
}

HMODULE ModuleOf(const std::string& clsid) {
  char path[MAX_PATH] = {};
  LONG size = sizeof path;
  if (RegQueryValueA(HKEY_CLASSES_ROOT, ("CLSID\\" + clsid + "\\InprocServer32").c_str(), path, &size) != ERROR_SUCCESS)
    return nullptr;
  return GetModuleHandleA(path);
}

// The Start menu's e-mail item, as the shell hands it to the hooks.
LPITEMIDLIST MailItem() {
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
  LPITEMIDLIST pidl = nullptr;
  wchar_t name[] = L"::{2559a1f5-21d7-11d4-bdaf-00c04f60b9f0}";
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, name, nullptr, &pidl, nullptr))) pidl = nullptr;
  desktop->Release();
  return pidl;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, &o)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  CoInitialize(nullptr);
  SHELLEXECUTEINFOA sei = {};
  sei.cbSize = sizeof sei;
  sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  sei.lpVerb = o.verbGiven ? o.verb.c_str() : nullptr;
  sei.lpFile = o.mailItem ? "" : o.file.c_str();
  sei.lpParameters = o.paramsGiven ? o.params.c_str() : nullptr;
  sei.lpDirectory = o.dirGiven ? o.dir.c_str() : nullptr;
  sei.nShow = SW_SHOWNORMAL;
  LPITEMIDLIST pidl = nullptr;
  if (o.mailItem) {
    pidl = MailItem();
    if (!pidl) {
      std::fputs("shellrun: the e-mail item cannot be parsed here\n", stderr);
      return 1;
    }
    sei.fMask |= SEE_MASK_IDLIST;
    sei.lpIDList = pidl;
  }

  BoxAnswer answer = {o.answer, GetCurrentProcessId(), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  HANDLE answering = o.answer ? CreateThread(nullptr, 0, AnswerBoxes, &answer, 0, nullptr) : nullptr;
  BYTE keys[256];
  if (o.ctrl) {
    GetKeyboardState(keys);
    keys[VK_CONTROL] |= 0x80;
    keys[VK_LCONTROL] |= 0x80;
    SetKeyboardState(keys);
  }

  std::vector<Hook> hooks;
  bool handled = false;
  for (const std::string& clsidText : RegisteredHooks()) {
    CLSID clsid;
    std::wstring wide(clsidText.begin(), clsidText.end());
    IShellExecuteHookA* hook = nullptr;
    HRESULT hr = CLSIDFromString(wide.c_str(), &clsid);
    if (SUCCEEDED(hr))
      hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExecuteHookA, reinterpret_cast<void**>(&hook));
    if (FAILED(hr)) {
      std::printf("hook %s not created 0x%08lX\n", clsidText.c_str(), static_cast<unsigned long>(hr));
      continue;
    }
    hooks.push_back({clsidText, ModuleOf(clsidText)});
    hr = hook->Execute(&sei);
    hook->Release();
    std::printf("hook %s answered 0x%08lX\n", clsidText.c_str(), static_cast<unsigned long>(hr));
    std::fflush(stdout);
    if (hr == S_OK) {
      handled = true;
      std::printf("handled hInstApp=%d\n", static_cast<int>(reinterpret_cast<INT_PTR>(sei.hInstApp)));
      break;
    }
  }
  if (o.ctrl) {
    keys[VK_CONTROL] &= 0x7F;
    keys[VK_LCONTROL] &= 0x7F;
    SetKeyboardState(keys);
  }
  int code = 0;
  if (!handled) {
    if (ShellExecuteExA(&sei)) {
      std::printf("started %lu\n", sei.hProcess ? static_cast<unsigned long>(GetProcessId(sei.hProcess)) : 0ul);
    } else {
      std::printf("failed %lu\n", static_cast<unsigned long>(GetLastError()));
      code = 1;
    }
  }
  if (sei.hProcess) CloseHandle(sei.hProcess);
  std::fflush(stdout);

  // Stay while a hook's module says it cannot be unloaded (its window hook is installed), until
  // the stop event is set or the time is up.
  if (o.staySeconds) {
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, kStopEvent);
    DWORD end = GetTickCount() + o.staySeconds * 1000;
    for (;;) {
      bool busy = false;
      for (const Hook& h : hooks) {
        auto canUnload = h.module ? reinterpret_cast<HRESULT(WINAPI*)()>(
                                        reinterpret_cast<void*>(GetProcAddress(h.module, "DllCanUnloadNow")))
                                  : nullptr;
        busy |= canUnload && canUnload() == S_FALSE;
      }
      if (!busy || static_cast<LONG>(end - GetTickCount()) <= 0) break;
      if (MsgWaitForMultipleObjects(1, &stop, FALSE, 200, QS_ALLINPUT) == WAIT_OBJECT_0) break;
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    CloseHandle(stop);
    std::puts("done");
  }
  SetEvent(answer.done);
  if (answering) {
    WaitForSingleObject(answering, 2000);
    CloseHandle(answering);
  }
  CloseHandle(answer.done);
  if (pidl) CoTaskMemFree(pidl);
  CoUninitialize();
  return code;
}
