// The password of an Outlook Express account, read from its protected store through the system
// component that reaches it. The component's library is loaded at the first need and freed when
// the module leaves the process.
#pragma once

#include <windows.h>

#include <string>

namespace velor::velhook {

// Reads the password that the account key's value refers to. S_OK and the password, or the
// store's failure (the password stays empty then).
HRESULT ReadStoredPassword(HKEY account, const char* value, std::string* password);

// At the module's detach from a process that goes on running.
void FreePasswordStore();

}  // namespace velor::velhook
