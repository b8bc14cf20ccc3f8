#include "contave/LIB/error_text.h"

namespace contave {
namespace {

struct MapiText {
  std::uint32_t code;
  const char* text;
};

// The address book's codes in the form its users see them.
constexpr MapiText kMapiTexts[] = {
    {0x80040102, "MAPI: No support"},
    {0x80040103, "MAPI: Bad charwidth"},
    {0x80040105, "MAPI: String too long"},
    {0x80040106, "MAPI: Unknown flags"},
    {0x80040107, "MAPI: Invalid entry id"},
    {0x80040108, "MAPI: Invalid object"},
    {0x80040109, "MAPI: Object changed"},
    {0x8004010A, "MAPI: Object deleted"},
    {0x8004010B, "MAPI: Busy"},
    {0x8004010D, "MAPI: Not enough disk space"},
    {0x8004010E, "MAPI: Not enough resources"},
    {0x8004010F, "MAPI: Object not found"},
    {0x80040110, "MAPI: Inappropriate version"},
    {0x80040111, "MAPI: Logon failed"},
    {0x80040112, "MAPI: Session limit reached"},
    {0x80040113, "MAPI: Canceled by user"},
    {0x80040114, "MAPI: Unable to abort"},
    {0x80040115, "MAPI: Network error"},
    {0x80040116, "MAPI: Disk error"},
    {0x80040117, "MAPI: Request too complex"},
    {0x80040118, "MAPI: Bad column"},
    {0x80040119, "MAPI: Extended error"},
    {0x8004011A, "MAPI: Computed property"},
    {0x8004011B, "MAPI: Data corrupted"},
    {0x8004011C, "MAPI: Unconfigured"},
    {0x8004011D, "MAPI: Provider failed"},
    {0x80040200, "MAPI: End of session"},
    {0x80040201, "MAPI: Unknown entry id"},
    {0x80040202, "MAPI: Missing required columns"},
    {0x00040203, "MAPI: Service not found"},
    {0x80040301, "MAPI: Bad value"},
    {0x80040302, "MAPI: Invalid type"},
    {0x80040303, "MAPI: Type not supported"},
    {0x80040304, "MAPI: Unexpected type"},
    {0x80040305, "MAPI: Too big"},
    {0x80040306, "MAPI: Decline copy"},
    {0x80040307, "MAPI: Unexpected id"},
    {0x00040380, "MAPI: Errors returned"},
    {0x80040400, "MAPI: Unable to complete"},
    {0x80040401, "MAPI: Timeout"},
    {0x80040402, "MAPI: Table is empty"},
    {0x80040403, "MAPI: Table is too big"},
    {0x80040405, "MAPI: Invalid bookmark"},
    {0x00040481, "MAPI: Position changed"},
    {0x00040482, "MAPI: Approximate count"},
    {0x00040680, "MAPI: Partial completion"},
    {0x80040700, "MAPI: Ambiguous recipients"},
    {0x80040604, "MAPI: Collision"},
    {0x80040605, "MAPI: Not initialized"},
    {0x8004060B, "MAPI: Folder cycle"},
};

}  // namespace

const char* MapiErrorText(Status code) {
  for (const MapiText& entry : kMapiTexts) {
    if (entry.code == StatusBits(code)) return entry.text;
  }
  return nullptr;
}

}  // namespace contave
