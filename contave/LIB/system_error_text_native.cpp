// The native build has no system message table for Windows codes; it carries the texts of the
// codes the engine meets itself, worded as Windows words them, and has no text for the rest.
#include "contave/LIB/error_text.h"

namespace contave {
namespace {

struct SystemText {
  std::uint32_t code;
  const char* text;
};

constexpr SystemText kSystemTexts[] = {
    {0x80004005, "Unspecified error"},
    {0x80004004, "Operation aborted"},
    {0x8000FFFF, "Catastrophic failure"},
    {0x80070002, "The system cannot find the file specified."},
    {0x80070003, "The system cannot find the path specified."},
    {0x80070005, "Access is denied."},
    {0x80070008, "Not enough memory resources are available to process this command."},
    {0x8007000E, "Not enough memory resources are available to complete this operation."},
    {0x80070013, "The media is write protected."},
    {0x80070020, "The process cannot access the file because it is being used by another process."},
    {0x80070027, "The disk is full."},
    {0x80070050, "The file exists."},
    {0x80070057, "The parameter is incorrect."},
    {0x80070070, "There is not enough space on the disk."},
    {0x800700CE, "The filename or extension is too long."},
};

}  // namespace

std::optional<std::string> SystemErrorText(Status code) {
  for (const SystemText& entry : kSystemTexts) {
    if (entry.code == StatusBits(code)) return std::string(entry.text);
  }
  return std::nullopt;
}

}  // namespace contave
