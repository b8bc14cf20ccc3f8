// WABPROXY: one opened address-book folder as the engine uses it. The Win32 build implements it
// on the address book's container and mail users; tests implement it in memory.
#pragma once

#include <cstdint>
#include <memory>

#include "contave/LIB/contents_table.h"
#include "contave/LIB/entry_id.h"
#include "contave/LIB/property_bag.h"

namespace contave {

// An opened mail user. Values set on it reach the address book only with Save, all at once.
class StoredContact : public PropertyBag {
 public:
  // After a successful Save: the contact's entry identifier and the modification time the
  // address book gave the saved state.
  virtual Status Stamp(EntryId& entryId, std::uint64_t& lastModification) = 0;
};

class AddressBookStore {
 public:
  virtual ~AddressBookStore() = default;

  // The contents table (PR_ENTRYID, PR_INSTANCE_KEY, PR_OBJECT_TYPE); kMapiNotFound when the
  // folder has none, which counts as an empty folder.
  virtual Status OpenContents(std::uint32_t& rowCount) = 0;
  virtual Status NextRow(ContentsRow& row, bool& end) = 0;
  // Opens a mail user for reading and writing.
  virtual Status OpenContact(const EntryId& entryId, std::unique_ptr<StoredContact>& contact) = 0;
  // A new mail user from the folder's template; it exists only once it has been saved.
  virtual Status CreateContact(std::unique_ptr<StoredContact>& contact) = 0;
  virtual Status DeleteContact(const EntryId& entryId) = 0;
};

}  // namespace contave
