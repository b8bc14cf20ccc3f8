// Creating, reading, changing and deleting a contact as the synchroniser does.
#include "wab_client.h"

namespace {

constexpr ULONG kServerId = PROP_TAG(PT_LONG, 0x6401);
constexpr ULONG kSyncedRev = PROP_TAG(PT_LONG, 0x6402);
constexpr ULONG kLocalRev = PROP_TAG(PT_LONG, 0x6403);

class ContactTest : public WabTest {
 protected:
  void SetUp() override {
    WabTest::SetUp();
    ASSERT_EQ(S_OK, Open());
    folder_ = OpenFolder("Shared Contacts");
  }
  void TearDown() override {
    folder_.Reset();
    WabTest::TearDown();
  }

  ULONGLONG Modified(const std::string& id) {
    Ref<IMailUser> user = OpenUser(id, 0);
    Cell time;
    EXPECT_EQ(S_OK, GetOne(user.get(), PR_LAST_MODIFICATION_TIME, &time));
    return TimeOf(time);
  }

  Ref<IABContainer> folder_;
};

TEST_F(ContactTest, CreatedEmptyThenFilledAsTheSynchroniserDoes) {
  // CreateEntry from the container's template and an immediate save, before any property.
  std::string id = CreateUser(folder_.get(), {});
  ASSERT_EQ(28u, id.size());
  Ref<IMailUser> user = OpenUser(id);
  Cell cell;
  EXPECT_EQ(MAPI_E_NOT_FOUND, GetOne(user.get(), PR_DISPLAY_NAME_A, &cell));
  ASSERT_EQ(S_OK, GetOne(user.get(), PR_LAST_MODIFICATION_TIME, &cell));
  EXPECT_NE(0u, TimeOf(cell));
  ASSERT_EQ(S_OK, GetOne(user.get(), PR_OBJECT_TYPE, &cell));
  EXPECT_EQ(MAPI_MAILUSER, static_cast<ULONG>(cell.number));

  std::vector<LPSTR> addresses = {const_cast<LPSTR>("a@example.org"),
                                  const_cast<LPSTR>("B@EXAMPLE.ORG")};
  std::vector<LPSTR> types = {const_cast<LPSTR>("SMTP"), const_cast<LPSTR>("SMTP")};
  SPropValue props[] = {StringProp(PR_DISPLAY_NAME_A, "Eve Field"),
                        StringProp(PR_EMAIL_ADDRESS_A, "B@EXAMPLE.ORG"),
                        StringProp(PR_ADDRTYPE_A, "SMTP"),
                        ListProp(PR_CONTACT_EMAIL_ADDRESSES_A, addresses),
                        ListProp(PR_CONTACT_ADDRTYPES_A, types),
                        LongProp(PR_CONTACT_DEFAULT_ADDRESS_INDEX, 1),
                        LongProp(kServerId, 0x1A2B),
                        LongProp(kSyncedRev, 0),
                        LongProp(kLocalRev, -1)};
  ASSERT_EQ(S_OK, user->SetProps(ARRAYSIZE(props), props, nullptr));
  ASSERT_EQ(S_OK, user->SaveChanges(KEEP_OPEN_READWRITE));

  Ref<IMailUser> again = OpenUser(id, 0);
  ASSERT_EQ(S_OK, GetOne(again.get(), PR_DISPLAY_NAME_A, &cell));
  EXPECT_EQ("Eve Field", cell.bytes);
  ASSERT_EQ(S_OK, GetOne(again.get(), PR_CONTACT_EMAIL_ADDRESSES_A, &cell));
  EXPECT_EQ("a@example.org;B@EXAMPLE.ORG;", cell.bytes);
  ASSERT_EQ(S_OK, GetOne(again.get(), PR_CONTACT_DEFAULT_ADDRESS_INDEX, &cell));
  EXPECT_EQ(1, cell.number);
  ASSERT_EQ(S_OK, GetOne(again.get(), kServerId, &cell));
  EXPECT_EQ(0x1A2B, cell.number);
  ASSERT_EQ(S_OK, GetOne(again.get(), kLocalRev, &cell));
  EXPECT_EQ(-1, cell.number);
}

TEST_F(ContactTest, MissingPropertiesComeBackAsErrorsBesideThePresentOnes) {
  std::string id = CreateUser(folder_.get(), {StringProp(PR_DISPLAY_NAME_A, "Finn")});
  Ref<IMailUser> user = OpenUser(id, 0);
  SizedSPropTagArray(3, tags) = {3, {PR_DISPLAY_NAME_A, kServerId, PR_COMMENT_A}};
  ULONG count = 0;
  SPropValue* values = nullptr;
  ASSERT_EQ(MAPI_W_ERRORS_RETURNED,
            user->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values));
  ASSERT_EQ(3u, count);
  EXPECT_EQ(PR_DISPLAY_NAME_A, values[0].ulPropTag);
  EXPECT_STREQ("Finn", values[0].Value.lpszA);
  EXPECT_EQ(PROP_TAG(PT_ERROR, 0x6401), values[1].ulPropTag);
  EXPECT_EQ(MAPI_E_NOT_FOUND, values[1].Value.err);
  EXPECT_EQ(PROP_TAG(PT_ERROR, PROP_ID(PR_COMMENT_A)), values[2].ulPropTag);
  wab_->FreeBuffer(values);

