// The address book side over the address book stand-in, found through the registry as on
// Windows: loading the library and its failures, the folder list, opening a folder by name, and
// the contact operations the engine builds on.
#include <cctype>

#include "contave/LIB/mapi_tags.h"
#include "contave/LIB/md5.h"
#include "contave/LIB/wab_proxy.h"
#include "tool/commands.h"
#include "wab_client.h"

namespace contave {
namespace {

constexpr char kDllPathKey[] = "Software\\Microsoft\\WAB\\DLLPath";

using WabProxyTest = WabTest;

std::string Text(StoredContact& contact, std::uint32_t tag) {
  PropertyValue value;
  if (Failed(contact.Get(tag, value))) return "<none>";
  const auto* text = std::get_if<std::string>(&value.value);
  return text ? *text : "<not text>";
}

TEST_F(WabProxyTest, LoadsTheRegisteredLibraryOrTellsWhyNot) {
  AddressBook book;
  ASSERT_EQ(book.Load(), kOk);
  book.Unload();

  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDllPathKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const DWORD number = 1;
  RegSetValueExA(key, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(key);
  EXPECT_EQ(StatusBits(book.Load()), 0x800703F4u);  // not a path

  SetDefaultValue(HKEY_LOCAL_MACHINE, kDllPathKey, "C:\\nowhere\\wab32.dll");
  EXPECT_EQ(StatusBits(book.Load()), 0x8007007Eu);  // module not found

  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  SetDefaultValue(HKEY_LOCAL_MACHINE, kDllPathKey, std::string(system) + "\\version.dll");
  EXPECT_EQ(StatusBits(book.Load()), 0x8007007Fu);  // a library without WABOpen
  EXPECT_FALSE(book.Loaded());

  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\WAB");
  EXPECT_EQ(StatusBits(book.Load()), 0x80070002u);
}

TEST_F(WabProxyTest, ListsAndOpensFoldersByNameWithoutRegardToCase) {
  std::string out, err;
  ASSERT_EQ(0, wabtool::Run({"mkfolder", "Velor Private"}, &out, &err)) << err;
  AddressBook book;
  ASSERT_EQ(book.Load(), kOk);
  std::vector<std::string> names, digests;
  ASSERT_EQ(book.ListFolders(names, digests), kOk);
  ASSERT_EQ(names, (std::vector<std::string>{"Main Identity's Contacts", "Shared Contacts", "Velor Private"}));
  ASSERT_EQ(digests.size(), 3u);
  ASSERT_EQ(S_OK, Open());
  const std::string id = FolderId("Velor Private");
  EXPECT_EQ(digests[2], Md5Hex(Md5Of(id.data(), id.size())));
  for (char c : digests[0]) EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F'));

  std::unique_ptr<AddressBookFolder> folder;
  ASSERT_EQ(book.OpenFolder("velor PRIVATE", folder), kOk);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(folder->Id().Data()), folder->Id().Size()), id);
  std::unique_ptr<AddressBookFolder> none;
  EXPECT_EQ(book.OpenFolder("Velor", none), kCveNoWabFolder);
  EXPECT_EQ(none, nullptr);
  // An empty folder has no contents table: the engine takes it for an empty folder.
  std::uint32_t rows = 7;
  EXPECT_EQ(folder->OpenContents(rows), kMapiNotFound);
  // The folder keeps the library loaded after the address book object lets go of it.
  book.Unload();
  std::unique_ptr<StoredContact> created;
  ASSERT_EQ(folder->CreateContact(created), kOk);
}

TEST_F(WabProxyTest, ContactOperations) {
  std::string out, err;
  ASSERT_EQ(0, wabtool::Run({"mkfolder", "Velor Private"}, &out, &err)) << err;
  ASSERT_EQ(0, wabtool::Run({"add", "Velor Private", "PR_DISPLAY_NAME=Ann Lee", "PR_COMMENT=hi"}, &out, &err)) << err;
  AddressBook book;
  ASSERT_EQ(book.Load(), kOk);
  std::unique_ptr<AddressBookFolder> folder;
  ASSERT_EQ(book.OpenFolder("Velor Private", folder), kOk);

  std::uint32_t count = 0;
  ASSERT_EQ(folder->OpenContents(count), kOk);
  EXPECT_EQ(count, 1u);
  ContentsRow row;
  bool end = true;
  ASSERT_EQ(folder->NextRow(row, end), kOk);
  ASSERT_FALSE(end);
  EXPECT_EQ(row.objectType, kMapiMailUser);
  EXPECT_FALSE(row.instanceKey.empty());
  ASSERT_EQ(folder->NextRow(row, end), kOk);
  EXPECT_TRUE(end);
  ASSERT_EQ(folder->OpenContents(count), kOk);
  ASSERT_EQ(folder->NextRow(row, end), kOk);
  const EntryId ann(row.entryId.data(), row.entryId.size());

  std::unique_ptr<StoredContact> contact;
  ASSERT_EQ(folder->OpenContact(ann, contact), kOk);
  EXPECT_EQ(Text(*contact, kPrDisplayName), "Ann Lee");
  EXPECT_EQ(Text(*contact, kPrComment), "hi");
  PropertyValue value;
  EXPECT_EQ(contact->Get(kPrContaveServerId, value), kMapiNotFound);
  EntryId stamped;
  std::uint64_t before = 0;
  ASSERT_EQ(contact->Stamp(stamped, before), kOk);
  EXPECT_EQ(stamped, ann);

  // Values of all three kinds, and deletions, go out together with one save.
  const std::vector<PropertyValue> values = {
      {kPrContaveServerId, std::int32_t{-5}},
      {kPrContactEmailAddresses, std::vector<std::string>{"a@example.org", "b@example.org"}},
      {kPrEmailAddress, std::string("b@example.org")}};
  ASSERT_EQ(contact->Set(values), kOk);
  const std::uint32_t gone[] = {kPrComment, 0x3A11001Eu};
  ASSERT_EQ(contact->Delete(gone), kOk);
  ASSERT_EQ(contact->Save(), kOk);
  std::uint64_t after = 0;
  ASSERT_EQ(contact->Stamp(stamped, after), kOk);
  EXPECT_GT(after, before);
  contact.reset();

  ASSERT_EQ(folder->OpenContact(ann, contact), kOk);
  ASSERT_EQ(contact->Get(kPrContaveServerId, value), kOk);
  EXPECT_EQ(std::get<std::int32_t>(value.value), -5);
  ASSERT_EQ(contact->Get(kPrContactEmailAddresses, value), kOk);
  EXPECT_EQ(std::get<std::vector<std::string>>(value.value),
            (std::vector<std::string>{"a@example.org", "b@example.org"}));
  EXPECT_EQ(Text(*contact, kPrComment), "<none>");
  contact.reset();

  // A new contact exists once saved, and goes again with DeleteContact.
  std::unique_ptr<StoredContact> created;
  ASSERT_EQ(folder->CreateContact(created), kOk);
  const std::vector<PropertyValue> name = {{kPrDisplayName, std::string("Bob")}};
  ASSERT_EQ(created->Set(name), kOk);
  ASSERT_EQ(created->Save(), kOk);
  EntryId bob;
  ASSERT_EQ(created->Stamp(bob, after), kOk);
  EXPECT_FALSE(bob == ann);
  created.reset();
  ASSERT_EQ(folder->OpenContents(count), kOk);
  EXPECT_EQ(count, 2u);
  ASSERT_EQ(folder->DeleteContact(bob), kOk);
  EXPECT_TRUE(Failed(folder->OpenContact(bob, created)));
  ASSERT_EQ(folder->OpenContents(count), kOk);
  EXPECT_EQ(count, 1u);
}

}  // namespace
}  // namespace contave
