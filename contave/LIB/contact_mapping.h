// The two directions of the attribute map (STRCONT): writing a directory contact into an
// address-book contact, and turning an address-book contact into the changes of a directory
// contact, with the e-mail rules of each direction.
#pragma once

#include "contave/LIB/contact_attribute.h"
#include "contave/LIB/property_bag.h"

namespace contave {

// Sets or deletes every ordinary property from the directory attributes, writes the five
// e-mail properties in one call (or deletes them) and saves the contact.
Status WriteDirectoryToAddressBook(const AttributeList& server, PropertyBag& local);
// The same without the save, for callers that add their own properties to the same save.
Status WriteDirectoryValues(const AttributeList& server, PropertyBag& local);

// Marks and fills the directory attributes so that the directory gets the address-book
// contact's values: every attribute the server has is first marked for deletion, those the
// contact has are then marked for replacement or added.
Status BuildDirectoryChanges(PropertyBag& local, AttributeList& server);

}  // namespace contave
