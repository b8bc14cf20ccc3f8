// What the integration tests need to know about an Outlook Express stand-in that something else
// started: waiting for it, its modules, reading its memory, and ending it.
#pragma once

#include <windows.h>

#include <string>

namespace velor::velhook::testing {

// The host's main window, waited for up to timeoutMs; null when none came.
HWND WaitForHostMainWindow(int timeoutMs = 30000);
// Closes every running host (its main window gets WM_CLOSE) and waits for it to end; a host that
// hangs is terminated. True when none is left.
bool CloseHosts(int timeoutMs = 20000);

struct RemoteModule {
    BYTE* base = nullptr;
    DWORD size = 0;
    bool contains(const void* p) const {
        return base && static_cast<const BYTE*>(p) >= base && static_cast<const BYTE*>(p) < base + size;
    }
};
// A module of the process by file name (no folder), from a module snapshot.
RemoteModule FindRemoteModule(DWORD process, const char* fileName);

// The address that the module's import slot of library!function holds in the process, read with
// the slot's offset taken from the module's file on disk. Null when it cannot be read.
void* ReadRemoteImport(HANDLE process, const RemoteModule& module, const std::string& modulePath, const char* library,
                       const char* function);

}  // namespace velor::velhook::testing
