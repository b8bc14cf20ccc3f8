// The mail users of the Windows Address Book of this machine, read through the library that
// HKLM\Software\Microsoft\WAB\DLLPath names.
#pragma once

#include <string>
#include <vector>

namespace velor {

struct AddressBookContact {
    std::string name;     // display name
    std::string address;  // e-mail address; empty when the contact has none
};

// Every mail user of the address book (distribution lists and other objects left out), in the
// table's order. Empty when there is no address book, or it cannot be opened or read: the
// library is loaded for the call and released again before it returns.
std::vector<AddressBookContact> ReadAddressBookContacts();

}  // namespace velor
