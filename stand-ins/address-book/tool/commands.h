// wabtool's commands, callable without a process so that tests can run them in their own.
#pragma once

#include <string>
#include <vector>

namespace wabtool {

// Runs one command line (without the program name); what it prints goes to *out, complaints to
// *err. Returns the process exit code: 0 done, 1 failed, 2 bad usage.
int Run(const std::vector<std::string>& args, std::string* out, std::string* err);

extern const char* const kUsage;

}  // namespace wabtool
