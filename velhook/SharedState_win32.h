// The data that every process which loads Velhook shares: one copy in a section of the image
// marked shared, so the shell hook in the launching process can tell the window hook inside Outlook
// Express what to do. The fields keep their order; the installing process's id sits beside the
// hook handle so that the two change together.
#pragma once

#include <windows.h>

#include <cstdint>

namespace velor::velhook {

// The section's name in the image; the tests' probe finds the shared copy by it.
inline constexpr char kSharedSectionName[] = ".velshr";

struct SharedState {
    volatile LONG attachedProcesses;  // processes that have the module loaded
    LONG reserved;                    // keeps the hook pair on an 8-byte boundary
    // The CBT hook: low half the handle (0 when none), high half the id of the process that
    // installed it. Changed only as a whole, with a compare-exchange.
    volatile LONGLONG cbtHook;
    volatile BYTE active;             // 1 while the extension is to act in Outlook Express
    volatile DWORD bannerBitmapId;    // 0, 202 or 203
    volatile HWND mainWindow;         // the subclassed main window, 0 when none
    volatile WORD languageId;         // passed on to the runtime library; 0 "not set"
};

SharedState& Shared();

inline HHOOK HookHandleOf(LONGLONG pair) {
    return reinterpret_cast<HHOOK>(static_cast<UINT_PTR>(static_cast<std::uint32_t>(pair)));
}
inline DWORD HookOwnerOf(LONGLONG pair) {
    return static_cast<DWORD>(static_cast<std::uint64_t>(pair) >> 32);
}
inline LONGLONG HookPair(HHOOK hook, DWORD owner) {
    return static_cast<LONGLONG>(static_cast<std::uint64_t>(owner) << 32 |
                                 static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(hook)));
}

// The hook pair as one value.
LONGLONG ReadHookPair();
// The installed hook's handle, or null when there is none or its installer has ended (Windows
// removed the hook with it, so the handle names nothing).
HHOOK LiveHook();
// Installs the CBT hook for all threads of the desktop unless a live one is installed. A launch
// that loses a race with another removes its own hook. True when a live hook is installed when it
// returns.
bool InstallHookIfAbsent(HOOKPROC procedure);
// Removes the hook if this process installed it and clears the field; true when it was removed.
bool RemoveOwnHook();

// Values read back from the section, checked: a banner that is not one of ours reads as none,
// an implausible language as 0, a main window that is gone or not this process's as null.
DWORD SharedBanner();
WORD SharedLanguage();
HWND SharedMainWindowOfThisProcess();

}  // namespace velor::velhook
