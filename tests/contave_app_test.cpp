// Contave.exe as a user meets it, run as a real process under Wine against the address-book
// stand-in and the mail-server stand-in's directory, and driven from here by window title and
// control identifier. tests/with-contave-app prepares a prefix of its own, the stand-ins and the
// environment:
//   CONTAVE_EXE       Contave.exe (Windows path)
//   CONTAVE_WABTOOL   wabtool.exe, for reading the address book back
//   CONTAVE_LDAP      "127.0.0.1:PORT" of the stand-in's directory
//   CONTAVE_SHOTS     the folder for screenshots
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "WindowDriver.h"
#include "contave/res/resource.h"

namespace {

using velor::testing::SaveScreenshot;

constexpr char kTitle[] = "Velor WAB Synchronization Tool";
constexpr char kUserKey[] = "Software\\Velor\\Contave";

std::string Env(const char* name) {
  char value[1024] = {};
  GetEnvironmentVariableA(name, value, sizeof value);
  return value;
}

// Registry helpers ---------------------------------------------------------------------------

bool ReadValue(HKEY root, const char* key, const char* name, DWORD& type, std::string& data) {
  HKEY opened;
  if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return false;
  char buffer[1024];
  DWORD size = sizeof buffer;
  const LONG error = RegQueryValueExA(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(opened);
  if (error != ERROR_SUCCESS) return false;
  data.assign(buffer, size);
  return true;
}

std::string ReadText(HKEY root, const char* key, const char* name) {
  DWORD type = 0;
  std::string data;
  if (!ReadValue(root, key, name, type, data) || type != REG_SZ) return "<missing>";
  return data.c_str();
}

long long ReadNumber(HKEY root, const char* key, const char* name) {
  DWORD type = 0;
  std::string data;
  if (!ReadValue(root, key, name, type, data) || type != REG_DWORD || data.size() != 4) return -1;
  return *reinterpret_cast<const DWORD*>(data.data());
}

void SetNumber(const char* name, DWORD value) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kUserKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

void SetText(const char* name, const std::string& value) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kUserKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

std::string WabLibrary() { return ReadText(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\WAB\\DLLPath", nullptr); }

// Processes ----------------------------------------------------------------------------------

struct Program {
  PROCESS_INFORMATION process{};
  ~Program() {
    if (process.hProcess != nullptr) {
      if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 99);
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
    }
  }
  // The exit code, or -1 when it did not end in time.
  long Wait(int ms) {
    if (WaitForSingleObject(process.hProcess, ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<long>(code);
  }
};

bool Start(Program& program, const std::string& arguments) {
  std::string line = "\"" + Env("CONTAVE_EXE") + "\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &program.process) != 0;
}

// The output of a program run to its end.
std::string Capture(const std::string& line) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  CreatePipe(&read, &write, &inherit, 0);
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write;
  startup.hStdError = write;
  PROCESS_INFORMATION process{};
  std::string copy = line, output;
  if (CreateProcessA(nullptr, copy.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    CloseHandle(write);
    write = nullptr;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  if (write != nullptr) CloseHandle(write);
  CloseHandle(read);
  return output;
}

// Names of the entries of an address-book folder, sorted by wabtool.
std::string LocalNames(const std::string& folder) {
  const std::string out = Capture("\"" + Env("CONTAVE_WABTOOL") + "\" list \"" + folder + "\"");
  std::string names;
  std::size_t at = 0;
  while (at < out.size()) {
    std::size_t end = out.find('\n', at);
    if (end == std::string::npos) end = out.size();
    std::string line = out.substr(at, end - at);
    at = end + 1;
    const std::size_t user = line.find(" user ");
    if (user == std::string::npos) continue;
    std::string name = line.substr(user + 6);
    if (const std::size_t mail = name.find(" <"); mail != std::string::npos) name.erase(mail);
    while (!name.empty() && (name.back() == '\r' || name.back() == ' ')) name.pop_back();
    names += name + ";";
  }
  return names;
}

// Windows ------------------------------------------------------------------------------------

struct WindowSearch {
  DWORD pid;
  const std::string* title;
  const char* windowClass;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lParam) {
  auto* s = reinterpret_cast<WindowSearch*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != s->pid || !IsWindowVisible(hwnd)) return TRUE;
  char text[256] = {}, name[64] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  GetClassNameA(hwnd, name, sizeof name);
  if (*s->title != text || (s->windowClass != nullptr && std::string(name) != s->windowClass)) return TRUE;
  s->found = hwnd;
  return FALSE;
}

// The first visible top-level window of the process with this title (and class, when given).
HWND FindProcessWindow(DWORD pid, const std::string& title, const char* windowClass = "#32770") {
  WindowSearch search{pid, &title, windowClass, nullptr};
  EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitFor(const Program& program, const std::string& title, int ms = 20000) {
  for (int waited = 0; waited < ms; waited += 50) {
    if (HWND hwnd = FindProcessWindow(program.process.dwProcessId, title)) return hwnd;
    Sleep(50);
  }
  return nullptr;
}

std::string Text(HWND hwnd) {
  char text[512] = {};
  SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
  return text;
}
std::string Text(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }

void Command(HWND dialog, int id, int code = BN_CLICKED) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

HWND Page(HWND sheet, int index) {
  return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_INDEXTOHWND, static_cast<WPARAM>(index), 0));
}
HWND CurrentPage(HWND sheet) { return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
void ShowPage(HWND sheet, int index) { SendMessageA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0); }

bool Checked(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Shoot(HWND window, const char* name) {
  Sleep(300);  // let the window finish painting
  EXPECT_TRUE(SaveScreenshot(window, Env("CONTAVE_SHOTS") + "\\contave-" + name + ".bmp")) << name;
}

std::string DataFolder() {
  char appData[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
  return std::string(appData) + "\\Velor\\Contave";
}

std::string RunArguments() { return "/host=" + Env("CONTAVE_LDAP") + " /user=anna /pass=demo /run"; }

// Answers the run's windows as they come until the Result window, which it reads and closes.
struct RunDriver {
  // Each confirmation's operation and name, and the answer given (a button identifier, or
  // IDCANCEL for Escape).
  std::vector<std::string> confirmations;
  std::function<int(const std::string& operation, const std::string& name)> confirm = [](auto&, auto&) { return IDYES; };
  std::function<int(HWND collision)> collide = [](HWND) { return IDC_COLLISION_USE_SERVER; };
  std::vector<std::string> collisions;
  std::function<int(const std::string& text)> massDeletion = [](auto&) { return IDNO; };
  std::vector<std::string> massQuestions;
  std::function<void(HWND sheet)> onProgress;
  std::string result[2];  // the panes' group titles
  std::string resultNumbers[2];
  HWND sheet = nullptr;
  bool shotConfirmation = false, shotCollision = false, shotResult = true;  // set false to take it

  // Reads a pane: "title: server c d m local c d m canceled failed" or the error fields.
  static std::string PaneText(HWND pane) {
    if (pane == nullptr) return "<none>";
    std::string text = Text(pane, IDC_PANE_GROUP) + ":";
    if (GetDlgItem(pane, IDC_PANE_CANCELED) != nullptr) {
      for (int id = IDC_PANE_SERVER_CREATED; id <= IDC_PANE_FAILED; ++id) text += " " + Text(pane, id);
    } else {
      text += " error " + Text(pane, IDC_PANE_ERROR_MESSAGE) + " / " + Text(pane, IDC_PANE_ERROR_CODE) + " / " +
              Text(pane, IDC_PANE_ERROR_TEXT);
    }
    return text;
  }

  bool Drive(const Program& program, int ms = 60000) {
    const DWORD pid = program.process.dwProcessId;
    bool progressed = false;
    for (int waited = 0; waited < ms; waited += 50) {
      if (HWND box = FindProcessWindow(pid, "Confirmation")) {
        const std::string operation = Text(box, IDC_CONFIRM_OPERATION), name = Text(box, IDC_CONFIRM_NAME);
        const int answer = confirm(operation, name);
        confirmations.push_back(operation + "|" + name + "|" + std::to_string(answer));
        if (!shotConfirmation) Shoot(box, "confirmation"), shotConfirmation = true;
        if (answer == IDCANCEL) PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0), PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
        else Command(box, answer);
        while (IsWindow(box) && IsWindowVisible(box)) Sleep(20);
        continue;
      }
      if (HWND box = FindProcessWindow(pid, "Collision detected")) {
        if (!shotCollision) Shoot(box, "collision"), shotCollision = true;
        // Escape first: the window must stay.
        PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
        Sleep(300);
        if (!IsWindow(box)) return false;
        std::string allowed;
        for (int id = IDC_COLLISION_USE_SERVER; id <= IDC_COLLISION_DELETE_BOTH; ++id)
          allowed += IsWindowEnabled(GetDlgItem(box, id)) ? (Checked(box, id) ? "*" : "+") : "-";
        collisions.push_back(Text(box, IDC_COLLISION_TYPE) + "|" + Text(box, IDC_COLLISION_SERVER) + "|" +
                             Text(box, IDC_COLLISION_LOCAL) + "|" + allowed);
        const int choice = collide(box);
        for (int id = IDC_COLLISION_USE_SERVER; id <= IDC_COLLISION_DELETE_BOTH; ++id)
          SendDlgItemMessageA(box, id, BM_SETCHECK, id == choice ? BST_CHECKED : BST_UNCHECKED, 0);
        Command(box, IDOK);
        while (IsWindow(box) && IsWindowVisible(box)) Sleep(20);
        continue;
      }
      if (HWND box = FindProcessWindow(pid, "Warning")) {
        // The mass-deletion question is a message box: its text is its static control.
        const std::string text = Text(GetDlgItem(box, 0xFFFF));
        massQuestions.push_back(text);
        Command(box, massDeletion(text));
        while (IsWindow(box) && IsWindowVisible(box)) Sleep(20);
        continue;
      }
      if (HWND box = FindProcessWindow(pid, "Result")) {
        Sleep(200);
        for (int place = 0; place < 2; ++place) {
          HWND pane = GetDlgItem(box, IDC_RESULT_UPPER + place + 100);
          resultNumbers[place] = PaneText(pane);
        }
        if (!shotResult) Shoot(box, "result"), shotResult = true;
        Command(box, IDOK);
        return true;
      }
      // No question open: the run is working.
      if (!progressed && onProgress && sheet != nullptr) {
        const std::string action = Text(Page(sheet, 0), IDC_SYNC_ACTION_TEXT);
        if (action == "Pass 1 of 2" || action == "Pass 2 of 2") {
          onProgress(sheet);
          progressed = true;
        }
      }
      Sleep(50);
    }
    return false;
  }
};

// Tests --------------------------------------------------------------------------------------

TEST(ContaveRegistration, RegisterCountsOnceAndUnregisterUndoes) {
  const std::string library = WabLibrary();
  ASSERT_NE(library, "<missing>") << "the address-book stand-in is not installed";
  const char* shared = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Velor\\Contave");
  {
    Program first;
    ASSERT_TRUE(Start(first, "/regserver"));
    EXPECT_EQ(first.Wait(20000), 0);
  }
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, "Software\\Velor\\Contave", nullptr), Env("CONTAVE_EXE"));
  EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, shared, library.c_str()), 1);
  {
    Program again;  // "regserverX" registers as well, without counting twice
    ASSERT_TRUE(Start(again, "regserverX"));
    EXPECT_EQ(again.Wait(20000), 0);
  }
  EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, shared, library.c_str()), 1);
  {
    Program remove;
    ASSERT_TRUE(Start(remove, "-UNREGSERVER"));
    EXPECT_EQ(remove.Wait(20000), 0);
  }
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, "Software\\Velor\\Contave", nullptr), "<missing>");
  EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, shared, library.c_str()), -1);
  {
    Program removeAgain;  // no registration: the system's counter is left alone
    HKEY key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, shared, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    DWORD two = 2;
    RegSetValueExA(key, library.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), 4);
    RegCloseKey(key);
    ASSERT_TRUE(Start(removeAgain, "/unregserver"));
    EXPECT_EQ(removeAgain.Wait(20000), 0);
    EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, shared, library.c_str()), 2);
  }
  // Registered for the launcher's sake in the tests that follow.
  Program last;
  ASSERT_TRUE(Start(last, "/regserver"));
  EXPECT_EQ(last.Wait(20000), 0);
  EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, shared, library.c_str()), 3);
}

