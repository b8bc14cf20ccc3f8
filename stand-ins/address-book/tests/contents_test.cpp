// Contents tables: what the address book picker and the synchroniser read row by row.
#include "wab_client.h"

namespace {

class ContentsTest : public WabTest {
 protected:
  void SetUp() override {
    WabTest::SetUp();
    ASSERT_EQ(S_OK, Open());
    folder_ = OpenFolder("Shared Contacts");
    bob_ = CreateUser(folder_.get(), {StringProp(PR_DISPLAY_NAME_A, "Bob Stone"),
                                      StringProp(PR_EMAIL_ADDRESS_A, "bob@example.org")});
    ann_ = CreateUser(folder_.get(), {StringProp(PR_DISPLAY_NAME_A, "ann Lee"),
                                      StringProp(PR_EMAIL_ADDRESS_A, "ann@example.org")});
    carl_ = CreateUser(folder_.get(), {StringProp(PR_DISPLAY_NAME_A, "Carl Noaddress")});
    CreateList("Team", {ann_, bob_});
  }

  void TearDown() override {
    folder_.Reset();
    WabTest::TearDown();
  }

  void CreateList(const char* name, std::vector<std::string> members) {
    Cell templateId;
    ASSERT_EQ(S_OK, GetOne(folder_.get(), PR_DEF_CREATE_DL, &templateId));
    Ref<IMAPIProp> list;
    ASSERT_EQ(S_OK, folder_->CreateEntry(static_cast<ULONG>(templateId.bytes.size()),
                                         reinterpret_cast<LPENTRYID>(templateId.bytes.data()), 0,
                                         list.put()));
    std::vector<SBinary> bins;
    for (std::string& member : members)
      bins.push_back({static_cast<ULONG>(member.size()), reinterpret_cast<LPBYTE>(member.data())});
    SPropValue props[2] = {StringProp(PR_DISPLAY_NAME_A, name), {}};
    props[1].ulPropTag = PR_WAB_DL_ENTRIES;
    props[1].Value.MVbin.cValues = static_cast<ULONG>(bins.size());
    props[1].Value.MVbin.lpbin = bins.data();
    ASSERT_EQ(S_OK, list->SetProps(2, props, nullptr));
    ASSERT_EQ(S_OK, list->SaveChanges(0));
  }

