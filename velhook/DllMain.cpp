// Velhook's entry point and exports. The module is loaded into many processes (the shell, and
// every process that creates windows while its hook is installed), so attaching only counts the
// process and remembers the module; it does nothing on thread events.
#include <windows.h>

#include "velhook/Module_win32.h"
#include "velhook/PasswordStore_win32.h"
#include "velhook/Registrar_win32.h"
#include "velhook/RuntimeBinding_win32.h"
#include "velhook/SharedState_win32.h"
#include "velhook/ShellExecuteHook_win32.h"

using namespace velor::velhook;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        InterlockedIncrement(&Shared().attachedProcesses);
        SetModuleHandle(instance);
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        InterlockedDecrement(&Shared().attachedProcesses);
        // When the process is ending, the libraries go with it: unloading them from here could
        // run their code after their own detach.
        if (!reserved) {
            FreeRuntime();
            FreePasswordStore();
        }
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != kShellExecuteHookClsid) return CLASS_E_CLASSNOTAVAILABLE;
    return ShellExecuteHookFactory()->QueryInterface(iid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
    return ModuleLocks() != 0 || LiveHook() ? S_FALSE : S_OK;
}

extern "C" HRESULT WINAPI DllRegisterServer() {
    return RegisterModule();
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
    return UnregisterModule();
}
