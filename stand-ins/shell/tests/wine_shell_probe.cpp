// Whether this system's ShellExecuteEx consults the ShellExecuteHooks list: registers the test
// hook, opens a program through ShellExecuteEx and says whether the hook's Execute ran.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  HMODULE hook = LoadLibraryA(argv[1]);
  auto reg = reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(hook, "DllRegisterServer")));
  auto unreg = reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(hook, "DllUnregisterServer")));
  if (!reg || reg() != S_OK) return 1;
  char record[MAX_PATH];
  GetTempPathA(sizeof record, record);
  std::string file = std::string(record) + "velor-hook-probe.txt";
  DeleteFileA(file.c_str());
  SetEnvironmentVariableA("VELOR_HOOK_RECORD", file.c_str());
  SetEnvironmentVariableA("VELOR_HOOK_ANSWER", "handled");
  CoInitialize(nullptr);
  SHELLEXECUTEINFOA sei = {sizeof sei};
  sei.fMask = SEE_MASK_NOCLOSEPROCESS;
  sei.lpVerb = "open";
  sei.lpFile = argv[2];
  sei.nShow = SW_SHOWNORMAL;
  BOOL ok = ShellExecuteExA(&sei);
  if (sei.hProcess) {
    WaitForSingleObject(sei.hProcess, 10000);
    CloseHandle(sei.hProcess);
  }
  bool called = GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
  std::printf("ShellExecuteEx %s; the hook was %s\n", ok ? "succeeded" : "failed", called ? "called" : "not called");
  unreg();
  DeleteFileA(file.c_str());
  return called ? 0 : 3;
}
