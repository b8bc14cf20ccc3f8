// msimn.exe: the program the shell starts. Like the mail client it stands in for, it is a thin
// launcher; the user interface lives in msoe.dll, which it imports.
#include <windows.h>

extern "C" __declspec(dllimport) int WINAPI OEStart(HINSTANCE exe, LPSTR commandLine, int show);

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
  return OEStart(instance, commandLine, show);
}
