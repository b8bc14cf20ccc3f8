// The "Sharing and Security" page without its window: what the rows and the controls show after
// each edit, and the exact commands Apply sends for the edits (through the ACL write, against a
// scripted server).
#include "velcore/sharing/SharingPageState.h"

#include "velcore/protocol/AclCommands.h"
#include "velcore/protocol/Status.h"
#include "velcore/protocol/tests/ScriptedTransport.h"
#include "velcore/protocol/tests/ServerTestSupport.h"
#include "velcore/protocol/tests/TestStrings.h"

#include <gtest/gtest.h>

using namespace velor;
using namespace velor::testing;

namespace {

using Lines = std::vector<std::string>;
constexpr std::size_t kLookup = 0, kRead = 1, kWrite = 2, kAdmin = 6;

struct SharingPage : ::testing::Test {
    // anna owns the folder; bob and the group staff share it.
    void load(bool showOwner = true) {
        server.add("anna", "lrswipcda", kAclOwner);
        server.add("bob", "lr", kAclUser);
        server.add("staff", "lrs", kAclGroup);
        page.Load(server.list, showOwner);
    }

    Lines rows() const {
        Lines out;
        for (std::size_t i = 0; i < page.RowCount(); ++i)
            out.push_back(page.RowText(i) + "/" + std::to_string(page.RowPicture(i)));
        return out;
    }
    std::string boxes() const {
        std::string out;
        for (std::size_t i = 0; i < kPermissionRows; ++i) out += page.Permitted(i) ? kPermissionLetters[i] : '-';
        return out;
    }
    std::string selected() const {
        return page.SelectedRow() < 0 ? "<none>" : page.RowText(static_cast<std::size_t>(page.SelectedRow()));
    }
    // The bytes Apply sends for the pending changes; every command is answered OK.
    std::string apply() {
        AclChanges changes = page.PendingChanges();
        transport.incoming.assign(changes.removals.size() + changes.grants.size(), kTaggedOk);
        transport.sent.clear();
        std::int32_t result = WriteAclChanges(transport, names, "Inbox/Team", changes.removals, changes.grants);
        page.Applied(result == status::kOk);
        return transport.sent;
    }
    int selectRow(const std::string& text) {
        for (std::size_t i = 0; i < page.RowCount(); ++i)
            if (page.RowText(i) == text) {
                page.Select(static_cast<int>(i));
                return static_cast<int>(i);
            }
        return -1;
    }

    OwnedAcl server;
    SharingPageState page;
    EnglishStrings strings;
    FolderNames names{strings};
    ScriptedTransport transport;
};

constexpr char kSetOwner[] = "A000 SETACL \"INBOX/Team\" \"anna\" \"lrswipcda\"\r\n";
constexpr char kSetBob[] = "A000 SETACL \"INBOX/Team\" \"bob\" \"lr\"\r\n";
constexpr char kSetStaff[] = "A000 SETACL \"INBOX/Team\" \"[staff]\" \"lrs\"\r\n";

}  // namespace

TEST_F(SharingPage, OpensWithTheOwnerFirstSelectedAndEditingAllowed) {
    load();
    EXPECT_EQ(rows(), (Lines{"anna/0", "bob/1", "staff/2"}));
    EXPECT_TRUE(page.OwnerPresent());
    EXPECT_EQ(selected(), "anna");
    // The owner's row: every box shown checked, nothing to remove or edit.
    EXPECT_EQ(boxes(), "lrwicda");
    EXPECT_FALSE(page.RemoveEnabled());
    EXPECT_FALSE(page.PermissionsEnabled());
    EXPECT_TRUE(page.AddEnabled());
    selectRow("staff");
    EXPECT_EQ(boxes(), "lr-----");
    EXPECT_TRUE(page.RemoveEnabled());
    EXPECT_TRUE(page.PermissionsEnabled());
    EXPECT_FALSE(page.Modified());
}

TEST_F(SharingPage, WithoutAnOwnerEntryNothingCanBeEdited) {
    // The user is no administrator: the server's first entry lacks the a right.
    server.add("bob", "lr", kAclUser);
    server.add("anna", "lrs", kAclUser);
    page.Load(server.list, true);
    EXPECT_FALSE(page.OwnerPresent());
    EXPECT_EQ(boxes(), "lr-----");
    EXPECT_FALSE(page.AddEnabled());
    EXPECT_FALSE(page.RemoveEnabled());
    EXPECT_FALSE(page.PermissionsEnabled());
    EXPECT_FALSE(page.RemoveSelected());
    EXPECT_FALSE(page.SetPermission(kWrite, true));
    EXPECT_EQ(page.PendingChanges().removals.size(), 0u);
}

