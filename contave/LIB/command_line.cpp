#include "contave/LIB/command_line.h"

#include "contave/LIB/text_compare.h"

namespace contave {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The value after keyword when parameter begins with it.
bool Match(std::string_view parameter, std::string_view keyword, std::string_view& value) {
  if (parameter.size() < keyword.size() || !EqualsNoCase(parameter.substr(0, keyword.size()), keyword)) return false;
  value = parameter.substr(keyword.size());
  return true;
}

}  // namespace

CommandLine::~CommandLine() {
  if (password) Wipe(*password);
}

void Wipe(std::string& text) {
  volatile char* bytes = text.data();
  for (std::size_t i = 0; i < text.size(); ++i) bytes[i] = '\0';
  text.clear();
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::size_t i = 0;
  // The program's name: quoted up to the next quote, else up to a blank. Quotes cannot appear
  // in a file name, so no doubling applies.
  if (i < line.size() && line[i] == '"') {
    const std::size_t close = line.find('"', 1);
    i = close == std::string_view::npos ? line.size() : close + 1;
  }
  while (i < line.size() && !IsBlank(line[i])) ++i;

  std::vector<std::string> parameters;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    std::string parameter;
    bool quoted = false;
    for (; i < line.size(); ++i) {
      const char c = line[i];
      if (c == '"') {
        // A doubled quote is one quote of the value, inside quotes or out.
        if (i + 1 < line.size() && line[i + 1] == '"') {
          parameter += '"';
          ++i;
        } else {
          quoted = !quoted;
        }
      } else if (IsBlank(c) && !quoted) {
        break;
      } else {
        parameter += c;
      }
    }
    parameters.push_back(std::move(parameter));
  }
  return parameters;
}

CommandLine ParseCommandLine(const std::vector<std::string>& parameters) {
  CommandLine result;
  for (const std::string& parameter : parameters) {
    std::string_view text = parameter;
    if (!text.empty() && (text[0] == '/' || text[0] == '-')) text.remove_prefix(1);
    std::string_view value;
    if (Match(text, "REGSERVER", value)) result.registration = RegistrationSwitch::kRegister;
    if (Match(text, "UNREGSERVER", value)) result.registration = RegistrationSwitch::kUnregister;
    if (Match(text, "HOST=", value)) result.host = std::string(value);
    if (Match(text, "USER=", value)) result.user = std::string(value);
    if (Match(text, "PASS=", value)) {
      if (result.password) Wipe(*result.password);
      result.password = std::string(value);
    }
    if (Match(text, "RUN", value)) result.run = value.empty();
  }
  return result;
}

}  // namespace contave
