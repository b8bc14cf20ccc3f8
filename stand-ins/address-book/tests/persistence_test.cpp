// What must hold between runs and between programs: entry ids that do not change, changes that
// another program sees, and application properties that survive a user's edit.
#include "tool/commands.h"
#include "wab_client.h"

namespace {

constexpr ULONG kServerId = PROP_TAG(PT_LONG, 0x6401);
constexpr ULONG kLocalRev = PROP_TAG(PT_LONG, 0x6403);

std::string Hex(const std::string& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += kHex[c >> 4];
    hex += kHex[c & 15];
  }
  return hex;
}

using PersistenceTest = WabTest;

TEST_F(PersistenceTest, EntryIdsAndInstanceKeysAreTheSameAfterReopening) {
  ASSERT_EQ(S_OK, Open());
  std::string folderId = FolderId("Shared Contacts");
  std::string userId;
  std::vector<Row> before;
  {
    Ref<IABContainer> folder = OpenContainer(folderId);
    userId = CreateUser(folder.get(), {StringProp(PR_DISPLAY_NAME_A, "Max"), LongProp(kServerId, 5)});
    CreateUser(folder.get(), {StringProp(PR_DISPLAY_NAME_A, "Nia")});
    before = Contents(folder.get(), {PR_ENTRYID, PR_INSTANCE_KEY});
  }
  Close();  // the library is unloaded: nothing survives but the file

  ASSERT_EQ(S_OK, Open());
  EXPECT_EQ(folderId, FolderId("Shared Contacts"));
  Ref<IABContainer> folder = OpenContainer(folderId);
  auto after = Contents(folder.get(), {PR_ENTRYID, PR_INSTANCE_KEY});
  ASSERT_EQ(before.size(), after.size());
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(before[i][PROP_ID(PR_ENTRYID)].bytes, after[i][PROP_ID(PR_ENTRYID)].bytes);
    EXPECT_EQ(before[i][PROP_ID(PR_INSTANCE_KEY)].bytes, after[i][PROP_ID(PR_INSTANCE_KEY)].bytes);
  }
  Cell cell;
  ASSERT_EQ(S_OK, GetOne(OpenUser(userId, 0).get(), kServerId, &cell));
  EXPECT_EQ(5, cell.number);

  // A deleted contact's id is not handed to the next one.
  SBinary bin = {static_cast<ULONG>(userId.size()), reinterpret_cast<LPBYTE>(userId.data())};
  ENTRYLIST list = {1, &bin};
  ASSERT_EQ(S_OK, folder->DeleteEntries(&list, 0));
  EXPECT_NE(userId, CreateUser(folder.get(), {StringProp(PR_DISPLAY_NAME_A, "Max")}));
}

TEST_F(PersistenceTest, TwoSessionsSeeEachOthersChanges) {
  ASSERT_EQ(S_OK, Open());
  LPWABOPEN open = FindWabOpen(library_);
  WAB_PARAM param = {sizeof param, nullptr, nullptr, WAB_ENABLE_PROFILES, GUID_NULL};
  Ref<IAddrBook> otherBook;
  Ref<IWABObject> otherWab;
  ASSERT_EQ(S_OK, open(otherBook.put(), otherWab.put(), &param, 0));

  Ref<IABContainer> folder = OpenFolder("Shared Contacts");
  std::string id = CreateUser(folder.get(), {StringProp(PR_DISPLAY_NAME_A, "Ola"),
                                             StringProp(PR_COMMENT_A, "first")});
  Ref<IMailUser> ours = OpenUser(id);

  // The other session changes one property meanwhile.
  Ref<IMailUser> theirs;
  ULONG type = 0;
  ASSERT_EQ(S_OK, otherBook->OpenEntry(static_cast<ULONG>(id.size()),
                                       reinterpret_cast<LPENTRYID>(id.data()), &IID_IMailUser,
                                       MAPI_MODIFY, &type, reinterpret_cast<LPUNKNOWN*>(theirs.put())));
  SPropValue comment = StringProp(PR_COMMENT_A, "second");
  ASSERT_EQ(S_OK, theirs->SetProps(1, &comment, nullptr));
  ASSERT_EQ(S_OK, theirs->SaveChanges(KEEP_OPEN_READWRITE));

  // Ours saves another property: only that one is written, their comment stays.
  SPropValue rev = LongProp(kLocalRev, 9);
  ASSERT_EQ(S_OK, ours->SetProps(1, &rev, nullptr));
  ASSERT_EQ(S_OK, ours->SaveChanges(KEEP_OPEN_READWRITE));
  Cell cell;
  ASSERT_EQ(S_OK, GetOne(OpenUser(id, 0).get(), PR_COMMENT_A, &cell));
  EXPECT_EQ("second", cell.bytes);
  ASSERT_EQ(S_OK, GetOne(theirs.get(), PR_COMMENT_A, &cell));
  EXPECT_EQ("second", cell.bytes);

  // A contact deleted by one session cannot be saved by the other.
  SBinary bin = {static_cast<ULONG>(id.size()), reinterpret_cast<LPBYTE>(id.data())};
  ENTRYLIST list = {1, &bin};
  ASSERT_EQ(S_OK, folder->DeleteEntries(&list, 0));
  ASSERT_EQ(S_OK, theirs->SetProps(1, &rev, nullptr));
  EXPECT_EQ(MAPI_E_OBJECT_DELETED, theirs->SaveChanges(KEEP_OPEN_READWRITE));
}

