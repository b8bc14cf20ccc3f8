#include "store/entry_id.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace wabstand {

std::string MakeEntryId(const GUID& uid, Kind kind, ULONG id) {
  EntryIdBytes eid{};
  eid.uid = uid;
  eid.kind = static_cast<ULONG>(kind);
  eid.id = id;
  return std::string(reinterpret_cast<const char*>(&eid), sizeof eid);
}

bool ParseEntryId(const void* bytes, ULONG size, const GUID& uid, Kind* kind, ULONG* id) {
  if (!bytes || size != sizeof(EntryIdBytes)) return false;
  EntryIdBytes eid;
  std::memcpy(&eid, bytes, sizeof eid);
  if (!IsEqualGUID(eid.uid, uid) || eid.kind < static_cast<ULONG>(Kind::Root) ||
      eid.kind > static_cast<ULONG>(Kind::DistListTemplate))
    return false;
  *kind = static_cast<Kind>(eid.kind);
  *id = eid.id;
  return true;
}

std::string HexBytes(const std::string& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += kHex[c >> 4];
    hex += kHex[c & 15];
  }
  return hex;
}

bool ParseHexBytes(const std::string& hex, std::string* bytes) {
  if (hex.size() % 2) return false;
  bytes->clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    if (!isxdigit(static_cast<unsigned char>(hex[i])) ||
        !isxdigit(static_cast<unsigned char>(hex[i + 1])))
      return false;
    char pair[3] = {hex[i], hex[i + 1], 0};
    *bytes += static_cast<char>(std::strtoul(pair, nullptr, 16));
  }
  return true;
}

}  // namespace wabstand
