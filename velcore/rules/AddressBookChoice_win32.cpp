// The people dialogs' "Address Book..." buttons: the address-book picker chooses one address.
#include "velcore/rules/RulesContext_win32.h"

namespace velor::rules {

bool ChooseAddressFromBook(HWND /*owner*/, std::string& /*address*/) {
    // No picker is built into this library yet: the button leaves the typed address as it is.
    return false;
}

}  // namespace velor::rules
