// Where Velcore's strings, dialogs and pictures come from: Velcore itself, or the language
// library Velcore<LANGID>.dll beside it when the language set by VlInit has one.
#pragma once

#include "velcore/protocol/StringSource.h"

#include <windows.h>

#include <string>

namespace velor {

// The module to load resources from. While no language library has been found, each call looks
// for it again, so a library installed later is picked up.
HINSTANCE ResourceModule();

// A string of the string table, however long.
std::string LoadResourceString(unsigned id);

// Releases a language library at unload.
void ReleaseResourceModule();

class ResourceStrings : public StringSource {
public:
    std::string Load(unsigned id) const override { return LoadResourceString(id); }
};

}  // namespace velor
