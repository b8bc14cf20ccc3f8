// Velhook.dll's COM exports under Wine: registration and unregistration leave exactly the keys
// and values of the class, its ProgIDs and the hooks list entry, count the address-book library
// once, and take it all back; the class factory and the object keep to their contract.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <string>

#include "SharedProbe.h"
#include "velhook/ShellExecuteHook_win32.h"

namespace velor::velhook::testing {
namespace {

constexpr char kHooksKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks";
constexpr char kWabPathKey[] = "Software\\Microsoft\\WAB\\DLLPath";
constexpr char kSharedDllsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr char kWabLibrary[] = "C:\\Velor Test\\wab32-registration-test.dll";

std::optional<std::string> ReadString(HKEY root, const std::string& path, const char* name) {
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1, type = 0;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    LONG e = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (e != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::string(buffer);
}

std::optional<DWORD> ReadDword(HKEY root, const std::string& path, const char* name) {
    DWORD value = 0, size = sizeof value, type = 0;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    LONG e = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (e != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
    return value;
}

bool KeyExists(HKEY root, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

DWORD CountValues(HKEY root, const std::string& path) {
    HKEY key;
    DWORD n = 0;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &n, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return n;
}

DWORD CountSubkeys(HKEY root, const std::string& path) {
    HKEY key;
    DWORD n = 0;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &n, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return n;
}

void SetString(HKEY root, const char* path, const char* name, const std::string& value) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

void SetCount(std::optional<DWORD> count) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (count) RegSetValueExA(key, kWabLibrary, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*count), sizeof *count);
    else RegDeleteValueA(key, kWabLibrary);
    RegCloseKey(key);
}

LRESULT CALLBACK PassOn(int code, WPARAM wParam, LPARAM lParam) {
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(probe_.loaded());
        savedWab_ = ReadString(HKEY_LOCAL_MACHINE, kWabPathKey, nullptr);
        SetString(HKEY_LOCAL_MACHINE, kWabPathKey, nullptr, kWabLibrary);
        SetCount(std::nullopt);
        path_ = BinFolder() + "Velhook.dll";
    }
    void TearDown() override {
        Call("DllUnregisterServer");
        SetCount(std::nullopt);
        if (savedWab_) SetString(HKEY_LOCAL_MACHINE, kWabPathKey, nullptr, *savedWab_);
        else RegDeleteKeyA(HKEY_LOCAL_MACHINE, kWabPathKey);
    }
    HRESULT Call(const char* name) {
        auto f = probe_.Export<HRESULT(WINAPI*)()>(name);
        return f ? f() : E_NOTIMPL;
    }

    SharedProbe probe_;
    std::optional<std::string> savedWab_;
    std::string path_;
};

TEST_F(RegistrationTest, RegistersTheClassProgIdsAndHookEntryAndTakesThemBack) {
    const std::string clsid = std::string("CLSID\\") + kShellExecuteHookClsidText;
    DWORD hooksBefore = CountValues(HKEY_LOCAL_MACHINE, kHooksKey);
    ASSERT_EQ(Call("DllRegisterServer"), S_OK);

    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "VelorMail.VelhookShellExecuteHook.1", nullptr), "VelhookShellExecuteHook");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "VelorMail.VelhookShellExecuteHook.1\\CLSID", nullptr), kShellExecuteHookClsidText);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "VelorMail.VelhookShellExecuteHook", nullptr), "VelhookShellExecuteHook");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "VelorMail.VelhookShellExecuteHook\\CLSID", nullptr), kShellExecuteHookClsidText);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "VelorMail.VelhookShellExecuteHook\\CurVer", nullptr),
              "VelorMail.VelhookShellExecuteHook.1");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsid, nullptr), "VelhookShellExecuteHook");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsid + "\\ProgID", nullptr), "VelorMail.VelhookShellExecuteHook.1");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsid + "\\VersionIndependentProgID", nullptr), "VelorMail.VelhookShellExecuteHook");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, clsid + "\\Programmable"));
    EXPECT_EQ(CountValues(HKEY_CLASSES_ROOT, clsid + "\\Programmable"), 0u);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", nullptr), path_);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(CountSubkeys(HKEY_CLASSES_ROOT, clsid), 4u);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kHooksKey, kShellExecuteHookClsidText), "VelhookShellExecuteHook");
    EXPECT_EQ(CountValues(HKEY_LOCAL_MACHINE, kHooksKey), hooksBefore + 1);
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kSharedDllsKey, kWabLibrary), 1u) << "the address book is counted once";

    // The class is created through the registry as the shell does it.
    CoInitialize(nullptr);
    IShellExecuteHookA* hook = nullptr;
    EXPECT_EQ(CoCreateInstance(kShellExecuteHookClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExecuteHookA,
                               reinterpret_cast<void**>(&hook)),
              S_OK);
    if (hook) hook->Release();
    CoUninitialize();

    ASSERT_EQ(Call("DllUnregisterServer"), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, clsid));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "VelorMail.VelhookShellExecuteHook"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "VelorMail.VelhookShellExecuteHook.1"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kHooksKey)) << "the hooks list stays";
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kHooksKey, kShellExecuteHookClsidText));
    EXPECT_EQ(CountValues(HKEY_LOCAL_MACHINE, kHooksKey), hooksBefore);
    EXPECT_FALSE(ReadDword(HKEY_LOCAL_MACHINE, kSharedDllsKey, kWabLibrary)) << "a count of 1 goes with us";
}

