// CFG: the program's command line. The launcher in Outlook Express builds it with its own
// quoting (a parameter holding a space is enclosed in double quotes, every double quote of a
// value is doubled), so the line is split here by exactly that rule rather than by the C
// runtime's, which would take a doubled quote outside quotes for two.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace contave {

// The parameters after the program's own name.
std::vector<std::string> SplitCommandLine(std::string_view line);

enum class RegistrationSwitch { kNone, kRegister, kUnregister };

struct CommandLine {
  RegistrationSwitch registration = RegistrationSwitch::kNone;
  // Values that replace the stored ones for this start only.
  std::optional<std::string> host;
  std::optional<std::string> user;
  std::optional<std::string> password;
  // Start a run as soon as the Synchronization page shows, and close when it has ended.
  bool run = false;

  CommandLine() = default;
  CommandLine(const CommandLine&) = default;
  CommandLine& operator=(const CommandLine&) = default;
  ~CommandLine();
};

// A parameter matches a keyword when, without its leading "/" or "-", it begins with the keyword
// regardless of case; the rest is the value. Of several matches of one keyword the last counts.
CommandLine ParseCommandLine(const std::vector<std::string>& parameters);

// Overwrites the characters before the text goes, so a password does not linger in freed memory.
void Wipe(std::string& text);

}  // namespace contave
