// The "Sharing and Security" property page (dialog 4200) of one folder: who may do what in it,
// read from the server when the page opens and written back when the sheet applies.
#pragma once

#include "shared/AccountSettings.h"

#include <windows.h>
#include <prsht.h>

namespace velor {

// A page for the caller's property sheet. The account must outlive the page; the page frees
// its own state when the sheet (or DestroyPropertySheetPage) releases it. E_OUTOFMEMORY when
// the state cannot be made, E_FAIL when the page cannot be created.
HRESULT CreateSharingPage(const char* folder, AccountSettings* account, HPROPSHEETPAGE* page);

}  // namespace velor