  Ref<IABContainer> folder_;
  std::string ann_, bob_, carl_;
};

TEST_F(ContentsTest, RowsCarryTheChosenColumnsInNameOrder) {
  auto rows = Contents(folder_.get(),
                       {PR_DISPLAY_NAME_A, PR_EMAIL_ADDRESS_A, PR_OBJECT_TYPE, PR_ENTRYID});
  ASSERT_EQ(4u, rows.size());
  const char* names[] = {"ann Lee", "Bob Stone", "Carl Noaddress", "Team"};
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(names[i], rows[i][PROP_ID(PR_DISPLAY_NAME_A)].bytes);

  EXPECT_EQ(MAPI_MAILUSER, static_cast<ULONG>(rows[0][PROP_ID(PR_OBJECT_TYPE)].number));
  EXPECT_EQ(MAPI_DISTLIST, static_cast<ULONG>(rows[3][PROP_ID(PR_OBJECT_TYPE)].number));
  EXPECT_EQ(ann_, rows[0][PROP_ID(PR_ENTRYID)].bytes);
  EXPECT_EQ("ann@example.org", rows[0][PROP_ID(PR_EMAIL_ADDRESS_A)].bytes);

  // A contact without an address has the column as an error, not a value.
  const Cell& missing = rows[2][PROP_ID(PR_EMAIL_ADDRESS_A)];
  EXPECT_EQ(PROP_TAG(PT_ERROR, PROP_ID(PR_EMAIL_ADDRESS_A)), missing.tag);
  EXPECT_EQ(MAPI_E_NOT_FOUND, missing.error);
}

TEST_F(ContentsTest, PositionCountAndBatchesFollowTheTable) {
  Ref<IMAPITable> table;
  ASSERT_EQ(S_OK, folder_->GetContentsTable(0, table.put()));
  ULONG count = 0;
  ASSERT_EQ(S_OK, table->GetRowCount(0, &count));
  EXPECT_EQ(4u, count);

  SRowSet* rows = nullptr;
  ASSERT_EQ(S_OK, table->QueryRows(3, 0, &rows));
  EXPECT_EQ(3u, rows->cRows);
  FreeRows(rows);
  ASSERT_EQ(S_OK, table->QueryRows(3, 0, &rows));
  EXPECT_EQ(1u, rows->cRows);
  FreeRows(rows);
  ASSERT_EQ(S_OK, table->QueryRows(3, 0, &rows));
  EXPECT_EQ(0u, rows->cRows);
  FreeRows(rows);

  LONG sought = 0;
  ASSERT_EQ(S_OK, table->SeekRow(BOOKMARK_CURRENT, -10, &sought));
  EXPECT_EQ(-4, sought);
  ASSERT_EQ(S_OK, table->SeekRow(BOOKMARK_END, -1, &sought));
  ASSERT_EQ(S_OK, table->QueryRows(1, TBL_NOADVANCE, &rows));
  ASSERT_EQ(1u, rows->cRows);
  Cell name;
  for (ULONG i = 0; i < rows->aRow[0].cValues; ++i)
    if (rows->aRow[0].lpProps[i].ulPropTag == PR_DISPLAY_NAME_A)
      name.bytes = rows->aRow[0].lpProps[i].Value.lpszA;
  EXPECT_EQ("Team", name.bytes);
  FreeRows(rows);
  EXPECT_EQ(MAPI_E_INVALID_BOOKMARK, table->SeekRow(12345, 0, nullptr));
}

TEST_F(ContentsTest, RootListsEveryFolderAndEmptyFolderHasNoTable) {
  Ref<IABContainer> mine = OpenFolder("Main Identity's Contacts");
  Ref<IMAPITable> table;
  EXPECT_EQ(MAPI_E_NOT_FOUND, mine->GetContentsTable(0, table.put()));
  CreateUser(mine.get(), {StringProp(PR_DISPLAY_NAME_A, "Dora Mine")});

  Ref<IABContainer> root = OpenRoot();
  auto rows = Contents(root.get(), {PR_DISPLAY_NAME_A, PR_OBJECT_TYPE});
  ASSERT_EQ(5u, rows.size());
  EXPECT_EQ("Dora Mine", rows[3][PROP_ID(PR_DISPLAY_NAME_A)].bytes);
  EXPECT_EQ(1u, Contents(mine.get(), {PR_DISPLAY_NAME_A}).size());
}

TEST_F(ContentsTest, DistributionListShowsItsMembers) {
  auto rows = Contents(folder_.get(), {PR_ENTRYID, PR_OBJECT_TYPE});
  std::string listId = rows[3][PROP_ID(PR_ENTRYID)].bytes;
  Ref<IDistList> list;
  ULONG type = 0;
  ASSERT_EQ(S_OK, book_->OpenEntry(static_cast<ULONG>(listId.size()),
                                   reinterpret_cast<LPENTRYID>(listId.data()), &IID_IDistList, 0,
                                   &type, reinterpret_cast<LPUNKNOWN*>(list.put())));
  EXPECT_EQ(MAPI_DISTLIST, type);
  Ref<IMAPITable> members;
  ASSERT_EQ(S_OK, list->GetContentsTable(0, members.put()));
  auto memberRows = ReadTable(members.get(), {PR_ENTRYID});
  ASSERT_EQ(2u, memberRows.size());
  EXPECT_EQ(ann_, memberRows[0][PROP_ID(PR_ENTRYID)].bytes);
  EXPECT_EQ(bob_, memberRows[1][PROP_ID(PR_ENTRYID)].bytes);
}

}  // namespace