TEST(ContaveWindow, FirstStartDefaultsSecondStartAndStaleStatusFiles) {
  RegDeleteTreeA(HKEY_CURRENT_USER, kUserKey);
  SetNumber("CollMethod", 7);
  // A status file of a folder the address book does not have, and a file that is not one.
  CreateDirectoryA((DataFolder() + "\\..").c_str(), nullptr);
  SHCreateDirectoryExA(nullptr, DataFolder().c_str(), nullptr);
  const std::string stale = DataFolder() + "\\0123456789ABCDEF0123456789ABCDEF.CTV";
  const std::string other = DataFolder() + "\\notes.txt";
  for (const std::string& file : {stale, other}) {
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
  }

  Program program;
  ASSERT_TRUE(Start(program, ""));
  HWND sheet = WaitFor(program, kTitle);
  ASSERT_NE(sheet, nullptr) << "no main window";
  EXPECT_EQ(GetFileAttributesA(stale.c_str()), INVALID_FILE_ATTRIBUTES) << "the stale status file stayed";
  EXPECT_NE(GetFileAttributesA(other.c_str()), INVALID_FILE_ATTRIBUTES) << "a file that is no status file went";
  EXPECT_EQ(ReadText(HKEY_CURRENT_USER, kUserKey, "Version"), "1.0.12");
  EXPECT_NE(GetWindowLongA(sheet, GWL_STYLE) & WS_MINIMIZEBOX, 0);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(sheet, IDOK)));

  // No host and no user: the Settings page comes first; method 7 reads as "Ask user to decide".
  HWND settings = Page(sheet, 1);
  ASSERT_EQ(CurrentPage(sheet), settings);
  EXPECT_EQ(Text(settings, IDC_SETTINGS_METHOD), "Ask user to decide");
  EXPECT_EQ(Text(settings, IDC_SETTINGS_HOST), "");
  EXPECT_TRUE(Checked(settings, IDC_SETTINGS_TWO_WAY_PRIVATE));
  EXPECT_FALSE(Checked(settings, IDC_SETTINGS_TWO_WAY_PUBLIC));
  Shoot(sheet, "settings-page");

  ShowPage(sheet, 0);
  HWND sync = Page(sheet, 0);
  ASSERT_NE(sync, nullptr);
  EXPECT_EQ(Text(sync, IDC_SYNC_SERVER_PRIVATE), "Contacts");
  EXPECT_EQ(Text(sync, IDC_SYNC_SERVER_PUBLIC), "#public/Contacts");
  EXPECT_FALSE(Checked(sync, IDC_SYNC_PRIVATE));
  EXPECT_FALSE(Checked(sync, IDC_SYNC_PUBLIC));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(sync, IDC_SYNC_RUN)));
  // The two lists propose different folders.
  EXPECT_NE(Text(sync, IDC_SYNC_LOCAL_PRIVATE), Text(sync, IDC_SYNC_LOCAL_PUBLIC));
  Shoot(sheet, "sync-page");

  // Both pairs on one folder: refused with a warning, no run.
  PostMessageA(GetDlgItem(sync, IDC_SYNC_PRIVATE), BM_CLICK, 0, 0);
  PostMessageA(GetDlgItem(sync, IDC_SYNC_PUBLIC), BM_CLICK, 0, 0);
  Sleep(300);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sync, IDC_SYNC_RUN)));
  SendDlgItemMessageA(sync, IDC_SYNC_LOCAL_PUBLIC, CB_SETCURSEL,
                      SendDlgItemMessageA(sync, IDC_SYNC_LOCAL_PUBLIC, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(Text(sync, IDC_SYNC_LOCAL_PRIVATE).c_str())), 0);
  Command(sync, IDC_SYNC_LOCAL_PUBLIC, CBN_SELCHANGE);
  Command(sync, IDC_SYNC_RUN);
  HWND refusal = WaitFor(program, "Contave", 10000);
  ASSERT_NE(refusal, nullptr);
  EXPECT_EQ(Text(GetDlgItem(refusal, 0xFFFF)), "WAB Folders must be different");
  Command(refusal, IDOK);
  Sleep(300);
  EXPECT_EQ(Text(sync, IDC_SYNC_RUN), "&Synchronize");
  // The Settings page was opened: it shows the policy the folder change reset.
  EXPECT_FALSE(Checked(settings, IDC_SETTINGS_AUTO_CONF));

  // The server folders come from the server when the list drops down: with a wrong password a
  // warning with the server's reason, with the right one the folder list.
  SendMessageA(GetDlgItem(settings, IDC_SETTINGS_HOST), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Env("CONTAVE_LDAP").c_str()));
  SendMessageA(GetDlgItem(settings, IDC_SETTINGS_USER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("anna"));
  SendMessageA(GetDlgItem(settings, IDC_SETTINGS_PASSWORD), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("wrong"));
  Command(sync, IDC_SYNC_SERVER_PRIVATE, CBN_DROPDOWN);
  HWND warning = WaitFor(program, "Contave", 10000);
  ASSERT_NE(warning, nullptr);
  EXPECT_EQ(Text(GetDlgItem(warning, 0xFFFF)).find("Can't get info from LDAP server\n"), 0u)
      << Text(GetDlgItem(warning, 0xFFFF));
  Command(warning, IDOK);
  Sleep(300);
  EXPECT_EQ(SendDlgItemMessageA(sync, IDC_SYNC_SERVER_PRIVATE, CB_GETCOUNT, 0, 0), 0);
  SendMessageA(GetDlgItem(settings, IDC_SETTINGS_PASSWORD), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("demo"));
  Command(sync, IDC_SYNC_SERVER_PRIVATE, CBN_DROPDOWN);
  for (int i = 0; i < 100 && SendDlgItemMessageA(sync, IDC_SYNC_SERVER_PRIVATE, CB_GETCOUNT, 0, 0) == 0; ++i) Sleep(50);
  EXPECT_EQ(SendDlgItemMessageA(sync, IDC_SYNC_SERVER_PRIVATE, CB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(Text(sync, IDC_SYNC_SERVER_PRIVATE), "Contacts");

  // A second start brings the first window forward (restored) and ends without a message.
  ShowWindow(sheet, SW_MINIMIZE);
  Sleep(300);
  {
    Program second;
    ASSERT_TRUE(Start(second, ""));
    EXPECT_EQ(second.Wait(20000), 0);
  }
  Sleep(300);
  EXPECT_FALSE(IsIconic(sheet));
  PostMessageA(GetDlgItem(sync, IDC_SYNC_PUBLIC), BM_CLICK, 0, 0);
  Sleep(200);

  // Close: each opened page writes its values.
  PostMessageA(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(program.Wait(20000), 0);
  EXPECT_EQ(ReadNumber(HKEY_CURRENT_USER, kUserKey, "PrivEnabled"), 1);
  EXPECT_EQ(ReadNumber(HKEY_CURRENT_USER, kUserKey, "PublEnabled"), 0);
  EXPECT_EQ(ReadText(HKEY_CURRENT_USER, kUserKey, "PrivSFolder"), "fn=Contacts,fn=Personal,fn=ContactRoot");
  EXPECT_EQ(ReadNumber(HKEY_CURRENT_USER, kUserKey, "CollMethod"), 0);
  // The Settings page was edited: its values are the user's, the password scrambled.
  EXPECT_EQ(ReadText(HKEY_CURRENT_USER, kUserKey, "User"), "anna");
  DWORD type = 0;
  std::string stored;
  ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, kUserKey, "Status", type, stored));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(stored.size(), 5u);  // four scrambled bytes and the terminator
  EXPECT_EQ(stored.find("demo"), std::string::npos);
}

std::string Wabtool(const std::string& arguments) {
  return Capture("\"" + Env("CONTAVE_WABTOOL") + "\" " + arguments);
}

// The launcher's start: values on the command line, a run at once, the window gone after the
// result, and the launcher's password kept out of the registry. Then every confirmation answer
// (creations are never asked about; changes and deletions are).
TEST(ContaveRun, LauncherRunAndConfirmations) {
  RegDeleteTreeA(HKEY_CURRENT_USER, kUserKey);
  SetNumber("PrivEnabled", 1);
  SetText("PrivLFolder", "Velor Private");
  SetText("Host", "stored.example.com");
  SetText("User", "stored");
  Program program;
  ASSERT_TRUE(Start(program, RunArguments()));
  RunDriver driver;
  driver.sheet = WaitFor(program, kTitle);
  ASSERT_NE(driver.sheet, nullptr);
  ASSERT_TRUE(driver.Drive(program));
  EXPECT_EQ(program.Wait(20000), 0) << "the window did not close after the run";
  EXPECT_TRUE(driver.confirmations.empty()) << ::testing::PrintToString(driver.confirmations);
  EXPECT_EQ(driver.resultNumbers[0], "Private folder: 3 0 0 3 0 0 0 0");
  EXPECT_EQ(driver.resultNumbers[1], "<none>");
  EXPECT_EQ(LocalNames("Velor Private"), "Ann Lee;Bob Local;Carl Server;Dan Local;Jir\xED Nov\xE1k;Zo\xEB M\xFCller;");
  // The launcher's values were for this start only.
  EXPECT_EQ(ReadText(HKEY_CURRENT_USER, kUserKey, "Host"), "stored.example.com");
  EXPECT_EQ(ReadText(HKEY_CURRENT_USER, kUserKey, "Status"), "<missing>");

  // Three contacts changed here and one deleted: each answer once, by name. The server's order
  // is Carl (its first id), then Ann, Bob and Dan as the first run created them.
  Wabtool("edit \"Ann Lee\" PR_COMMENT=one");
  Wabtool("edit \"Bob Local\" PR_COMMENT=two");
  Wabtool("edit \"Carl Server\" PR_COMMENT=three");
  Wabtool("delete \"Dan Local\"");
  Program again;
  ASSERT_TRUE(Start(again, RunArguments()));
  RunDriver second;
  second.confirm = [](const std::string&, const std::string& name) {
    if (name == "Carl Server") return IDNO;
    if (name == "Ann Lee") return IDYES;
    if (name == "Bob Local") return IDC_CONFIRM_YES_TO_ALL;
    return IDCANCEL;  // Escape: No To All
  };
  second.sheet = WaitFor(again, kTitle);
  ASSERT_TRUE(second.Drive(again));
  EXPECT_EQ(again.Wait(20000), 0);
  EXPECT_EQ(second.confirmations,
            (std::vector<std::string>{"Modify record on server|Carl Server|7", "Modify record on server|Ann Lee|6",
                                      "Modify record on server|Bob Local|1090", "Delete record on server|Dan Local|2"}));
  EXPECT_EQ(second.resultNumbers[0], "Private folder: 0 0 2 0 0 0 2 0");
}

// Both sides changed one contact (the script changed them): the collision window, its Escape
// ignored, "Use Local Copy" taken and confirmed.
TEST(ContaveRun, CollisionAnsweredWithTheLocalCopy) {
  Program program;
  ASSERT_TRUE(Start(program, RunArguments()));
  RunDriver driver;
  // Sending the local copy is a change on the server like any other: confirmed for Ann only.
  driver.confirm = [](const std::string&, const std::string& name) { return name == "Ann Lee" ? IDYES : IDNO; };
  driver.collide = [](HWND) { return IDC_COLLISION_USE_LOCAL; };
  driver.sheet = WaitFor(program, kTitle);
  ASSERT_TRUE(driver.Drive(program));
  EXPECT_EQ(program.Wait(20000), 0);
  ASSERT_EQ(driver.collisions.size(), 1u);
  EXPECT_EQ(driver.collisions[0], "Both local and server records modified|Ann Lee|Ann Lee|*+--+");
  // Carl's change and Dan's deletion, refused before, are refused again.
  EXPECT_EQ(driver.resultNumbers[0], "Private folder: 0 0 1 0 0 0 2 0");
}

// Every local contact deleted (the script deleted them): the mass-deletion question, answered No,
// keeps the server's contacts.
TEST(ContaveRun, MassDeletionAskedAndRefused) {
  Program program;
  ASSERT_TRUE(Start(program, RunArguments()));
  RunDriver driver;
  driver.confirm = [](const std::string&, const std::string&) { return IDC_CONFIRM_YES_TO_ALL; };
  driver.sheet = WaitFor(program, kTitle);
  ASSERT_TRUE(driver.Drive(program));
  EXPECT_EQ(program.Wait(20000), 0);
  ASSERT_EQ(driver.massQuestions.size(), 1u);
  EXPECT_NE(driver.massQuestions[0].find("server"), std::string::npos) << driver.massQuestions[0];
  EXPECT_EQ(driver.resultNumbers[0].find("Private folder: 0 0 0"), 0u) << driver.resultNumbers[0];
}

}  // namespace

