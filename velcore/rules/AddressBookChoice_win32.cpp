// The people dialogs' "Address Book..." buttons: the address-book picker chooses one address.
#include "velcore/rules/RulesContext_win32.h"

#include "velcore/sharing/AddressBookPicker_win32.h"

namespace velor::rules {

bool ChooseAddressFromBook(HWND owner, std::string& address) {
    ChosenAddress chosen;
    if (!PickAddress(owner, chosen)) return false;
    address = chosen.address;
    return true;
}

}  // namespace velor::rules
