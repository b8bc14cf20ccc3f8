// Installing the address book DLL where programs look for it: the default value of
// HKLM\Software\Microsoft\WAB\DLLPath, as the Windows setup writes it.
#pragma once

#include <windows.h>

#include <string>

namespace wabtool {

HRESULT InstallDll(const std::string& dllPath, std::string* installed);
HRESULT UninstallDll();  // S_FALSE when nothing was installed
HRESULT InstalledDll(std::string* path);  // S_FALSE when none is

}  // namespace wabtool
