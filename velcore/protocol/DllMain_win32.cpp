// Velcore's entry point. The rules windows use RichEdit 2.0, so the library loads it together
// with itself and refuses to load without it rather than fail later inside a window.
#include <winsock2.h>  // before windows.h, which would bring the old winsock.h

#include "velcore/protocol/OpenSsl_win32.h"
#include "velcore/protocol/ResourceModule_win32.h"
#include "velcore/protocol/Runtime.h"
#include "velcore/protocol/WinsockTransport_win32.h"

#include <windows.h>

namespace {

HMODULE g_richEdit = nullptr;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            g_richEdit = LoadLibraryA("RICHED20.DLL");
            if (!g_richEdit) return FALSE;
            velor::TheRuntime().module = instance;
            DisableThreadLibraryCalls(instance);
            return TRUE;
        case DLL_PROCESS_DETACH:
            // At process exit (reserved != null) other DLLs may already be gone: leave them be.
            if (!reserved) {
                velor::ShutdownTransport();
                velor::openssl::Unload();
                velor::ReleaseResourceModule();
                if (g_richEdit) FreeLibrary(g_richEdit);
            }
            g_richEdit = nullptr;
            return TRUE;
        default:
            return TRUE;
    }
}