TEST_F(RegistrationTest, SharedDllsCountGoesUpAndDownAndAZeroIsDeleted) {
    SetCount(4);
    ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kSharedDllsKey, kWabLibrary), 5u);
    ASSERT_EQ(Call("DllUnregisterServer"), S_OK);
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kSharedDllsKey, kWabLibrary), 4u);
    SetCount(0);
    ASSERT_EQ(Call("DllUnregisterServer"), S_OK);
    EXPECT_FALSE(ReadDword(HKEY_LOCAL_MACHINE, kSharedDllsKey, kWabLibrary)) << "a stale 0 is removed";
    ASSERT_EQ(Call("DllUnregisterServer"), S_OK);
    EXPECT_FALSE(ReadDword(HKEY_LOCAL_MACHINE, kSharedDllsKey, kWabLibrary)) << "nothing is made up when absent";
    // Without the address book, registration still works and counts nothing.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kWabPathKey);
    ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    EXPECT_FALSE(ReadDword(HKEY_LOCAL_MACHINE, kSharedDllsKey, kWabLibrary));
}

TEST_F(RegistrationTest, FactoryAndObjectKeepTheComContract) {
    auto getClassObject = probe_.Export<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
    auto canUnload = probe_.Export<HRESULT(WINAPI*)()>("DllCanUnloadNow");
    ASSERT_TRUE(getClassObject && canUnload);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(IID_IUnknown, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(kShellExecuteHookClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IUnknown* outer = reinterpret_cast<IUnknown*>(factory);
    void* object = nullptr;
    EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    IShellExecuteHookA* hook = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IShellExecuteHookA, reinterpret_cast<void**>(&hook)), S_OK);
    factory->Release();
    void* wide = nullptr;
    EXPECT_EQ(hook->QueryInterface(IID_IShellExecuteHookW, &wide), E_NOINTERFACE) << "only the ANSI hook is offered";
    IUnknown* unknown = nullptr;
    ASSERT_EQ(hook->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(hook));
    EXPECT_EQ(canUnload(), S_FALSE) << "an object is alive";
    unknown->Release();
    EXPECT_EQ(hook->Release(), 0u);
    // With no object and no window hook the module may go; an installed hook keeps it.
    LONGLONG saved = InterlockedExchange64(&probe_.state().cbtHook, 0);
    EXPECT_EQ(canUnload(), S_OK);
    HHOOK mine = SetWindowsHookExA(WH_CBT, PassOn, nullptr, GetCurrentThreadId());
    ASSERT_NE(mine, nullptr);
    InterlockedExchange64(&probe_.state().cbtHook, HookPair(mine, GetCurrentProcessId()));
    EXPECT_EQ(canUnload(), S_FALSE);
    UnhookWindowsHookEx(mine);
    InterlockedExchange64(&probe_.state().cbtHook, saved);
}

}  // namespace
}  // namespace velor::velhook::testing
