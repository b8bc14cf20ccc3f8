#include "velcore/protocol/ResourceModule_win32.h"

#include "velcore/protocol/FolderNames.h"
#include "velcore/protocol/Runtime.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace velor {
namespace {

HINSTANCE g_languageLibrary = nullptr;

HINSTANCE ownModule() { return static_cast<HINSTANCE>(TheRuntime().module); }

HINSTANCE findLanguageLibrary(WORD language) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(ownModule(), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    char* slash = strrchr(path, '\\');
    char* name = slash ? slash + 1 : path;
    int room = static_cast<int>(MAX_PATH - (name - path));
    if (std::snprintf(name, static_cast<size_t>(room), "Velcore%X.dll", language) >= room) return nullptr;
    // Resources only: the library's code never runs.
    return LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

}  // namespace

HINSTANCE ResourceModule() {
    if (g_languageLibrary) return g_languageLibrary;
    WORD language = TheRuntime().language;
    if (language != 0) g_languageLibrary = findLanguageLibrary(language);
    return g_languageLibrary ? g_languageLibrary : ownModule();
}

HINSTANCE ResourceModuleFor(LPCSTR type, unsigned id) {
    HINSTANCE module = ResourceModule();
    if (module != ownModule() && !FindResourceA(module, MAKEINTRESOURCEA(id), type)) return ownModule();
    return module;
}

void SetResourceLanguage(WORD language) {
    if (TheRuntime().language != language) ReleaseResourceModule();
    TheRuntime().language = language;
}

namespace {

// The string from one module: true with the text, or false when the module lacks it.
bool loadString(HINSTANCE module, unsigned id, std::string& text) {
    // A text that fills the buffer to its last character may have been cut: try again larger.
    for (std::size_t size = 256;; size += 256) {
        std::vector<char> buffer(size);
        int n = LoadStringA(module, id, buffer.data(), static_cast<int>(size));
        if (n <= 0) return false;
        if (static_cast<std::size_t>(n) < size - 1) {
            text.assign(buffer.data(), static_cast<std::size_t>(n));
            return true;
        }
    }
}

}  // namespace

std::string LoadResourceString(unsigned id) {
    std::string text;
    HINSTANCE module = ResourceModule();
    if (!loadString(module, id, text) && module != ownModule()) loadString(ownModule(), id, text);
    return text;
}

const FolderNames& ResourceFolderNames() {
    static const ResourceStrings strings;
    static const FolderNames names(strings);
    return names;
}

void ReleaseResourceModule() {
    if (g_languageLibrary) FreeLibrary(g_languageLibrary);
    g_languageLibrary = nullptr;
}

}  // namespace velor
