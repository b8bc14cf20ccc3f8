// Other processes at work on the same address book: wabtool.exe, started beside the test, stands
// for a second program (or the user) using the file while this one has it open.
#include "wab_client.h"

#include <memory>

namespace {

std::string ToolPath() {
  std::string dll = StandInDllPath();
  return dll.substr(0, dll.find_last_of('\\')) + "\\wabtool.exe";
}

std::string Quoted(const std::string& arg) { return "\"" + arg + "\""; }

// Starts wabtool with these arguments; its output goes to `output` when one is given.
HANDLE Start(const std::vector<std::string>& args, HANDLE output = nullptr) {
  std::string line = Quoted(ToolPath());
  for (const std::string& arg : args) line += " " + Quoted(arg);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  if (output) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = output;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  }
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, output != nullptr, 0, nullptr,
                      nullptr, &si, &pi))
    return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

DWORD Finish(HANDLE process) {
  if (!process) return 0xFFFFFFFF;
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 60000));
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return code;
}

// Runs wabtool to its end and returns what it printed.
std::string RunTool(const std::vector<std::string>& args) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE readEnd, writeEnd;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return {};
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE process = Start(args, writeEnd);
  CloseHandle(writeEnd);
  std::string out;
  char buffer[4096];
  DWORD got;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got) out.append(buffer, got);
  CloseHandle(readEnd);
  EXPECT_EQ(0u, Finish(process)) << out;
  return out;
}

using ProcessTest = WabTest;

TEST_F(ProcessTest, ChangesOfAnotherProcessAreSeenAndOursReachIt) {
  ASSERT_EQ(S_OK, Open());
  Ref<IABContainer> folder = OpenFolder("Shared Contacts");
  std::string id = CreateUser(folder.get(), {StringProp(PR_DISPLAY_NAME_A, "Vera")});

  RunTool({"--file", storePath_, "add", "Shared Contacts", "PR_DISPLAY_NAME=Walt",
           "0x64010003=99"});
  auto rows = Contents(folder.get(), {PR_DISPLAY_NAME_A, PROP_TAG(PT_LONG, 0x6401)});
  ASSERT_EQ(2u, rows.size());
  EXPECT_EQ("Walt", rows[1][PROP_ID(PR_DISPLAY_NAME_A)].bytes);
  EXPECT_EQ(99, rows[1][0x6401].number);

  Ref<IMailUser> user = OpenUser(id);
  SPropValue comment = StringProp(PR_COMMENT_A, "seen from outside");
  ASSERT_EQ(S_OK, user->SetProps(1, &comment, nullptr));
  ASSERT_EQ(S_OK, user->SaveChanges(KEEP_OPEN_READWRITE));
  std::string dump = RunTool({"--file", storePath_, "dump", "Shared Contacts"});
  EXPECT_NE(std::string::npos, dump.find("PR_COMMENT = \"seen from outside\"")) << dump;
}

TEST_F(ProcessTest, ProcessesWritingAtOnceLoseNothing) {
  ASSERT_EQ(S_OK, Open());
  Ref<IABContainer> folder = OpenFolder("Shared Contacts");
  constexpr int kProcesses = 3;
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                           OPEN_EXISTING, 0, nullptr);
  HANDLE children[kProcesses];
  for (int i = 0; i < kProcesses; ++i)
    children[i] = Start({"--file", storePath_, "add", "Shared Contacts",
                         "PR_DISPLAY_NAME=Child " + std::to_string(i)},
                        nul);
  // Keep writing while the children run, so that their writes fall between ours.
  size_t ours = 0;
  DWORD started = GetTickCount();
  while (WaitForMultipleObjects(kProcesses, children, TRUE, 0) == WAIT_TIMEOUT &&
         GetTickCount() - started < 30000) {
    std::string name = "Parent " + std::to_string(ours++);
    CreateUser(folder.get(), {StringProp(PR_DISPLAY_NAME_A, name.c_str())});
  }
  for (HANDLE child : children) EXPECT_EQ(0u, Finish(child));
  CloseHandle(nul);
  EXPECT_GT(ours, 0u);
  EXPECT_EQ(kProcesses + ours, Contents(folder.get(), {PR_ENTRYID}).size());
}

}  // namespace
