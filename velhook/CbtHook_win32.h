// The computer-based-training hook that the shell hook installs for the whole desktop. Windows
// loads the module into every process that creates a window while it is installed; it acts only
// inside Outlook Express, where it catches the splash screen and the main window as they are made.
#pragma once

#include <windows.h>

namespace velor::velhook {

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);

// What the hook does with a window being created inside Outlook Express (the part of CbtProc
// after its process check).
void OnHostWindowCreated(HWND window);

}  // namespace velor::velhook