  // Asked with the wrong type, a property is not there either.
  Cell cell;
  EXPECT_EQ(MAPI_E_NOT_FOUND, GetOne(user.get(), PROP_TAG(PT_LONG, PROP_ID(PR_DISPLAY_NAME_A)), &cell));
  // Without a type it comes as stored.
  ASSERT_EQ(S_OK, GetOne(user.get(), PROP_TAG(PT_UNSPECIFIED, PROP_ID(PR_DISPLAY_NAME_A)), &cell));
  EXPECT_EQ(PR_DISPLAY_NAME_A, cell.tag);
}

TEST_F(ContactTest, StringsConvertBetweenTheirEightBitAndUnicodeForms) {
  std::string id = CreateUser(folder_.get(), {StringProp(PR_DISPLAY_NAME_A, "Ren\xE9" "e")});
  Ref<IMailUser> user = OpenUser(id);
  SPropValue note{};
  note.ulPropTag = PR_COMMENT_W;
  note.Value.lpszW = const_cast<LPWSTR>(L"caf\x00E9");
  ASSERT_EQ(S_OK, user->SetProps(1, &note, nullptr));
  ASSERT_EQ(S_OK, user->SaveChanges(KEEP_OPEN_READWRITE));

  // Code page 1252, as the tests run: e-acute is 0xE9 in both forms.
  SizedSPropTagArray(2, tags) = {2, {PROP_TAG(PT_UNSPECIFIED, PROP_ID(PR_DISPLAY_NAME_A)),
                                     PR_COMMENT_A}};
  ULONG count = 0;
  SPropValue* values = nullptr;
  ASSERT_EQ(S_OK, user->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), MAPI_UNICODE, &count,
                                 &values));
  ASSERT_EQ(2u, count);
  EXPECT_EQ(PR_DISPLAY_NAME_W, values[0].ulPropTag);
  EXPECT_STREQ(L"Ren\x00E9" L"e", values[0].Value.lpszW);
  EXPECT_EQ(PR_COMMENT_A, values[1].ulPropTag);
  EXPECT_STREQ("caf\xE9", values[1].Value.lpszA);
  wab_->FreeBuffer(values);
}

TEST_F(ContactTest, ModificationTimeMovesOnlyWithARealChange) {
  std::string id = CreateUser(folder_.get(), {StringProp(PR_DISPLAY_NAME_A, "Gus")});
  ULONGLONG created = Modified(id);

  Ref<IMailUser> user = OpenUser(id);
  SPropValue same = StringProp(PR_DISPLAY_NAME_A, "Gus");
  ASSERT_EQ(S_OK, user->SetProps(1, &same, nullptr));
  ASSERT_EQ(S_OK, user->SaveChanges(KEEP_OPEN_READWRITE));
  EXPECT_EQ(created, Modified(id));

  // Two changes in quick succession still get two distinct, rising times.
  SPropValue rev = LongProp(kLocalRev, 1);
  ASSERT_EQ(S_OK, user->SetProps(1, &rev, nullptr));
  ASSERT_EQ(S_OK, user->SaveChanges(KEEP_OPEN_READWRITE));
  ULONGLONG first = Modified(id);
  rev = LongProp(kLocalRev, 2);
  ASSERT_EQ(S_OK, user->SetProps(1, &rev, nullptr));
  ASSERT_EQ(S_OK, user->SaveChanges(KEEP_OPEN_READWRITE));
  ULONGLONG second = Modified(id);
  EXPECT_GT(first, created);
  EXPECT_GT(second, first);

  // The open object shows its new time after saving, as the status file records it.
  Cell cell;
  ASSERT_EQ(S_OK, GetOne(user.get(), PR_LAST_MODIFICATION_TIME, &cell));
  EXPECT_EQ(second, TimeOf(cell));
}

