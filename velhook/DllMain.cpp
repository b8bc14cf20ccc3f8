// Velhook's entry point. The module is loaded into many processes (the shell, and every process
// that creates windows while its hook is installed), so it does nothing on thread events.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
