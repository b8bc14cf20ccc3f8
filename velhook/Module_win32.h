// What one process knows about this module: its handle, its path and folder, whether the process
// is Outlook Express, and the module's message boxes.
#pragma once

#include <windows.h>

#include <string>

namespace velor::velhook {

void SetModuleHandle(HMODULE module);
HMODULE ModuleHandle();
// The module's full path; empty when it does not fit a path buffer.
std::string ModulePath();
// The folder of a path, with its trailing backslash: walks by characters, so a double-byte
// character whose second byte is a backslash is not taken for one.
std::string FolderOf(const std::string& path);

// Whether this process is Outlook Express (its program is msimn.exe). Asked once per process;
// every later call answers from the cached result.
bool IsHostProcess();

// Loads this module once more by its own path, so it stays in the process for as long as the
// process lives, whatever happens to the window hook that brought it in. Once per process.
void PinModule();
bool IsModulePinned();

// A string resource of the module; empty when it is missing.
std::string LoadModuleString(UINT id);
// The module's message boxes have an empty caption.
int ShowMessage(HWND owner, const std::string& text, UINT style);

// The module lock count of the COM server (objects and locked factories).
void LockModule();
void UnlockModule();
LONG ModuleLocks();

}  // namespace velor::velhook