TEST_F(PersistenceTest, AUsersEditMovesTheTimeAndKeepsApplicationProperties) {
  ASSERT_EQ(S_OK, Open());
  Ref<IABContainer> folder = OpenFolder("Shared Contacts");
  std::string id = CreateUser(folder.get(), {StringProp(PR_DISPLAY_NAME_A, "Pia"),
                                             LongProp(kServerId, 0x42), LongProp(kLocalRev, 2)});
  Cell before;
  ASSERT_EQ(S_OK, GetOne(OpenUser(id, 0).get(), PR_LAST_MODIFICATION_TIME, &before));

  std::string out, err;
  ASSERT_EQ(0, wabtool::Run({"edit", Hex(id), "PR_DISPLAY_NAME=Pia Park",
                             "PR_EMAIL_ADDRESS=pia@example.org"},
                            &out, &err))
      << err;

  Ref<IMailUser> user = OpenUser(id, 0);
  Cell cell;
  ASSERT_EQ(S_OK, GetOne(user.get(), PR_DISPLAY_NAME_A, &cell));
  EXPECT_EQ("Pia Park", cell.bytes);
  ASSERT_EQ(S_OK, GetOne(user.get(), kServerId, &cell));
  EXPECT_EQ(0x42, cell.number);
  ASSERT_EQ(S_OK, GetOne(user.get(), kLocalRev, &cell));
  EXPECT_EQ(2, cell.number);
  ASSERT_EQ(S_OK, GetOne(user.get(), PR_LAST_MODIFICATION_TIME, &cell));
  EXPECT_GT(CompareFileTime(&cell.time, &before.time), 0);

  // Opening and saving without a change is still an edit to the user.
  ASSERT_EQ(0, wabtool::Run({"edit", "Pia Park"}, &out, &err)) << err;
  Cell later;
  ASSERT_EQ(S_OK, GetOne(OpenUser(id, 0).get(), PR_LAST_MODIFICATION_TIME, &later));
  EXPECT_GT(CompareFileTime(&later.time, &cell.time), 0);
}

TEST_F(PersistenceTest, AnInterruptedWriteLeavesTheFormerFile) {
  ASSERT_EQ(S_OK, Open());
  Ref<IABContainer> folder = OpenFolder("Shared Contacts");
  std::string id = CreateUser(folder.get(), {StringProp(PR_DISPLAY_NAME_A, "Quinn")});
  folder.Reset();
  Close();
  // A writer that died before its rename leaves only its temporary file.
  HANDLE stale = CreateFileA((storePath_ + ".new").c_str(), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, stale);
  DWORD written;
  WriteFile(stale, "VelorWABStandIn 1\nstore", 23, &written, nullptr);
  CloseHandle(stale);

  ASSERT_EQ(S_OK, Open());
  Cell cell;
  ASSERT_EQ(S_OK, GetOne(OpenUser(id, 0).get(), PR_DISPLAY_NAME_A, &cell));
  EXPECT_EQ("Quinn", cell.bytes);
  Ref<IMailUser> user = OpenUser(id);
  SPropValue name = StringProp(PR_DISPLAY_NAME_A, "Quinn Two");
  ASSERT_EQ(S_OK, user->SetProps(1, &name, nullptr));
  ASSERT_EQ(S_OK, user->SaveChanges(KEEP_OPEN_READWRITE));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((storePath_ + ".new").c_str()));
}

}  // namespace

