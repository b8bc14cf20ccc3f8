// shellrun against a registered test hook: the hook is asked first, with the request's file,
// verb and parameters; a declining hook lets shellrun start the program; a hook that handles the
// request starts nothing; Ctrl is seen held during the hooks; the hook's message box is answered.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string Bin() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string p = path;
  return p.substr(0, p.find_last_of('\\') + 1);
}

std::string Temp(const char* name) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  return std::string(temp) + name;
}

std::string Slurp(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs shellrun with the arguments; returns its exit code and output.
int ShellRun(const std::string& args, std::string* output) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  CreatePipe(&read, &write, &sa, 0);
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si = {sizeof si};
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = write;
  si.hStdError = write;
  PROCESS_INFORMATION pi = {};
  std::string program = Bin() + "shellrun.exe", line = "shellrun " + args;
  if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return -1;
  CloseHandle(write);
  output->clear();
  // Read while it runs and drain after it ends: a program it starts may hold the pipe open.
  DWORD end = GetTickCount() + 30000;
  for (bool exited = false; !exited;) {
    exited = WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0 || static_cast<LONG>(end - GetTickCount()) <= 0;
    DWORD avail = 0, n = 0;
    char buffer[512];
    while (PeekNamedPipe(read, nullptr, 0, nullptr, &avail, nullptr) && avail &&
           ReadFile(read, buffer, sizeof buffer, &n, nullptr) && n)
      output->append(buffer, n);
  }
  CloseHandle(read);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return static_cast<int>(code);
}

std::string WaitForFile(const std::string& file, const char* marker) {
  for (int i = 0; i < 200; ++i) {
    std::string text = Slurp(file);
    if (text.find(marker) != std::string::npos) return text;
    Sleep(50);
  }
  return Slurp(file);
}

class ShellRunTest : public ::testing::Test {
protected:
  void SetUp() override {
    hook_ = LoadLibraryA((Bin() + "velor_test_hook.dll").c_str());
    ASSERT_NE(hook_, nullptr);
    Call("DllRegisterServer");
    record_ = Temp("velor-hook-record.txt");
    launched_ = Temp("velor-contave-record.txt");
    DeleteFileA(record_.c_str());
    DeleteFileA(launched_.c_str());
    SetEnvironmentVariableA("VELOR_HOOK_RECORD", record_.c_str());
    SetEnvironmentVariableA("VELOR_CONTAVE_RECORD", launched_.c_str());
  }
  void TearDown() override {
    Call("DllUnregisterServer");
    FreeLibrary(hook_);
    DeleteFileA(record_.c_str());
    DeleteFileA(launched_.c_str());
  }
  void Call(const char* name) {
    auto f = reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(hook_, name)));
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f(), S_OK);
  }
  HMODULE hook_ = nullptr;
  std::string record_, launched_;
};

TEST_F(ShellRunTest, DecliningHookLetsTheProgramStart) {
  SetEnvironmentVariableA("VELOR_HOOK_ANSWER", "decline");
  std::string out, program = Bin() + "contave-recorder.exe";
  ASSERT_EQ(ShellRun("--params \"/host=a \"\"/user=b c\"\"\" \"" + program + "\"", &out), 0) << out;
  EXPECT_NE(out.find("hook {5E2B7C41-9D3A-4F61-8E20-7A1C0B9D4E11} answered 0x00000001"), std::string::npos) << out;
  EXPECT_NE(out.find("started "), std::string::npos) << out;
  EXPECT_EQ(Slurp(record_),
            "execute file=" + program + " verb=(null) params=/host=a \"/user=b c\" ctrl=0\n");
  std::string launched = WaitForFile(launched_, "end\n");
  EXPECT_NE(launched.find("arg 1 /host=a\narg 2 /user=b c\nend\n"), std::string::npos) << launched;
}

TEST_F(ShellRunTest, HandlingHookStartsNothingAndSeesCtrl) {
  SetEnvironmentVariableA("VELOR_HOOK_ANSWER", "handled");
  std::string out, program = Bin() + "contave-recorder.exe";
  ASSERT_EQ(ShellRun("--ctrl --verb open \"" + program + "\"", &out), 0) << out;
  EXPECT_NE(out.find("handled hInstApp=33"), std::string::npos) << out;
  EXPECT_EQ(out.find("started"), std::string::npos) << out;
  EXPECT_EQ(Slurp(record_), "execute file=" + program + " verb=open params=(null) ctrl=1\n");
  Sleep(500);
  EXPECT_EQ(GetFileAttributesA(launched_.c_str()), INVALID_FILE_ATTRIBUTES) << "the program was started anyway";
}

TEST_F(ShellRunTest, AnswersTheHooksMessageBox) {
  SetEnvironmentVariableA("VELOR_HOOK_ANSWER", "box");
  std::string out, program = Bin() + "contave-recorder.exe";
  ASSERT_EQ(ShellRun("--answer cancel \"" + program + "\"", &out), 0) << out;
  EXPECT_NE(out.find("box caption=\"\" text=\"The version is NOT supported.\\n\\nPress OK to continue\" answer=cancel"),
            std::string::npos)
      << out;
  EXPECT_NE(Slurp(record_).find("box 2\n"), std::string::npos) << Slurp(record_);
  WaitForFile(launched_, "end\n");
}

TEST_F(ShellRunTest, RefusesBadUsage) {
  std::string out;
  EXPECT_EQ(ShellRun("--answer maybe x", &out), 2);
  EXPECT_EQ(ShellRun("", &out), 2);
  EXPECT_EQ(ShellRun("--mail-item x", &out), 2);
}

}  // namespace
