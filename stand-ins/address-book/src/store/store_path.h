// Where an identity's address book lives. As on Windows: a file name the program passes to
// WABOpen wins; otherwise the default value of HKCU\Software\Microsoft\WAB\WAB4\Wab File Name;
// otherwise "<application data>\Microsoft\Address Book\<user name>.wab".
#pragma once

#include <string>

namespace wabstand {

inline constexpr const char* kWabFileNameKey = "Software\\Microsoft\\WAB\\WAB4\\Wab File Name";
inline constexpr const char* kDllPathKey = "Software\\Microsoft\\WAB\\DLLPath";

std::string ResolveStorePath(const char* requested);
std::string DefaultStorePath();

}  // namespace wabstand
