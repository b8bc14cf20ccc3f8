#include "contave/LIB/message_text.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "contave/LIB/error_text.h"

namespace contave {

std::string CentredLines(const std::string& first, const std::string& second) {
  const std::size_t indent = (first.size() > second.size() ? first.size() - second.size()
                                                           : second.size() - first.size()) / 2;
  const std::string blanks(indent, ' ');
  if (first.size() < second.size()) return blanks + first + "\n" + second;
  return first + "\n" + blanks + second;
}

std::string MessageWithError(const std::string& message, Status code) {
  return CentredLines(message, ErrorTextOrCode(code));
}

std::string InternalFailureTitle() { return std::string(kProgramName) + " - Internal Error"; }

std::string InternalFailureText(const char* moduleName, int line, Status code) {
  std::string name = moduleName != nullptr ? moduleName : "";
  const std::size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  char tail[40];
  std::snprintf(tail, sizeof tail, " - %d - 0x%08X", line, static_cast<unsigned>(StatusBits(code)));
  return name + tail;
}

}  // namespace contave
