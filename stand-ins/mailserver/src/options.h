// The command line of velor-mailserver.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "faults.h"

namespace velor::mailserver {

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Options {
  std::string seedPath;
  std::string statePath;
  std::string wireLogPath;
  std::string certificatePath;
  std::string keyPath;
  int imapPort = 0;
  int imapsPort = 0;
  int ldapPort = 0;
  std::optional<std::string> greeting;
  bool noAcl = false;
  std::optional<std::string> capabilities;
  bool aclOneLine = false;
  std::vector<FaultRule> faults;
  std::vector<FaultRule> ldapFaults;
  std::optional<std::string> ldapAddMatched;  // entry, none, folder or uid
  std::string ldapControl;                    // file of changes applied while running
  bool help = false;
};

Options parseOptions(int argc, char** argv);  // throws UsageError
const char* usageText();

}  // namespace velor::mailserver
