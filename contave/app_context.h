// What the windows of Contave share for the life of the process: the command line, the settings
// store, the opened address book with its folders, and the data folder of the status files.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "contave/LIB/command_line.h"
#include "contave/LIB/settings_store.h"
#include "contave/LIB/wab_proxy.h"

namespace contave {

inline constexpr char kMainWindowTitle[] = "Velor WAB Synchronization Tool";
// Message boxes carry the program's name: a box titled like the main window would be taken
// for it by a second start looking for the first.
inline constexpr char kMessageCaption[] = "Contave";

struct AppContext {
  HINSTANCE instance = nullptr;
  CommandLine commandLine;
  SettingsStore* store = nullptr;
  AddressBook* addressBook = nullptr;
  std::vector<std::string> folderNames;  // the address book's folders, in its order
  std::string dataFolder;
};

std::string LoadText(HINSTANCE instance, UINT id);
// A message box with the error icon (warning icon when warning is set); the text is the string
// or, with a code, the string and the code's error text on two centred lines.
void ShowMessage(HWND owner, HINSTANCE instance, UINT id, bool warning = false);
void ShowMessageWithCode(HWND owner, HINSTANCE instance, UINT id, Status code, bool warning = false);

}  // namespace contave
