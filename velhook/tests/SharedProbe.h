// The tests' view of Velhook's shared section: the DLL of the build is loaded into the test
// process and the section is found by name in its image, so what every process sees can be read
// and, to set up a case, written.
#pragma once

#include <windows.h>

#include <string>

#include "velhook/SharedState_win32.h"

namespace velor::velhook::testing {

// The build's bin folder, with its trailing backslash.
std::string BinFolder();

class SharedProbe {
public:
    SharedProbe();
    ~SharedProbe();
    bool loaded() const { return state_ != nullptr; }
    HMODULE module() const { return module_; }
    SharedState& state() { return *state_; }

    HHOOK hook() const { return HookHandleOf(InterlockedCompareExchange64(&state_->cbtHook, 0, 0)); }
    DWORD hookOwner() const { return HookOwnerOf(InterlockedCompareExchange64(&state_->cbtHook, 0, 0)); }
    // Removes a hook that this process installed and clears the field.
    void RemoveHookOfThisProcess();

    template <typename F>
    F Export(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_ = nullptr;
    SharedState* state_ = nullptr;
};

}  // namespace velor::velhook::testing