TEST_F(SharingPage, TheOwnerCanBeHiddenAndShownButNeverRemovedOrEdited) {
    load(false);
    EXPECT_EQ(rows(), (Lines{"bob/1", "staff/2"}));
    EXPECT_EQ(selected(), "bob");
    page.ToggleShowOwner();
    EXPECT_TRUE(page.ShowOwner());
    EXPECT_EQ(rows(), (Lines{"anna/0", "bob/1", "staff/2"}));
    EXPECT_EQ(selected(), "anna");
    EXPECT_FALSE(page.RemoveSelected());
    EXPECT_FALSE(page.SetPermission(kAdmin, false));
    EXPECT_EQ(rows().size(), 3u);
    page.ToggleShowOwner();
    EXPECT_EQ(rows(), (Lines{"bob/1", "staff/2"}));
    EXPECT_FALSE(page.Modified());
    // Showing and hiding changes nothing on the server: Apply writes the owner as it was.
    EXPECT_EQ(apply(), std::string(kSetOwner) + kSetBob + kSetStaff);
}

TEST_F(SharingPage, AddingANameThatIsListedSelectsItAndTheSameNameAsAGroupIsANewEntry) {
    load();
    EXPECT_EQ(page.Add("bob", kAclUser), SharingPageState::AddResult::kAlreadyListed);
    EXPECT_EQ(selected(), "bob");
    EXPECT_FALSE(page.Modified());
    // Oneself as a user is the owner's row, not a second entry that would take the owner's rights.
    EXPECT_EQ(page.Add("anna", kAclUser), SharingPageState::AddResult::kAlreadyListed);
    EXPECT_EQ(selected(), "anna");
    EXPECT_EQ(page.Add("  bob\t", kAclGroup), SharingPageState::AddResult::kAdded);
    EXPECT_EQ(rows(), (Lines{"anna/0", "bob/1", "staff/2", "bob/2"}));
    EXPECT_EQ(page.SelectedRow(), 3);
    EXPECT_EQ(boxes(), "lr-----");
    EXPECT_TRUE(page.Modified());
    EXPECT_EQ(page.Add(" \t ", kAclUser), SharingPageState::AddResult::kRefused);
    EXPECT_EQ(apply(), std::string(kSetOwner) + kSetBob + kSetStaff + "A000 SETACL \"INBOX/Team\" \"[bob]\" \"lr\"\r\n");
}

TEST_F(SharingPage, RemovingAndAddingAgainBeforeApplySendsOnlyTheNewRights) {
    load();
    selectRow("bob");
    ASSERT_TRUE(page.SetPermission(kWrite, true));
    ASSERT_TRUE(page.RemoveSelected());
    EXPECT_EQ(rows(), (Lines{"anna/0", "staff/2"}));
    EXPECT_EQ(selected(), "staff") << "the row that moved into the removed row's place";
    EXPECT_EQ(page.Add("bob", kAclUser), SharingPageState::AddResult::kAdded);
    EXPECT_EQ(rows(), (Lines{"anna/0", "staff/2", "bob/1"}));
    EXPECT_EQ(boxes(), "lr-----") << "taken back with the rights of a new name";
    EXPECT_EQ(apply(), std::string(kSetOwner) + kSetBob + kSetStaff);
}

TEST_F(SharingPage, RemovalsGoFirstAndOnlyForEntriesTheServerHas) {
    load();
    page.Add("eve", kAclUser);  // added and removed again: the server never had it
    ASSERT_TRUE(page.RemoveSelected());
    EXPECT_EQ(selected(), "staff") << "the new last row";
    selectRow("bob");
    ASSERT_TRUE(page.RemoveSelected());
    EXPECT_EQ(apply(), "A000 DELETEACL \"INBOX/Team\" \"bob\"\r\n" + std::string(kSetOwner) + kSetStaff);
    EXPECT_FALSE(page.Modified());
    // Once written, a removal is not sent again.
    EXPECT_EQ(apply(), std::string(kSetOwner) + kSetStaff);
}

TEST_F(SharingPage, RemovingTheLastRowLeavesNothingSelectedAndNoBoxChecked) {
    server.add("anna", "lrswipcda", kAclOwner);
    server.add("bob", "lr", kAclUser);
    page.Load(server.list, false);
    ASSERT_TRUE(page.RemoveSelected());
    EXPECT_EQ(page.RowCount(), 0u);
    EXPECT_EQ(page.SelectedRow(), -1);
    EXPECT_EQ(boxes(), "-------");
    EXPECT_FALSE(page.RemoveEnabled());
    EXPECT_FALSE(page.PermissionsEnabled());
    EXPECT_FALSE(page.RemoveSelected());
}

TEST_F(SharingPage, UncheckingLookupLeavesReadAndApplySendsIt) {
    load();
    selectRow("bob");
    EXPECT_TRUE(page.SetPermission(kLookup, false));
    EXPECT_EQ(boxes(), "-r-----");
    EXPECT_FALSE(page.SetPermission(kLookup, false)) << "already so: no change";
    EXPECT_TRUE(page.Modified());
    EXPECT_EQ(apply(), std::string(kSetOwner) + "A000 SETACL \"INBOX/Team\" \"bob\" \"r\"\r\n" + kSetStaff);
}