namespace {

std::string FileText(const std::string& path) {
  std::string text;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(file);
  return text;
}

void AppendText(const std::string& path, const std::string& text) {
  HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

// A save adds a change block to the file instead of writing it anew; a block cut short by a crash
// is not there on the next reading, and the blocks are folded into the records once they outgrow
// them.
TEST_F(PersistenceTest, SavesAppendWholeBlocksAndTornOnesAreIgnored) {
  ASSERT_EQ(S_OK, Open());
  std::string folderId = FolderId("Shared Contacts");
  std::string max, nia;
  {
    Ref<IABContainer> folder = OpenContainer(folderId);
    max = CreateUser(folder.get(), {StringProp(PR_DISPLAY_NAME_A, "Max")});
    nia = CreateUser(folder.get(), {StringProp(PR_DISPLAY_NAME_A, "Nia")});
    Ref<IMailUser> user = OpenUser(max);
    SPropValue rev = LongProp(kLocalRev, 7);
    ASSERT_EQ(S_OK, user->SetProps(1, &rev, nullptr));
    ASSERT_EQ(S_OK, user->SaveChanges(KEEP_OPEN_READWRITE));
    SBinary bin = {static_cast<ULONG>(nia.size()), reinterpret_cast<LPBYTE>(nia.data())};
    ENTRYLIST list = {1, &bin};
    ASSERT_EQ(S_OK, folder->DeleteEntries(&list, 0));
  }
  Close();
  std::string text = FileText(storePath_);
  EXPECT_EQ(4u, Count(text, "\ndone "));  // two creations, a change, a deletion
  EXPECT_EQ(1u, Count(text, "\ngone "));

  // A crash in the middle of a block: the block is not there, and the next save writes the file
  // whole rather than after the torn text.
  AppendText(storePath_, "change 99 1 1 0\nrecord 50 3 2 1 1 1\np 3001001E :Ghost\n");
  ASSERT_EQ(S_OK, Open());
  {
    Ref<IABContainer> folder = OpenContainer(folderId);
    auto rows = Contents(folder.get(), {PR_ENTRYID, PR_DISPLAY_NAME_A});
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("Max", rows[0].at(PROP_ID(PR_DISPLAY_NAME_A)).bytes);
    Cell cell;
    ASSERT_EQ(S_OK, GetOne(OpenUser(max, 0).get(), kLocalRev, &cell));
    EXPECT_EQ(7, cell.number);
    CreateUser(folder.get(), {StringProp(PR_DISPLAY_NAME_A, "Ola")});
  }
  Close();
  text = FileText(storePath_);
  EXPECT_EQ(0u, Count(text, "Ghost"));
  EXPECT_EQ(0u, Count(text, "\nchange "));

  // Many saves: the file is rewritten now and then, so it stays near the size of its records.
  ASSERT_EQ(S_OK, Open());
  {
    Ref<IMailUser> user = OpenUser(max);
    for (int i = 0; i < 400; ++i) {
      std::string comment(200, static_cast<char>('a' + i % 26));
      SPropValue value = StringProp(PR_COMMENT_A, comment.c_str());
      ASSERT_EQ(S_OK, user->SetProps(1, &value, nullptr));
      ASSERT_EQ(S_OK, user->SaveChanges(KEEP_OPEN_READWRITE));
    }
  }
  Close();
  text = FileText(storePath_);
  EXPECT_LT(text.size(), 3u * 64 * 1024);
  ASSERT_EQ(S_OK, Open());
  Cell comment;
  ASSERT_EQ(S_OK, GetOne(OpenUser(max, 0).get(), PR_COMMENT_A, &comment));
  EXPECT_EQ(std::string(200, static_cast<char>('a' + 399 % 26)), comment.bytes);
}
