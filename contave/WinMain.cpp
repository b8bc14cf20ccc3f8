// Contave's entry point: the registration switches, the single-instance rule and the start-up
// steps up to the main window, and the release of what they opened.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "contave/LIB/folder_choice.h"
#include "contave/LIB/internal_failure.h"
#include "contave/LIB/ldap_proxy.h"
#include "contave/LIB/message_text.h"
#include "contave/LIB/registration.h"
#include "contave/main_window.h"
#include "contave/res/resource.h"
#include "contave/run_dialogs.h"

namespace {

using namespace contave;

// One flag for every process of this program file: set while a main window lives.
volatile LONG g_instanceFlag __attribute__((section(".shared"), shared)) = 0;

HINSTANCE g_instance = nullptr;

// A broken invariant: its window, then the end of the process. From the worker the window
// thread shows it (the worker waits); on the window's own thread, or before there is a window,
// it is shown here, since a request to itself would wait for ever.
void ReportInternalFailure(const char* moduleName, int line, Status code) {
  SyncController* controller = ActiveController();
  if (controller != nullptr && MainWindowHandle() != nullptr && GetCurrentThreadId() != MainWindowThread()) {
    InternalErrorRequest request{moduleName, line, code};
    controller->Ask(RequestKind::kInternalError, &request);
  }
  ShowInternalFailure(g_instance, MainWindowHandle(), moduleName, line, code);
  ExitProcess(3);
}

std::string ProgramPath() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

// A second start: the first window comes forward, and this process ends.
void BringFirstInstanceForward() {
  HWND first = FindWindowA("#32770", kMainWindowTitle);
  if (first == nullptr) {
    ShowMessage(nullptr, g_instance, IDS_ALREADY_RUNNING);
    return;
  }
  if (IsIconic(first)) ShowWindow(first, SW_RESTORE);
  SetForegroundWindow(first);
}

// <AppData>\Velor\Contave, made when missing.
Status OpenDataFolder(std::string& folder) {
  char appData[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)))
    return SystemStatus(kErrorPathNotFound);
  const DWORD attributes = GetFileAttributesA(appData);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    return SystemStatus(kErrorPathNotFound);
  folder = appData;
  for (const char* level : {"\\Velor", "\\Contave"}) {
    folder += level;
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      return SystemStatus(static_cast<std::int32_t>(GetLastError()));
  }
  return kOk;
}

// Status files of address-book folders that are gone.
void RemoveStaleStatusFiles(const std::string& folder, const std::vector<std::string>& digests) {
  std::vector<std::string> files;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) files.emplace_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  for (const std::string& name : StaleStatusFiles(files, digests)) DeleteFileA((folder + "\\" + name).c_str());
}

int RunProgram(AppContext& app) {
  // Register and unregister without a window.
  if (app.commandLine.registration == RegistrationSwitch::kRegister) {
    if (Failed(RegisterProgram(PlatformRegistry(), ProgramPath()))) {
      ShowMessage(nullptr, g_instance, IDS_CANT_REGISTER);
      return 1;
    }
    return 0;
  }
  if (app.commandLine.registration == RegistrationSwitch::kUnregister) {
    UnregisterProgram(PlatformRegistry());
    return 0;
  }

  if (InterlockedCompareExchange(&g_instanceFlag, 1, 0) != 0) {
    BringFirstInstanceForward();
    return 0;
  }
  struct FlagRelease {
    ~FlagRelease() { InterlockedExchange(&g_instanceFlag, 0); }
  } release;

  AddressBook book;
  AddressBook::LoadStep step = AddressBook::LoadStep::kLibrary;
  if (Status status = book.Load(&step); Failed(status)) {
    ShowMessageWithCode(nullptr, g_instance, step == AddressBook::LoadStep::kLibrary ? IDS_CANT_LOAD_WAB : IDS_CANT_OPEN_WAB,
                        status);
    return 1;
  }
  std::vector<std::string> digests;
  if (Status status = book.ListFolders(app.folderNames, digests); Failed(status)) {
    ShowMessageWithCode(nullptr, g_instance, IDS_CANT_LIST_WAB_FOLDERS, status);
    return 1;
  }
  if (Status status = OpenDataFolder(app.dataFolder); Failed(status)) {
    ShowMessageWithCode(nullptr, g_instance, IDS_CANT_OPEN_HOME, status);
    return 1;
  }
  RemoveStaleStatusFiles(app.dataFolder, digests);
  SetUpDirectoryLibrary();
  app.addressBook = &book;

  {
    MainWindow window(app);
    window.Run();
  }
  book.Unload();
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*show*/) {
  g_instance = instance;
  SetInternalFailureHook(&ReportInternalFailure);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

  SettingsStore store(PlatformRegistry());
  AppContext app;
  app.instance = instance;
  // The launcher's quoting, read from the line as it came, not as the C runtime split it.
  app.commandLine = ParseCommandLine(SplitCommandLine(GetCommandLineA()));
  app.store = &store;
  return RunProgram(app);
}

namespace contave {

std::string LoadText(HINSTANCE instance, UINT id) {
  char text[512] = {};
  LoadStringA(instance, id, text, sizeof text);
  return text;
}

void ShowMessage(HWND owner, HINSTANCE instance, UINT id, bool warning) {
  MessageBoxA(owner, LoadText(instance, id).c_str(), kMessageCaption, MB_OK | (warning ? MB_ICONWARNING : MB_ICONERROR));
}

void ShowMessageWithCode(HWND owner, HINSTANCE instance, UINT id, Status code, bool warning) {
  MessageBoxA(owner, MessageWithError(LoadText(instance, id), code).c_str(), kMessageCaption,
              MB_OK | (warning ? MB_ICONWARNING : MB_ICONERROR));
}

}  // namespace contave
