// Loads the built deliverables the way Windows and Velhook do and checks what they present:
// version resources, Velcore's entry point and its plain export names.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FileVersion {
    WORD parts[4] = {};
    std::string text;  // the "FileVersion" string
};

bool readVersion(const char* file, FileVersion& out) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(file, &handle);
    if (size == 0) return false;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(file, 0, size, data.data())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) return false;
    out.parts[0] = HIWORD(fixed->dwFileVersionMS);
    out.parts[1] = LOWORD(fixed->dwFileVersionMS);
    out.parts[2] = HIWORD(fixed->dwFileVersionLS);
    out.parts[3] = LOWORD(fixed->dwFileVersionLS);
    char* text = nullptr;
    if (VerQueryValueA(data.data(), "\\StringFileInfo\\040904b0\\FileVersion", reinterpret_cast<void**>(&text), &length) && text)
        out.text = text;
    return true;
}

struct Library {
    explicit Library(const char* name) : module(LoadLibraryA(name)) {}
    ~Library() {
        if (module) FreeLibrary(module);
    }
    HMODULE module;
};

}  // namespace

TEST(Deliverables, CarryTheirVersionResources) {
    FileVersion core, hook, tool;
    ASSERT_TRUE(readVersion("Velcore.dll", core));
    ASSERT_TRUE(readVersion("Velhook.dll", hook));
    ASSERT_TRUE(readVersion("Contave.exe", tool));
    EXPECT_EQ(std::vector<WORD>(core.parts, core.parts + 4), (std::vector<WORD>{1, 0, 117, 0}));
    EXPECT_EQ(std::vector<WORD>(hook.parts, hook.parts + 4), (std::vector<WORD>{1, 0, 117, 0}));
    EXPECT_EQ(std::vector<WORD>(tool.parts, tool.parts + 4), (std::vector<WORD>{1, 0, 12, 0}));
    EXPECT_EQ(core.text, "1.0.117.0");
    EXPECT_EQ(hook.text, "1.0.117.0");
    EXPECT_EQ(tool.text, "1.0.12");
}

TEST(Velcore, LoadsAndTakesVlInitUnderItsPlainName) {
    Library velcore("Velcore.dll");
    ASSERT_NE(velcore.module, nullptr) << "LoadLibrary failed: " << GetLastError();
    using VlInitFn = HRESULT(WINAPI*)(DWORD, WORD);
    auto vlInit = reinterpret_cast<VlInitFn>(reinterpret_cast<void*>(GetProcAddress(velcore.module, "VlInit")));
    ASSERT_NE(vlInit, nullptr);
    EXPECT_EQ(GetProcAddress(velcore.module, "VlInit@8"), nullptr);
    // Any first argument is accepted; Velhook passes the library's handle.
    EXPECT_EQ(vlInit(reinterpret_cast<DWORD>(velcore.module), 0x409), S_OK);
    EXPECT_EQ(vlInit(0xFFFFFFFFu, 0), S_OK);
}

TEST(Velcore, LoadsRichEditTogetherWithItself) {
    Library velcore("Velcore.dll");
    ASSERT_NE(velcore.module, nullptr);
    EXPECT_NE(GetModuleHandleA("RICHED20.DLL"), nullptr);
    // The window class that RichEdit 2.0 registers is there for the rules windows.
    WNDCLASSA wc;
    EXPECT_TRUE(GetClassInfoA(nullptr, "RichEdit20A", &wc));
}

TEST(Velhook, LoadsAsALibrary) {
    Library velhook("Velhook.dll");
    EXPECT_NE(velhook.module, nullptr) << GetLastError();
}
