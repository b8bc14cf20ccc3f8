// The "Address Book" window (dialog 4114): picks one contact of the Windows Address Book so that
// an e-mail address need not be typed. The Sharing page's Add User/Group dialog and the rules
// editor's people pickers open it.
//
//     velor::ChosenAddress chosen;
//     if (velor::PickAddress(GetActiveWindow(), chosen)) SetDlgItemTextA(dialog, id, chosen.address.c_str());
//
// The window is modal and runs inside the call; it lists every mail user with name and e-mail
// address (an address book that is missing or unusable gives an empty list) and sorts by either
// column when its header is clicked.
#pragma once

#include <windows.h>

#include <string>

namespace velor {

struct ChosenAddress {
    std::string name;     // the row's display name, trimmed
    std::string address;  // the row's e-mail address, trimmed; may be empty
};

// True, with the chosen row, when the user ends the window with OK or a double-click on a row;
// false on Cancel, on OK without a selected row, or when the window cannot be shown. chosen is
// left as it was unless the result is true.
bool PickAddress(HWND owner, ChosenAddress& chosen);

}  // namespace velor
