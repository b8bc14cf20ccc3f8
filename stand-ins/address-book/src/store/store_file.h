// The address book file: a line-oriented text that a person can read and compare, closed by a
// line that counts the records, so a file cut short is recognised rather than half-read.
//
//   VelorWABStandIn 1
//   store <uid hex> <generation> <next id> <last stamp>
//   record <id> <kind> <folder> <created> <modified> <property count>
//   p <tag hex> <value>
//   ...
//   end <record count>
//   change <next id> <last stamp> <record count> <deleted count>
//   record ... / p ...                    each record written or changed, whole
//   gone <id>                             each record deleted
//   done <generation>
//   ...
//
// A change appends one change block instead of writing the file anew; a block counts only when it
// is whole up to its done line, so a write cut short by a crash is simply not there. Once the
// blocks outgrow the records before them, the next change writes the whole file again.
//
// A numeric value is written in decimal; a string, binary or UTF-16 value as ':' and its bytes
// with '%', blanks, controls and bytes above 0x7E as %XX; a multi-valued one as its count and
// that many such tokens.
#pragma once

#include "store/records.h"

#include <string>
#include <vector>

namespace wabstand {

std::string FormatStore(const StoreData& data);

// MAPI_E_CORRUPT_DATA when the text is not a whole store file of this version. snapshotEnd gets
// where the records end, validEnd where the last whole change block ends.
HRESULT ParseStore(const std::string& text, StoreData* data, size_t* snapshotEnd = nullptr,
                   size_t* validEnd = nullptr);

// One change block: the records given as they are now, the ids deleted.
std::string FormatChange(const StoreData& data, const std::vector<const Record*>& records,
                         const std::vector<ULONG>& gone);
// Applies the whole change blocks of text from start on; returns where the last one ends.
size_t ApplyChanges(const std::string& text, size_t start, StoreData* data);

// Reads only the identity line: the uid and the generation tell whether a loaded copy is current.
bool ParseStoreStamp(const std::string& head, GUID* uid, ULONGLONG* generation);

std::string PercentEncode(const std::string& bytes);
bool PercentDecode(const std::string& text, std::string* bytes);
std::string UidToHex(const GUID& uid);

}  // namespace wabstand
