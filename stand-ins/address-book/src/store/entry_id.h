// The entry identifiers the address book hands out: 28 bytes, the four MAPI flag bytes (zero: the
// identifier is long-term), the uid of the address book file, what it names and the record id.
// Built only from what the file keeps, so the same record has the same identifier in every
// process and every run; one from another address book fails to open instead of naming a
// stranger's record.
#pragma once

#include "store/records.h"

#include <string>

namespace wabstand {

#pragma pack(push, 4)
struct EntryIdBytes {
  BYTE flags[4];
  GUID uid;
  ULONG kind;
  ULONG id;
};
#pragma pack(pop)
static_assert(sizeof(EntryIdBytes) == 28);

std::string MakeEntryId(const GUID& uid, Kind kind, ULONG id);
// False when the bytes are not an identifier of the address book with this uid.
bool ParseEntryId(const void* bytes, ULONG size, const GUID& uid, Kind* kind, ULONG* id);

std::string HexBytes(const std::string& bytes);
bool ParseHexBytes(const std::string& hex, std::string* bytes);

}  // namespace wabstand
