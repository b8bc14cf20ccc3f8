// Binding of the runtime library under Wine, against stand-ins of Velcore.dll in folders of their
// own: the file missing, no version block, VlInit answering "wrong version" or failing, an export
// missing; each with its message and code, and the retry at the next command.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "SharedProbe.h"
#include "WindowDriver.h"
#include "velhook/RuntimeBinding_win32.h"

namespace velor::velhook::testing {
namespace {

using velor::testing::AnswerMessageBox;
using velor::testing::Driver;
using velor::testing::kNoMessageBox;

WORD TestLanguage() {
    return 0x405;
}

std::string Variant(const char* name) {
    return BinFolder() + "velhook-binding\\" + name + "\\Velcore.dll";
}

std::string Required() {
    return "Required version number is 1.00.0117.0.";
}

// Runs the call while a second thread answers the message box it shows; the box's text, or
// kNoMessageBox.
template <typename Call>
std::string WithBox(Call call, HRESULT* result) {
    std::string text;
    {
        Driver driver([&] { text = AnswerMessageBox("", IDOK, 3000); });
        *result = call();
    }
    return text;
}

TEST(RuntimeBinding, MissingLibraryIsReportedAtEachCommandUntilItIsThere) {
    std::string folder = BinFolder() + "velhook-binding\\arrives\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    DeleteFileA((folder + "Velcore.dll").c_str());
    RuntimeLibrary runtime(folder + "Velcore.dll", TestLanguage);
    void* slot = nullptr;
    HRESULT hr = S_OK;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::string box = WithBox([&] { return runtime.Bind("VlSetAllRead", &slot); }, &hr);
        EXPECT_EQ(static_cast<unsigned>(hr), 0x8007007Eu);
        EXPECT_EQ(box,
                  "The file 'Velcore.dll' could not be loaded or failed to initialize.\n\nVelor Outlook Express "
                  "Extensions may not be installed correctly.\n\nError Code: 0x8007007E");
        EXPECT_EQ(slot, nullptr);
    }
    // Installed in the meantime: the next command binds.
    ASSERT_TRUE(CopyFileA(Variant("good").c_str(), (folder + "Velcore.dll").c_str(), FALSE));
    std::string box = WithBox([&] { return runtime.Bind("VlSetAllRead", &slot); }, &hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(box, kNoMessageBox);
    EXPECT_NE(slot, nullptr);
    auto calls = reinterpret_cast<DWORD*>(GetProcAddress(runtime.handle(), "FakeInitCalls"));
    auto language = reinterpret_cast<WORD*>(GetProcAddress(runtime.handle(), "FakeInitLanguage"));
    auto handle = reinterpret_cast<DWORD*>(GetProcAddress(runtime.handle(), "FakeInitHandle"));
    ASSERT_TRUE(calls && language && handle);
    EXPECT_EQ(*calls, 1u);
    EXPECT_EQ(*language, 0x405);
    EXPECT_EQ(*handle, static_cast<DWORD>(reinterpret_cast<UINT_PTR>(runtime.handle())));
    runtime.Free();
    DeleteFileA((folder + "Velcore.dll").c_str());
}

TEST(RuntimeBinding, WrongVersionShowsBothVersionsAndCodeOneAndIsTriedAgain) {
    RuntimeLibrary runtime(Variant("wrongversion"), TestLanguage);
    void* slot = nullptr;
    for (int attempt = 0; attempt < 2; ++attempt) {
        HRESULT hr = S_OK;
        std::string box = WithBox([&] { return runtime.Bind("VlSetAllRead", &slot); }, &hr);
        EXPECT_EQ(hr, E_FAIL);
        EXPECT_EQ(box, "The file 'Velcore.dll' is the wrong version (1.00.0100.0).\n" + Required() +
                           "\n\nVelor Outlook Express Extensions may not be installed correctly.\n\nError Code: 0x00000001");
        EXPECT_EQ(slot, nullptr);
        EXPECT_EQ(runtime.handle(), nullptr) << "the library stays loaded after a failed initialisation";
    }
    EXPECT_EQ(GetModuleHandleA(Variant("wrongversion").c_str()), nullptr);
}

TEST(RuntimeBinding, FailingInitialisationNeverReportsSuccess) {
    // VlInit fails and leaves no Win32 error behind: the code is still a failure.
    RuntimeLibrary runtime(Variant("initfails"), TestLanguage);
    void* slot = nullptr;
    HRESULT hr = S_OK;
    std::string box = WithBox([&] { return runtime.Bind("VlSetAllRead", &slot); }, &hr);
    EXPECT_EQ(static_cast<unsigned>(hr), 0x80004005u);
    EXPECT_NE(box.find("is the wrong version (1.00.0117.0)"), std::string::npos) << box;
    EXPECT_NE(box.find("Error Code: 0x80004005"), std::string::npos) << box;
    EXPECT_EQ(slot, nullptr);
}

TEST(RuntimeBinding, LibraryWithoutVersionBlockIsNotInitialised) {
    RuntimeLibrary runtime(Variant("noversion"), TestLanguage);
    void* slot = nullptr;
    HRESULT hr = S_OK;
    std::string box = WithBox([&] { return runtime.Bind("VlSetAllRead", &slot); }, &hr);
    EXPECT_LT(hr, 0);
    EXPECT_NE(box.find("is the wrong version (no version information).\n" + Required()), std::string::npos) << box;
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    EXPECT_NE(box.find(std::string("Error Code: ") + code), std::string::npos) << "shown and returned codes differ: " << box;
    EXPECT_EQ(slot, nullptr);
}

TEST(RuntimeBinding, MissingExportFailsItsCommandAndTheOthersWork) {
    RuntimeLibrary runtime(Variant("good"), TestLanguage);
    HRESULT hr = S_OK;
    std::string box = WithBox([&] { return runtime.Expunge(nullptr, "Inbox"); }, &hr);
    EXPECT_EQ(static_cast<unsigned>(hr), 0x8007007Fu);
    EXPECT_EQ(box,
              "The file 'Velcore.dll' could not be loaded or failed to initialize.\n\nVelor Outlook Express "
              "Extensions may not be installed correctly.\n\nError Code: 0x8007007F");
    AccountSettings settings;
    box = WithBox([&] { return runtime.SetAllRead(&settings, "Inbox"); }, &hr);
    EXPECT_EQ(hr, 0x00BEEF01) << "the export's own answer comes back";
    EXPECT_EQ(box, kNoMessageBox);
    std::string text;
    EXPECT_EQ(runtime.AclToString(nullptr, &text), S_OK);
    EXPECT_EQ(text, "anna:lrs");
    auto calls = reinterpret_cast<DWORD*>(GetProcAddress(runtime.handle(), "FakeInitCalls"));
    ASSERT_NE(calls, nullptr);
    EXPECT_EQ(*calls, 1u) << "VlInit is called once per load";
    runtime.Free();
}

TEST(RuntimeBinding, TheBuiltRuntimeLibraryAnswersToThisModule) {
    RuntimeLibrary runtime(BinFolder() + "Velcore.dll", TestLanguage);
    void* slot = nullptr;
    HRESULT hr = S_OK;
    std::string box = WithBox([&] { return runtime.Bind("VlSetAllRead", &slot); }, &hr);
    EXPECT_EQ(hr, S_OK) << box;
    EXPECT_EQ(box, kNoMessageBox);
    EXPECT_NE(slot, nullptr);
    AccountSettings settings;
    EXPECT_EQ(runtime.SetAllRead(&settings, nullptr), E_INVALIDARG) << "Velcore's own argument check answers";
    runtime.Free();
}

}  // namespace
}  // namespace velor::velhook::testing