TEST_F(SharingPage, CheckingAppendsTheLetterAndUncheckingTakesOutEveryOccurrence) {
    server.add("anna", "lrswipcda", kAclOwner);
    server.add("bob", "lrslx", kAclUser);  // letters the page does not show stay
    page.Load(server.list, false);
    EXPECT_TRUE(page.SetPermission(kLookup, false));
    EXPECT_TRUE(page.SetPermission(kWrite, true));
    EXPECT_TRUE(page.SetPermission(kAdmin, true));
    const AclEntry& bob = page.Entry(page.RowEntry(0)).acl;
    EXPECT_STREQ(bob.rights, "rsxwa");
    EXPECT_EQ(bob.mask, AclMask("rswa")) << "the mask follows the letters";
}

TEST_F(SharingPage, RightsStayWithinTheirFifteenLetters) {
    server.add("anna", "lrswipcda", kAclOwner);
    server.add("bob", "srswipcdsxtekwi", kAclUser);  // 15 letters, no l
    page.Load(server.list, false);
    EXPECT_FALSE(page.SetPermission(kLookup, true));
    EXPECT_STREQ(page.Entry(1).acl.rights, "srswipcdsxtekwi");
    EXPECT_FALSE(page.Modified());
}

TEST_F(SharingPage, IdentifiersThatBeginWithAMinusAreRemovedAsThemselves) {
    // RFC 4314 negative rights, and a name of the full 127 characters: neither has a mark added
    // or taken away.
    const std::string longest(127, 'n');
    server.add("anna", "lrswipcda", kAclOwner);
    server.add("-bob", "w", kAclUser);
    server.add(longest.c_str(), "lr", kAclUser);
    server.add("bob", "lr", kAclUser);
    page.Load(server.list, false);
    ASSERT_TRUE(page.RemoveSelected());  // -bob
    ASSERT_TRUE(page.RemoveSelected());  // the long name
    EXPECT_EQ(rows(), (Lines{"bob/1"}));
    EXPECT_EQ(apply(), "A000 DELETEACL \"INBOX/Team\" \"-bob\"\r\nA000 DELETEACL \"INBOX/Team\" \"" + longest +
                           "\"\r\n" + kSetOwner + kSetBob);
}

TEST_F(SharingPage, NamesAreCutToTheIdentifierField) {
    load();
    const std::string typed(200, 'x');
    EXPECT_EQ(page.Add(typed, kAclUser), SharingPageState::AddResult::kAdded);
    EXPECT_EQ(page.RowText(3), std::string(127, 'x'));
    EXPECT_EQ(page.Add(std::string(127, 'x') + "yyy", kAclUser), SharingPageState::AddResult::kAlreadyListed);
}

TEST_F(SharingPage, AFailedApplyKeepsTheRemovalForTheNextOne) {
    load();
    selectRow("bob");
    page.RemoveSelected();
    AclChanges changes = page.PendingChanges();
    transport.incoming = {"A000 NO not allowed\r\n"};
    EXPECT_EQ(WriteAclChanges(transport, names, "Inbox/Team", changes.removals, changes.grants), status::kNo);
    EXPECT_EQ(transport.sent, "A000 DELETEACL \"INBOX/Team\" \"bob\"\r\n") << "nothing after the refusal";
    page.Applied(false);
    EXPECT_FALSE(page.Modified());
    EXPECT_EQ(page.PendingChanges().removals.size(), 1u);
}

TEST(AclChangesWrite, TextsThatWouldBreakTheLineAreRefusedBeforeAnythingIsSent) {
    EnglishStrings strings;
    FolderNames names{strings};
    ScriptedTransport transport;
    AclEntry good{}, bad{};
    std::strcpy(good.identifier, "bob");
    std::strcpy(good.rights, "lr");
    std::strcpy(bad.identifier, "eve\r\nA000 DELETEACL INBOX anna");
    std::strcpy(bad.rights, "lr");
    EXPECT_EQ(WriteAclChanges(transport, names, "Inbox", {good}, {bad}), status::kInvalidArg);
    EXPECT_EQ(WriteAclChanges(transport, names, "Inbox", {bad}, {good}), status::kInvalidArg);
    EXPECT_EQ(WriteAclChanges(transport, names, "Inbox\n", {good}, {good}), status::kInvalidArg);
    std::memset(good.identifier, 'x', sizeof good.identifier);  // no terminating zero
    EXPECT_EQ(WriteAclChanges(transport, names, "Inbox", {}, {good}), status::kInvalidArg);
    EXPECT_TRUE(transport.sent.empty());
}
