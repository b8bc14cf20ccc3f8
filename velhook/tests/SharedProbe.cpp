#include "SharedProbe.h"

#include <cstring>

namespace velor::velhook::testing {

std::string BinFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string p = path;
    return p.substr(0, p.find_last_of('\\') + 1);
}

SharedProbe::SharedProbe() {
    module_ = LoadLibraryA((BinFolder() + "Velhook.dll").c_str());
    if (!module_) return;
    auto* base = reinterpret_cast<BYTE*>(module_);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        char name[9] = {};
        std::memcpy(name, section->Name, 8);
        if (std::strcmp(name, kSharedSectionName) == 0 && (section->Characteristics & IMAGE_SCN_MEM_SHARED) &&
            section->Misc.VirtualSize >= sizeof(SharedState))
            state_ = reinterpret_cast<SharedState*>(base + section->VirtualAddress);
    }
}

SharedProbe::~SharedProbe() {
    if (module_) FreeLibrary(module_);
}

void SharedProbe::RemoveHookOfThisProcess() {
    LONGLONG pair = InterlockedCompareExchange64(&state_->cbtHook, 0, 0);
    if (HookHandleOf(pair) && HookOwnerOf(pair) == GetCurrentProcessId()) {
        UnhookWindowsHookEx(HookHandleOf(pair));
        InterlockedCompareExchange64(&state_->cbtHook, 0, pair);
    }
}

}  // namespace velor::velhook::testing
