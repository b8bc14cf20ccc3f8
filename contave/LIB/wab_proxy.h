// WABPROXY on Windows: the address book library found through the registry, its folders, and
// one opened folder as the engine's AddressBookStore, over IAddrBook, IABContainer, IMailUser and
// IMAPITable as the library hands them out.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "contave/LIB/address_book_store.h"
#include "contave/LIB/entry_id.h"
#include "contave/LIB/folder_pair.h"

struct IAddrBook;
struct IWABObject;
struct IABContainer;
struct IMAPITable;

namespace contave {

// Where the address book library is registered: the key's default value names the DLL.
inline constexpr char kWabDllPathKey[] = "Software\\Microsoft\\WAB\\DLLPath";

// The loaded library and the address book it opened. The folders it opens keep it alive.
struct WabSession;

class AddressBookFolder;

class AddressBook {
 public:
  AddressBook() = default;
  AddressBook(const AddressBook&) = delete;
  AddressBook& operator=(const AddressBook&) = delete;
  ~AddressBook() { Unload(); }

  // Which half of Load failed: finding and loading the library, or opening the address book.
  enum class LoadStep { kLibrary, kOpen };
  // Reads the library's path from HKEY_LOCAL_MACHINE, loads it and opens the address book with
  // profiles enabled. Loading twice is an internal failure.
  Status Load(LoadStep* failedStep = nullptr);
  // Releases the address book and frees the library once no opened folder uses them.
  void Unload();
  bool Loaded() const { return session_ != nullptr; }

  // The address book's own folders in the library's order: their display names and, in the same
  // order, the status file name (hexadecimal digest of the folder's entry identifier) of each.
  Status ListFolders(std::vector<std::string>& names, std::vector<std::string>& digests);
  // The first folder whose name equals name without regard to case, opened for changes;
  // CVE_NO_WAB_FOLDER when there is none.
  Status OpenFolder(const std::string& name, std::unique_ptr<AddressBookFolder>& folder);

 private:
  std::shared_ptr<WabSession> session_;
};

class AddressBookFolder final : public AddressBookStore {
 public:
  AddressBookFolder(std::shared_ptr<WabSession> session, IABContainer* container, EntryId id);
  ~AddressBookFolder() override;
  AddressBookFolder(const AddressBookFolder&) = delete;
  AddressBookFolder& operator=(const AddressBookFolder&) = delete;

  // The folder's entry identifier: it names the folder's status file.
  const EntryId& Id() const { return id_; }

  Status OpenContents(std::uint32_t& rowCount) override;
  Status NextRow(ContentsRow& row, bool& end) override;
  Status OpenContact(const EntryId& entryId, std::unique_ptr<StoredContact>& contact) override;
  Status CreateContact(std::unique_ptr<StoredContact>& contact) override;
  Status DeleteContact(const EntryId& entryId) override;

 private:
  void CloseContents();

  std::shared_ptr<WabSession> session_;
  IABContainer* container_;
  IMAPITable* contents_ = nullptr;
  EntryId id_;
};

// The folder pair's way to the address book's folders.
class WabFolders final : public AddressBookFolders {
 public:
  explicit WabFolders(AddressBook& book) : book_(book) {}
  Status Open(const std::string& name, std::unique_ptr<AddressBookStore>& folder, EntryId& folderId) override;

 private:
  AddressBook& book_;
};

}  // namespace contave
