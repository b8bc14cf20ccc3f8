// Stand-ins for Velcore.dll in the binding tests, built in several variants beside each other:
// with the right or a wrong version block or none, with VlInit answering as the variant says, and
// without VlExpunge. VlInit notes its arguments where the test can read them.
#include <windows.h>

extern "C" {
__declspec(dllexport) DWORD FakeInitCalls;
__declspec(dllexport) WORD FakeInitLanguage;
__declspec(dllexport) DWORD FakeInitHandle;

HRESULT WINAPI VlInit(DWORD handle, WORD language) {
    ++FakeInitCalls;
    FakeInitLanguage = language;
    FakeInitHandle = handle;
    SetLastError(0);
    return FAKE_INIT_RESULT;
}

// Answers with a value the test can tell apart from any status of the binding.
HRESULT WINAPI VlSetAllRead(void* settings, const char* folder) {
    return settings && folder ? 0x00BEEF01 : E_INVALIDARG;
}

int WINAPI VlAclToString(const void*, char* buffer) {
    static const char text[] = "anna:lrs";
    if (buffer) lstrcpyA(buffer, text);
    return sizeof text;
}
}
