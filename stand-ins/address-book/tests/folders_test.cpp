// The root container and its hierarchy: how a synchroniser lists and opens folders.
#include "wab_client.h"

namespace {

using FolderTest = WabTest;

TEST_F(FolderTest, RootContainerIsAnAddressBookContainer) {
  ASSERT_EQ(S_OK, Open());
  Ref<IABContainer> root = OpenRoot();
  ASSERT_TRUE(root);
  Cell type;
  ASSERT_EQ(S_OK, GetOne(root.get(), PR_OBJECT_TYPE, &type));
  EXPECT_EQ(MAPI_ABCONT, static_cast<ULONG>(type.number));
}

TEST_F(FolderTest, HierarchyRowsAreContainersWithDistinctIdsAndKeys) {
  ASSERT_EQ(S_OK, Open());
  auto rows = Hierarchy(WAB_LOCAL_CONTAINERS);
  ASSERT_EQ(2u, rows.size());
  for (Row& row : rows) {
    EXPECT_EQ(MAPI_ABCONT, static_cast<ULONG>(row[PROP_ID(PR_OBJECT_TYPE)].number));
    EXPECT_EQ(PR_ENTRYID, row[PROP_ID(PR_ENTRYID)].tag);
    EXPECT_FALSE(row[PROP_ID(PR_ENTRYID)].bytes.empty());
    EXPECT_FALSE(row[PROP_ID(PR_INSTANCE_KEY)].bytes.empty());
  }
  EXPECT_NE(rows[0][PROP_ID(PR_ENTRYID)].bytes, rows[1][PROP_ID(PR_ENTRYID)].bytes);
  EXPECT_NE(rows[0][PROP_ID(PR_INSTANCE_KEY)].bytes, rows[1][PROP_ID(PR_INSTANCE_KEY)].bytes);

  // Each row's entry id opens that folder, whose own properties agree with the row.
  Ref<IABContainer> shared = OpenContainer(rows[1][PROP_ID(PR_ENTRYID)].bytes);
  Cell name, id;
  ASSERT_EQ(S_OK, GetOne(shared.get(), PR_DISPLAY_NAME_A, &name));
  EXPECT_EQ("Shared Contacts", name.bytes);
  ASSERT_EQ(S_OK, GetOne(shared.get(), PR_ENTRYID, &id));
  EXPECT_EQ(rows[1][PROP_ID(PR_ENTRYID)].bytes, id.bytes);
}

TEST_F(FolderTest, DirectoryServicesAppearOnlyWithoutLocalContainers) {
  SetTextValue(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Account Manager\\Accounts\\00000004",
               "LDAP Server", "ldap.example.org");
  SetTextValue(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Account Manager\\Accounts\\00000004",
               "Account Name", "Example Directory");
  // A mail account is no directory service.
  SetTextValue(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Account Manager\\Accounts\\00000005",
               "IMAP Server", "mail.example.org");
  ASSERT_EQ(S_OK, Open());

  auto local = Hierarchy(WAB_LOCAL_CONTAINERS);
  auto all = Hierarchy(0);
  ASSERT_EQ(2u, local.size());
  ASSERT_EQ(3u, all.size());
  EXPECT_EQ("Example Directory", all[2][PROP_ID(PR_DISPLAY_NAME_A)].bytes);

  // It opens, but is searched rather than listed, and takes no entries.
  Ref<IABContainer> directory = OpenContainer(all[2][PROP_ID(PR_ENTRYID)].bytes, 0);
  Ref<IMAPITable> table;
  EXPECT_EQ(MAPI_E_NO_SUPPORT, directory->GetContentsTable(0, table.put()));
}

TEST_F(FolderTest, PersonalAddressBookIsTheIdentitysFolder) {
  ASSERT_EQ(S_OK, Open());
  ULONG size = 0;
  LPENTRYID pab = nullptr;
  ASSERT_EQ(S_OK, book_->GetPAB(&size, &pab));
  std::string mine = FolderId("Main Identity's Contacts");
  std::string shared = FolderId("Shared Contacts");
  ULONG same = 0;
  ASSERT_EQ(S_OK, book_->CompareEntryIDs(size, pab, static_cast<ULONG>(mine.size()),
                                         reinterpret_cast<LPENTRYID>(mine.data()), 0, &same));
  EXPECT_TRUE(same);
  ASSERT_EQ(S_OK, book_->CompareEntryIDs(size, pab, static_cast<ULONG>(shared.size()),
                                         reinterpret_cast<LPENTRYID>(shared.data()), 0, &same));
  EXPECT_FALSE(same);
  wab_->FreeBuffer(pab);
}

TEST_F(FolderTest, FoldersAreAProfileFeature) {
  ASSERT_EQ(S_OK, Open(0));
  EXPECT_TRUE(Hierarchy(WAB_LOCAL_CONTAINERS).empty());
}

TEST_F(FolderTest, UnicodeTablesAreRefused) {
  ASSERT_EQ(S_OK, Open());
  Ref<IABContainer> root = OpenRoot();
  Ref<IMAPITable> table;
  EXPECT_EQ(MAPI_E_BAD_CHARWIDTH, root->GetHierarchyTable(MAPI_UNICODE, table.put()));
}

TEST_F(FolderTest, ForeignAndUnknownEntryIdsAreRefused) {
  ASSERT_EQ(S_OK, Open());
  std::string folder = FolderId("Shared Contacts");
  ULONG type = 0;
  Ref<IUnknown> object;

  std::string foreign = folder;
  foreign[5] ^= 0x55;  // another address book's uid
  EXPECT_EQ(MAPI_E_UNKNOWN_ENTRYID,
            book_->OpenEntry(static_cast<ULONG>(foreign.size()),
                             reinterpret_cast<LPENTRYID>(foreign.data()), nullptr, 0, &type,
                             object.put()));
  std::string missing = folder;
  missing[24] = 0x7F;  // this address book, no such record
  EXPECT_EQ(MAPI_E_NOT_FOUND,
            book_->OpenEntry(static_cast<ULONG>(missing.size()),
                             reinterpret_cast<LPENTRYID>(missing.data()), nullptr, 0, &type,
                             object.put()));
  EXPECT_EQ(MAPI_E_INTERFACE_NOT_SUPPORTED,
            book_->OpenEntry(static_cast<ULONG>(folder.size()),
                             reinterpret_cast<LPENTRYID>(folder.data()), &IID_IMailUser, 0, &type,
                             object.put()));
  EXPECT_FALSE(object);
}

}  // namespace
