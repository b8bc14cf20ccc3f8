// A stand-in for the synchronisation tool in launch tests: it records how it was started and
// ends. The record goes to the file named by VELOR_CONTAVE_RECORD, else to "contave-args.txt"
// beside the program; each start appends one block:
//   start
//   cmdline <the whole command line>
//   arg <n> <one argument as the C runtime splits it>   (for each argument after the program)
//   end
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  char path[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("VELOR_CONTAVE_RECORD", path, sizeof path)) {
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string p = path;
    p = p.substr(0, p.find_last_of('\\') + 1) + "contave-args.txt";
    lstrcpynA(path, p.c_str(), sizeof path);
  }
  FILE* f = std::fopen(path, "ab");
  if (!f) return 1;
  std::fprintf(f, "start\ncmdline %s\n", GetCommandLineA());
  for (int i = 1; i < argc; ++i) std::fprintf(f, "arg %d %s\n", i, argv[i]);
  std::fprintf(f, "end\n");
  return std::fclose(f) == 0 ? 0 : 1;
}
