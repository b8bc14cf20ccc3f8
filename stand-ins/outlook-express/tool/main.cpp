// oetool: seeds Outlook Express's stand-in for tests and the demo (see tool/oetool.h).
#include <cstdio>

#include "tool/oetool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string out, err;
  int code = oetool::Run(args, &out, &err);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  return code;
}
