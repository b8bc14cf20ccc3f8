// wabtool: seeds and inspects the address book stand-in for tests and the demo.
#include "tool/commands.h"

#include <cstdio>

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string out, err;
  int code = wabtool::Run(args, &out, &err);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  return code;
}
