// The functions Velcore exports by name (see Velcore.def). Each is a thin shell: argument
// checks and the current account here, the work in the modules it calls.
#include "velcore/protocol/Runtime.h"

#include <windows.h>

// Stores the language whose resources the library is to use; the first argument (Velhook passes
// the library's module handle) is ignored.
extern "C" HRESULT WINAPI VlInit(DWORD /*ignored*/, WORD language) {
    velor::TheRuntime().language = language;
    return S_OK;
}
