// oetool: writes the registry of Outlook Express's stand-in (program registration, identity,
// accounts and their passwords in the protected store) from a description file, removes it again,
// and shows what is there. The commands are a library so that tests run them in their own process.
#pragma once

#include <string>
#include <vector>

namespace oetool {

// Exit codes: 0 done, 1 failed, 2 bad usage.
int Run(const std::vector<std::string>& args, std::string* out, std::string* err);

}  // namespace oetool
