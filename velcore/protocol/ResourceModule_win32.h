// Where Velcore's strings, dialogs and pictures come from: Velcore itself, or the language
// library Velcore<LANGID>.dll beside it when the language set by VlInit has one.
#pragma once

#include "velcore/protocol/StringSource.h"

#include <windows.h>

#include <string>

namespace velor {

class FolderNames;

// The module to load resources from. While no language library has been found, each call looks
// for it again, so a library installed later is picked up.
HINSTANCE ResourceModule();

// The module that holds the resource: the language library when it has it, else Velcore itself,
// so a language library that lacks a dialog or a picture still gets Velcore's own.
HINSTANCE ResourceModuleFor(LPCSTR type, unsigned id);

// Sets the language of VlInit. A change releases the language library in use, so that language
// 0 goes back to Velcore's own resources and another language finds its own library.
void SetResourceLanguage(WORD language);

// A string of the string table, however long; taken from Velcore itself when the language
// library lacks it.
std::string LoadResourceString(unsigned id);

// The display names of the top-level folders, loaded once, in the resource language of the first
// call that needs them; every export shares this one table.
const FolderNames& ResourceFolderNames();

// Releases a language library at unload.
void ReleaseResourceModule();

class ResourceStrings : public StringSource {
public:
    std::string Load(unsigned id) const override { return LoadResourceString(id); }
};

}  // namespace velor