TEST_F(ContactTest, DeletingPropertiesKeepsTheApplicationOnes) {
  std::string id = CreateUser(folder_.get(), {StringProp(PR_DISPLAY_NAME_A, "Hal"),
                                              StringProp(PR_COMMENT_A, "old note"),
                                              LongProp(kServerId, 77), LongProp(kSyncedRev, 3)});
  Ref<IMailUser> user = OpenUser(id);
  SizedSPropTagArray(2, gone) = {2, {PR_COMMENT_A, PR_NICKNAME_A}};
  LPSPropProblemArray problems = nullptr;
  ASSERT_EQ(S_OK, user->DeleteProps(reinterpret_cast<LPSPropTagArray>(&gone), &problems));
  ASSERT_NE(nullptr, problems);  // the nickname was never there
  ASSERT_EQ(1u, problems->cProblem);
  EXPECT_EQ(PR_NICKNAME_A, problems->aProblem[0].ulPropTag);
  EXPECT_EQ(MAPI_E_NOT_FOUND, problems->aProblem[0].scode);
  wab_->FreeBuffer(problems);
  SPropValue name = StringProp(PR_DISPLAY_NAME_A, "Hal Renamed");
  ASSERT_EQ(S_OK, user->SetProps(1, &name, nullptr));
  ASSERT_EQ(S_OK, user->SaveChanges(0));

  Ref<IMailUser> again = OpenUser(id, 0);
  Cell cell;
  EXPECT_EQ(MAPI_E_NOT_FOUND, GetOne(again.get(), PR_COMMENT_A, &cell));
  ASSERT_EQ(S_OK, GetOne(again.get(), kServerId, &cell));
  EXPECT_EQ(77, cell.number);
  ASSERT_EQ(S_OK, GetOne(again.get(), kSyncedRev, &cell));
  EXPECT_EQ(3, cell.number);
}

TEST_F(ContactTest, WritingNeedsModifyAccessAndSparesComputedProperties) {
  std::string id = CreateUser(folder_.get(), {StringProp(PR_DISPLAY_NAME_A, "Ida")});
  Ref<IMailUser> reader = OpenUser(id, 0);
  SPropValue name = StringProp(PR_DISPLAY_NAME_A, "Ida Changed");
  EXPECT_EQ(MAPI_E_NO_ACCESS, reader->SetProps(1, &name, nullptr));
  EXPECT_EQ(MAPI_E_NO_ACCESS, reader->SaveChanges(KEEP_OPEN_READWRITE));

  Ref<IMailUser> writer = OpenUser(id);
  std::string other = FolderId("Main Identity's Contacts");
  SPropValue forged[2] = {name, {}};
  forged[1].ulPropTag = PR_ENTRYID;
  forged[1].Value.bin.cb = static_cast<ULONG>(other.size());
  forged[1].Value.bin.lpb = reinterpret_cast<LPBYTE>(other.data());
  LPSPropProblemArray problems = nullptr;
  ASSERT_EQ(S_OK, writer->SetProps(2, forged, &problems));
  ASSERT_NE(nullptr, problems);
  EXPECT_EQ(1u, problems->aProblem[0].ulIndex);
  EXPECT_EQ(MAPI_E_COMPUTED, problems->aProblem[0].scode);
  wab_->FreeBuffer(problems);
  ASSERT_EQ(S_OK, writer->SaveChanges(0));
  // Saved without KEEP_OPEN_READWRITE: done with writing.
  EXPECT_EQ(MAPI_E_NO_ACCESS, writer->SetProps(1, &name, nullptr));

  Cell cell;
  ASSERT_EQ(S_OK, GetOne(OpenUser(id, 0).get(), PR_ENTRYID, &cell));
  EXPECT_EQ(id, cell.bytes);
}

