// Contave's entry point. The synchronisation window and its run control are built on the engine
// modules in LIB/; until they are, the program starts and ends without a window.
#include <windows.h>

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*show*/) {
    return 0;
}