namespace {

// Parses "Private folder: a b c d e f g h" into its eight numbers.
std::vector<int> PaneNumbers(const std::string& pane) {
  std::vector<int> numbers;
  const std::size_t colon = pane.find(':');
  if (colon == std::string::npos) return numbers;
  for (std::size_t at = pane.find(' ', colon); at != std::string::npos; at = pane.find(' ', at + 1))
    numbers.push_back(std::atoi(pane.c_str() + at + 1));
  return numbers;
}

// Ten new local contacts of a folder never synchronised, while the server takes its time over each (the script delays every
// add): Stop in pass 1 ends the run early, its status is kept, and the next run sends exactly
// the rest, no contact twice.
TEST(ContaveRun, StopMidRunKeepsWhatWasDone) {
  SetNumber("AutoConf", 1);
  SetText("PrivLFolder", "Velor Public");  // a pair never synchronised: nothing to delete
  Program program;
  ASSERT_TRUE(Start(program, RunArguments()));
  RunDriver driver;
  driver.sheet = WaitFor(program, kTitle);
  ASSERT_NE(driver.sheet, nullptr);
  std::string buttonDuringStop;
  driver.onProgress = [&](HWND sheet) {
    HWND sync = Page(sheet, 0);
    Sleep(600);
    EXPECT_EQ(Text(sync, IDC_SYNC_RUN), "&Stop");
    EXPECT_FALSE(IsWindowEnabled(PropSheet_GetTabControl(sheet)));
    Shoot(sheet, "sync-page-running");
    Command(sync, IDC_SYNC_RUN);
    Sleep(150);
    buttonDuringStop = IsWindowEnabled(GetDlgItem(sync, IDC_SYNC_RUN)) ? "enabled" : "disabled";
    // Close is refused during the run.
    PostMessageA(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
  };
  ASSERT_TRUE(driver.Drive(program));
  EXPECT_EQ(program.Wait(20000), 0);
  EXPECT_EQ(buttonDuringStop, "disabled");
  const std::vector<int> first = PaneNumbers(driver.resultNumbers[0]);
  ASSERT_EQ(first.size(), 8u) << driver.resultNumbers[0];
  EXPECT_GT(first[0], 0) << driver.resultNumbers[0];
  EXPECT_LT(first[0], 10) << driver.resultNumbers[0];

  Program again;
  ASSERT_TRUE(Start(again, RunArguments()));
  RunDriver rest;
  rest.sheet = WaitFor(again, kTitle);
  ASSERT_TRUE(rest.Drive(again, 120000));
  EXPECT_EQ(again.Wait(20000), 0);
  const std::vector<int> second = PaneNumbers(rest.resultNumbers[0]);
  ASSERT_EQ(second.size(), 8u) << rest.resultNumbers[0];
  EXPECT_EQ(first[0] + second[0], 10) << driver.resultNumbers[0] << " then " << rest.resultNumbers[0];
}

}  // namespace

namespace {

// A pair that fails gets the error pane in its place; with only the public pair, its pane takes
// the upper place.
TEST(ContaveRun, ResultPanesForBothPairsAndThePublicAlone) {
  SetNumber("PublEnabled", 1);
  SetText("PublLFolder", "Main Identity's Contacts");
  SetText("PublSFolder", "fn=Nothing,fn=Public,fn=ContactRoot");
  {
    Program program;
    ASSERT_TRUE(Start(program, RunArguments()));
    RunDriver driver;
    driver.shotResult = false;
    driver.sheet = WaitFor(program, kTitle);
    ASSERT_TRUE(driver.Drive(program));
    EXPECT_EQ(program.Wait(20000), 0);
    EXPECT_EQ(driver.resultNumbers[0].find("Private folder: "), 0u) << driver.resultNumbers[0];
    EXPECT_EQ(driver.resultNumbers[1], "Public folder: error Can't load LDAP content / 80720020 / No such object");
  }
  SetNumber("PrivEnabled", 0);
  Program program;
  ASSERT_TRUE(Start(program, RunArguments()));
  RunDriver driver;
  driver.sheet = WaitFor(program, kTitle);
  ASSERT_TRUE(driver.Drive(program));
  EXPECT_EQ(program.Wait(20000), 0);
  EXPECT_EQ(driver.resultNumbers[0].find("Public folder: error"), 0u) << driver.resultNumbers[0];
  EXPECT_EQ(driver.resultNumbers[1], "<none>");
}

}  // namespace
