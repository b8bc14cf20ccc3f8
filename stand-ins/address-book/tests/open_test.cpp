// WABOpen and the WAB object: what every client does before anything else.
#include "wab_client.h"

#include <cstring>

namespace {

using OpenTest = WabTest;

TEST_F(OpenTest, ReturnsBothObjectsWithTheirOwnReferenceCounts) {
  ASSERT_EQ(S_OK, Open());
  ASSERT_NE(nullptr, book_);
  ASSERT_NE(nullptr, wab_);
  EXPECT_EQ(2u, book_->AddRef());
  EXPECT_EQ(1u, book_->Release());
  EXPECT_EQ(2u, wab_->AddRef());
  EXPECT_EQ(1u, wab_->Release());

  Ref<IAddrBook> again;
  ASSERT_EQ(S_OK, book_->QueryInterface(IID_IAddrBook, reinterpret_cast<void**>(again.put())));
  EXPECT_EQ(book_, again.get());
  Ref<IUnknown> table;
  EXPECT_EQ(E_NOINTERFACE, book_->QueryInterface(IID_IMAPITable, reinterpret_cast<void**>(table.put())));
}

TEST_F(OpenTest, RefusesMissingResultPointers) {
  ASSERT_EQ(S_OK, Open());
  LPWABOPEN open = FindWabOpen(library_);
  LPWABOBJECT wab = nullptr;
  EXPECT_EQ(MAPI_E_INVALID_PARAMETER, open(nullptr, &wab, nullptr, 0));
  EXPECT_EQ(nullptr, wab);
}

TEST_F(OpenTest, AllocateMoreBlocksGoWithTheirParent) {
  ASSERT_EQ(S_OK, Open());
  void* parent = nullptr;
  ASSERT_EQ(S_OK, wab_->AllocateBuffer(64, &parent));
  std::memset(parent, 0xAB, 64);
  void* children[3] = {};
  for (void*& child : children) {
    ASSERT_EQ(S_OK, wab_->AllocateMore(1000, parent, &child));
    std::memset(child, 0xCD, 1000);
  }
  EXPECT_NE(children[0], children[1]);
  EXPECT_EQ(0xAB, static_cast<BYTE*>(parent)[63]);
  // A block from AllocateMore is not freed on its own; the parent takes it along.
  EXPECT_NE(S_OK, wab_->FreeBuffer(children[1]));
  EXPECT_EQ(S_OK, wab_->FreeBuffer(parent));
  EXPECT_EQ(S_OK, wab_->FreeBuffer(nullptr));
  EXPECT_NE(S_OK, wab_->AllocateMore(8, nullptr, &parent));
}

TEST_F(OpenTest, ObjectsOutliveTheAddressBookThatOpenedThem) {
  ASSERT_EQ(S_OK, Open());
  Ref<IABContainer> root = OpenRoot();
  book_->Release();
  book_ = nullptr;
  Ref<IMAPITable> table;
  EXPECT_EQ(S_OK, root->GetHierarchyTable(WAB_LOCAL_CONTAINERS, table.put()));
  ULONG count = 0;
  EXPECT_EQ(S_OK, table->GetRowCount(0, &count));
  EXPECT_EQ(2u, count);
}

TEST_F(OpenTest, NamesTheFileInTheRegistryAndCreatesItWithTheStandardFolders) {
  ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(storePath_.c_str()));
  ASSERT_EQ(S_OK, Open());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(storePath_.c_str()));
  auto folders = Hierarchy(WAB_LOCAL_CONTAINERS);
  ASSERT_EQ(2u, folders.size());
  EXPECT_EQ("Main Identity's Contacts", folders[0][PROP_ID(PR_DISPLAY_NAME_A)].bytes);
  EXPECT_EQ("Shared Contacts", folders[1][PROP_ID(PR_DISPLAY_NAME_A)].bytes);
}

TEST_F(OpenTest, RefusesADamagedFileAndLeavesItAlone) {
  ASSERT_EQ(S_OK, Open());
  Close();
  // Cut the file short: its closing line is gone.
  HANDLE file = CreateFileA(storePath_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  SetFilePointer(file, 40, nullptr, FILE_BEGIN);
  SetEndOfFile(file);
  CloseHandle(file);

  EXPECT_EQ(MAPI_E_CORRUPT_DATA, Open());
  EXPECT_EQ(nullptr, book_);
  EXPECT_EQ(nullptr, wab_);
  WIN32_FILE_ATTRIBUTE_DATA info;
  ASSERT_TRUE(GetFileAttributesExA(storePath_.c_str(), GetFileExInfoStandard, &info));
  EXPECT_EQ(40u, info.nFileSizeLow);
}

}  // namespace
