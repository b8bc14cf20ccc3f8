// Registration and unregistration of the module: the registration script resource run against
// the registry, then the address-book library's SharedDLLs count and the hooks list entry.
#pragma once

#include <windows.h>

namespace velor::velhook {

HRESULT RegisterModule();
HRESULT UnregisterModule();

}  // namespace velor::velhook
