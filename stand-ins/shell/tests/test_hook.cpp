// A shell-execute hook for the tests: it records each Execute call (file, verb, parameters and
// whether Ctrl was down) in the file named by VELOR_HOOK_RECORD, and answers as VELOR_HOOK_ANSWER
// says: "handled" starts nothing and returns S_OK with hInstApp 33; "box" first asks in an
// OK/Cancel message box with an empty caption (as a version warning does), records the button,
// and declines; anything else declines.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>

// {5E2B7C41-9D3A-4F61-8E20-7A1C0B9D4E11}
static const CLSID kClsid = {0x5e2b7c41, 0x9d3a, 0x4f61, {0x8e, 0x20, 0x7a, 0x1c, 0x0b, 0x9d, 0x4e, 0x11}};
static const char kClsidText[] = "{5E2B7C41-9D3A-4F61-8E20-7A1C0B9D4E11}";
static const char kHooksKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks";
static HMODULE g_module;
static LONG g_locks;

class Hook : public IShellExecuteHookA {
public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IShellExecuteHookA) {
      *out = static_cast<IShellExecuteHookA*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG n = InterlockedDecrement(&refs_);
    if (!n) {
      InterlockedDecrement(&g_locks);
      delete this;
    }
    return n;
  }
  STDMETHODIMP Execute(LPSHELLEXECUTEINFOA sei) override {
    char record[MAX_PATH], answer[32] = {};
    GetEnvironmentVariableA("VELOR_HOOK_ANSWER", answer, sizeof answer);
    if (GetEnvironmentVariableA("VELOR_HOOK_RECORD", record, sizeof record)) {
      if (FILE* f = std::fopen(record, "ab")) {
        std::fprintf(f, "execute file=%s verb=%s params=%s ctrl=%d\n", sei->lpFile ? sei->lpFile : "(null)",
                     sei->lpVerb ? sei->lpVerb : "(null)", sei->lpParameters ? sei->lpParameters : "(null)",
                     (GetKeyState(VK_CONTROL) & 0x8000) ? 1 : 0);
        std::fclose(f);
      }
    }
    if (std::strcmp(answer, "box") == 0) {
      int button = MessageBoxA(sei->hwnd, "The version is NOT supported.\n\nPress OK to continue", "", 0x131);
      if (FILE* f = std::fopen(record, "ab")) {
        std::fprintf(f, "box %d\n", button);
        std::fclose(f);
      }
    }
    if (std::strcmp(answer, "handled") == 0) {
      sei->hInstApp = reinterpret_cast<HINSTANCE>(33);
      return S_OK;
    }
    return S_FALSE;
  }

private:
  LONG refs_ = 1;
};

class Factory : public IClassFactory {
public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    InterlockedIncrement(&g_locks);
    Hook* hook = new Hook;
    HRESULT hr = hook->QueryInterface(iid, out);
    hook->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    lock ? InterlockedIncrement(&g_locks) : InterlockedDecrement(&g_locks);
    return S_OK;
  }
};
static Factory g_factory;

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (clsid != kClsid) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return g_locks ? S_FALSE : S_OK; }

extern "C" HRESULT WINAPI DllRegisterServer() {
  char path[MAX_PATH];
  GetModuleFileNameA(g_module, path, sizeof path);
  std::string clsid = std::string("CLSID\\") + kClsidText;
  HKEY key;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, (clsid + "\\InprocServer32").c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return E_FAIL;
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<BYTE*>(path), lstrlenA(path) + 1);
  RegSetValueExA(key, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>("Apartment"), 10);
  RegCloseKey(key);
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kHooksKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return E_FAIL;
  RegSetValueExA(key, kClsidText, 0, REG_SZ, reinterpret_cast<const BYTE*>("Velor test hook"), 16);
  RegCloseKey(key);
  return S_OK;
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
  RegDeleteTreeA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kClsidText).c_str());
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kHooksKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
    RegDeleteValueA(key, kClsidText);
    RegCloseKey(key);
  }
  return S_OK;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}