TEST_F(ContactTest, DeletedContactIsGoneAndDeletingAgainIsPartial) {
  std::string keep = CreateUser(folder_.get(), {StringProp(PR_DISPLAY_NAME_A, "Jo Keep")});
  std::string drop = CreateUser(folder_.get(), {StringProp(PR_DISPLAY_NAME_A, "Kim Drop")});
  SBinary bin = {static_cast<ULONG>(drop.size()), reinterpret_cast<LPBYTE>(drop.data())};
  ENTRYLIST list = {1, &bin};
  ASSERT_EQ(S_OK, folder_->DeleteEntries(&list, 0));

  ULONG type = 0;
  Ref<IUnknown> object;
  EXPECT_EQ(MAPI_E_NOT_FOUND, book_->OpenEntry(static_cast<ULONG>(drop.size()),
                                               reinterpret_cast<LPENTRYID>(drop.data()),
                                               &IID_IMailUser, 0, &type, object.put()));
  auto rows = Contents(folder_.get(), {PR_ENTRYID});
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ(keep, rows[0][PROP_ID(PR_ENTRYID)].bytes);
  EXPECT_EQ(MAPI_W_PARTIAL_COMPLETION, folder_->DeleteEntries(&list, 0));

  // A contact of another folder is not this folder's to delete.
  Ref<IABContainer> mine = OpenFolder("Main Identity's Contacts");
  SBinary keepBin = {static_cast<ULONG>(keep.size()), reinterpret_cast<LPBYTE>(keep.data())};
  ENTRYLIST keepList = {1, &keepBin};
  EXPECT_EQ(MAPI_W_PARTIAL_COMPLETION, mine->DeleteEntries(&keepList, 0));
  EXPECT_EQ(1u, Contents(folder_.get(), {PR_ENTRYID}).size());
}

TEST_F(ContactTest, DuplicateChecksOnlyWhenAskedFor) {
  CreateUser(folder_.get(), {StringProp(PR_DISPLAY_NAME_A, "Lou")});
  // CREATE_REPLACE alone never merges two contacts that merely share a name.
  CreateUser(folder_.get(), {StringProp(PR_DISPLAY_NAME_A, "Lou")});
  EXPECT_EQ(2u, Contents(folder_.get(), {PR_ENTRYID}).size());

  Cell templateId;
  ASSERT_EQ(S_OK, GetOne(folder_.get(), PR_DEF_CREATE_MAILUSER, &templateId));
  Ref<IMAPIProp> entry;
  ASSERT_EQ(S_OK, folder_->CreateEntry(static_cast<ULONG>(templateId.bytes.size()),
                                       reinterpret_cast<LPENTRYID>(templateId.bytes.data()),
                                       CREATE_CHECK_DUP_STRICT, entry.put()));
  SPropValue name = StringProp(PR_DISPLAY_NAME_A, "lou");
  ASSERT_EQ(S_OK, entry->SetProps(1, &name, nullptr));
  EXPECT_EQ(MAPI_E_COLLISION, entry->SaveChanges(KEEP_OPEN_READWRITE));
  EXPECT_EQ(2u, Contents(folder_.get(), {PR_ENTRYID}).size());
}

TEST_F(ContactTest, ContainerOpenedForReadingTakesNoNewEntries) {
  Ref<IABContainer> reader = OpenContainer(FolderId("Shared Contacts"), 0);
  Cell templateId;
  ASSERT_EQ(S_OK, GetOne(reader.get(), PR_DEF_CREATE_MAILUSER, &templateId));
  Ref<IMAPIProp> entry;
  EXPECT_EQ(MAPI_E_NO_ACCESS, reader->CreateEntry(static_cast<ULONG>(templateId.bytes.size()),
                                                  reinterpret_cast<LPENTRYID>(templateId.bytes.data()),
                                                  CREATE_REPLACE, entry.put()));
}

}  // namespace
