#include "velhook/PasswordStore_win32.h"

#include <vector>

#include "velhook/Scrambled.h"

namespace velor::velhook {
namespace {

// The component's names are not kept in plain text in the image.
constexpr auto kStoreLibrary = Scramble("pstorestand.dll");
constexpr auto kReadEntry = Scramble("PStoreReadPassword");

using ReadFunction = HRESULT(WINAPI*)(HKEY, LPCSTR, LPSTR, DWORD*);

HMODULE g_store;

ReadFunction StoreReader() {
    if (!g_store) {
        char library[32];
        if (!kStoreLibrary.Unscramble(library, sizeof library)) return nullptr;
        g_store = LoadLibraryA(library);
        if (!g_store) return nullptr;
    }
    char entry[32];
    if (!kReadEntry.Unscramble(entry, sizeof entry)) return nullptr;
    return reinterpret_cast<ReadFunction>(reinterpret_cast<void*>(GetProcAddress(g_store, entry)));
}

}  // namespace

HRESULT ReadStoredPassword(HKEY account, const char* value, std::string* password) {
    password->clear();
    ReadFunction read = StoreReader();
    if (!read) {
        DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    std::vector<char> buffer(256);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = static_cast<DWORD>(buffer.size());
        HRESULT hr = read(account, value, buffer.data(), &size);
        if (hr == HRESULT_FROM_WIN32(ERROR_MORE_DATA) && size > buffer.size() && size <= 65536) {
            buffer.resize(size);
            continue;
        }
        if (hr != S_OK) return hr;
        buffer.back() = '\0';
        *password = buffer.data();
        return S_OK;
    }
    return HRESULT_FROM_WIN32(ERROR_MORE_DATA);
}

void FreePasswordStore() {
    if (g_store) FreeLibrary(g_store);
    g_store = nullptr;
}

}  // namespace velor::velhook
