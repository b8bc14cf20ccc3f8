// The address book file: a line-oriented text that a person can read and compare, closed by a
// line that counts the records, so a file cut short is recognised rather than half-read.
//
//   VelorWABStandIn 1
//   store <uid hex> <generation> <next id> <last stamp>
//   record <id> <kind> <folder> <created> <modified> <property count>
//   p <tag hex> <value>
//   ...
//   end <record count>
//
// A numeric value is written in decimal; a string, binary or UTF-16 value as ':' and its bytes
// with '%', blanks, controls and bytes above 0x7E as %XX; a multi-valued one as its count and
// that many such tokens.
#pragma once

#include "store/records.h"

#include <string>

namespace wabstand {

std::string FormatStore(const StoreData& data);

// MAPI_E_CORRUPT_DATA when the text is not a whole store file of this version.
HRESULT ParseStore(const std::string& text, StoreData* data);

// Reads only the identity line: the uid and the generation tell whether a loaded copy is current.
bool ParseStoreStamp(const std::string& head, GUID* uid, ULONGLONG* generation);

std::string PercentEncode(const std::string& bytes);
bool PercentDecode(const std::string& text, std::string* bytes);
std::string UidToHex(const GUID& uid);

}  // namespace wabstand
