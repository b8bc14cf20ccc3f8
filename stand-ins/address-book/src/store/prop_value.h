// One stored property of an address-book record, independent of the MAPI structures that carry it
// in and out: the record keeps its own copies, so nothing handed to a caller aliases the store.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace wabstand {

// The property types the store keeps. Anything else is refused when set.
bool IsStorableType(ULONG type);

struct PropValue {
  ULONG tag = 0;
  // PT_I2, PT_LONG, PT_BOOLEAN, PT_I8 and PT_SYSTIME (the FILETIME as one 64-bit number).
  LONGLONG number = 0;
  // PT_STRING8 (the characters), PT_BINARY, PT_CLSID (16 bytes), PT_UNICODE (UTF-16LE bytes).
  std::string bytes;
  // The multi-valued types, one element each: PT_MV_STRING8, PT_MV_BINARY, PT_MV_UNICODE (UTF-16LE
  // bytes), PT_MV_LONG (four little-endian bytes).
  std::vector<std::string> items;

  bool operator==(const PropValue&) const = default;
};

// A record's properties keyed by property identifier: MAPI lets one identifier carry one type at a
// time, so setting a property with another type replaces it.
using PropMap = std::map<ULONG, PropValue>;

PropValue MakeLong(ULONG tag, LONG value);
PropValue MakeString(ULONG tag, const std::string& text);
PropValue MakeBinary(ULONG tag, const std::string& bytes);
PropValue MakeTime(ULONG tag, ULONGLONG filetime);
PropValue MakeStringList(ULONG tag, const std::vector<std::string>& texts);

void Put(PropMap& props, PropValue value);
const PropValue* Find(const PropMap& props, ULONG tag);  // matches identifier and type

}  // namespace wabstand
