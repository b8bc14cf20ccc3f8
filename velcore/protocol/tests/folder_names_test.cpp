// Folder names between display and wire form, the subscribed-folder list, and the nesting of the
// "Move" dialog's folder tree.
#include "velcore/protocol/FolderNames.h"
#include "TestStrings.h"

#include <gtest/gtest.h>

using namespace velor;

class FolderNamesTest : public ::testing::Test {
protected:
    velor::testing::EnglishStrings strings;
    FolderNames names{strings};
};

TEST_F(FolderNamesTest, TopLevelNamesTranslateExactlyAndCaseSensitively) {
    EXPECT_EQ(names.DisplayToWire("Inbox"), "INBOX");
    EXPECT_EQ(names.DisplayToWire("Inbox/Projects"), "INBOX/Projects");
    EXPECT_EQ(names.DisplayToWire("inbox/Projects"), "inbox/Projects");
    EXPECT_EQ(names.DisplayToWire("Public Folders/Team"), "#public/Team");
    EXPECT_EQ(names.DisplayToWire("Backup Folders"), "#backup");
    EXPECT_EQ(names.DisplayToWire("Inboxes/x"), "Inboxes/x");
    EXPECT_EQ(names.WireToDisplay("INBOX/Projects"), "Inbox/Projects");
    EXPECT_EQ(names.WireToDisplay("#public"), "Public Folders");
    EXPECT_EQ(names.WireToDisplay("inbox"), "inbox");
}

TEST_F(FolderNamesTest, NamesOutsideAsciiTravelInModifiedUtf7) {
    EXPECT_EQ(names.DisplayToWire("Inbox/Gr\xFC\xDF" "e"), "INBOX/Gr&APwA3w-e");
    EXPECT_EQ(names.WireToDisplay("INBOX/Gr&APwA3w-e"), "Inbox/Gr\xFC\xDF" "e");
}

TEST_F(FolderNamesTest, SpecialFoldersHaveTheirPictures) {
    EXPECT_EQ(names.PictureOf("Inbox"), 1);
    EXPECT_EQ(names.PictureOf("Sent Items"), 2);
    EXPECT_EQ(names.PictureOf("Deleted Items"), 3);
    EXPECT_EQ(names.PictureOf("Drafts"), 4);
    EXPECT_EQ(names.PictureOf("drafts"), 0);
    EXPECT_EQ(names.PictureOf("Projects"), 0);
}

TEST(FolderList, ReadsBothFormsAndDropsTheStatusLine) {
    auto lines = ParseFolderList(
        "LSUB () \"/\" INBOX\r\n"
        "LSUB () \"/\" \"INBOX/My Projects\"\r\n"
        "LSUB (\\Noselect) \"/\" #public\r\n"
        "LSUB () \"/\" #public/Team/Gr&APw-n\r\n"
        "LSUB (\\HasChildren) \"/\" Odd\r\n"
        "OK LSUB completed\r\n");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].name, "INBOX");
    EXPECT_EQ(lines[0].level, 0);
    EXPECT_TRUE(lines[0].selectable);
    EXPECT_EQ(lines[1].name, "INBOX/My Projects");
    EXPECT_EQ(lines[1].label, "My Projects");
    EXPECT_EQ(lines[1].level, 1);
    EXPECT_FALSE(lines[2].selectable);
    EXPECT_EQ(lines[3].label, "Gr\xFCn");
    EXPECT_EQ(lines[3].level, 2);
}

TEST(FolderList, NamesAreDecodedOnceAndUnquoted) {
    auto lines = ParseFolderList("LSUB () \"/\" \"R&-D \\\"X\\\"\"\r\nLSUB () \"/\" INBOX/A&-B\r\nOK\r\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].name, "R&D \"X\"");
    EXPECT_EQ(lines[1].label, "A&B");
}

TEST_F(FolderNamesTest, TreeNestsByLevelUnderTheRoot) {
    auto lines = ParseFolderList(
        "LSUB () \"/\" INBOX\r\n"
        "LSUB () \"/\" INBOX/Sent Items\r\n"
        "LSUB () \"/\" INBOX/Sent Items/2025\r\n"
        "LSUB () \"/\" INBOX/Work\r\n"
        "LSUB () \"/\" Drafts\r\n"
        "LSUB (\\Noselect) \"/\" #public\r\n"
        "LSUB () \"/\" #public/a/b/c\r\n"
        "LSUB () \"/\" Sent Items\r\n"
        "OK\r\n");
    auto tree = BuildFolderTree(lines, names, "Velor MailServer 'mail'");
    ASSERT_EQ(tree.size(), 9u);
    EXPECT_EQ(tree[0].label, "Velor MailServer 'mail'");
    EXPECT_EQ(tree[0].picture, 1);
    auto parentLabel = [&](std::size_t i) { return tree[static_cast<std::size_t>(tree[i].parent)].label; };
    EXPECT_EQ(tree[1].label, "Inbox");
    EXPECT_EQ(tree[1].parent, 0);
    EXPECT_EQ(tree[1].picture, 1);
    EXPECT_EQ(tree[2].label, "Sent Items");
    EXPECT_EQ(parentLabel(2), "Inbox");
    EXPECT_EQ(tree[2].picture, 0);  // only top-level labels are pictured
    EXPECT_EQ(parentLabel(3), "Sent Items");
    EXPECT_EQ(tree[4].label, "Work");
    EXPECT_EQ(parentLabel(4), "Inbox");  // climbed one level
    EXPECT_EQ(tree[5].parent, 0);
    EXPECT_EQ(tree[5].picture, 4);
    EXPECT_EQ(tree[6].label, "Public Folders");
    EXPECT_EQ(tree[6].overlay, 1);
    EXPECT_FALSE(tree[6].selectable);
    EXPECT_EQ(tree[7].label, "c");
    EXPECT_EQ(parentLabel(7), "Public Folders");  // a and b are not in the list: under #public
    EXPECT_EQ(tree[7].path, "#public/a/b/c");
    EXPECT_EQ(tree[8].parent, 0);  // climbed back from level 3 to the root
    EXPECT_EQ(tree[8].picture, 2);
}

TEST_F(FolderNamesTest, AFolderWhoseParentIsMissingGoesUnderItsNearestAncestor) {
    auto lines = ParseFolderList(
        "LSUB () \"/\" A\r\n"
        "LSUB () \"/\" A/B\r\n"
        "LSUB () \"/\" A/B/C/D\r\n"
        "LSUB () \"/\" A/E\r\n"
        "LSUB () \"/\" X/Y\r\n"
        "OK\r\n");
    auto tree = BuildFolderTree(lines, names, "root");
    ASSERT_EQ(tree.size(), 6u);
    auto parentPath = [&](std::size_t i) { return tree[static_cast<std::size_t>(tree[i].parent)].path; };
    EXPECT_EQ(parentPath(2), "A");
    EXPECT_EQ(parentPath(3), "A/B");
    EXPECT_EQ(tree[3].label, "D");
    EXPECT_EQ(parentPath(4), "A");  // not under A/B/C/D's chain climbed by levels
    EXPECT_EQ(tree[5].parent, 0);   // no ancestor at all: under the root
    EXPECT_EQ(tree[5].label, "Y");
}

TEST(FolderList, AnEncodedLineEndCannotForgeOrCutAFolderLine) {
    auto lines = ParseFolderList(
        "LSUB () \"/\" INBOX\r\n"
        "LSUB () \"/\" \"x&AAo-LSUB () \\\"/\\\" INBOX/Forged\"\r\n"
        "LSUB () \"/\" Team&AA0ACg-Rest\r\n"
        "LSUB () \"/\" Later\r\n"
        "OK\r\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].name, "INBOX");
    EXPECT_EQ(lines[1].name, "Later");
}

TEST(FolderList, ANameWithAnEncodedZeroIsSkippedAndTheRestKept) {
    auto lines = ParseFolderList(
        "LSUB () \"/\" A&AAA-B\r\n"
        "LSUB () \"/\" After/Gr&APw-n\r\n"
        "LSUB () \"/\" Tab&AAk-bed\r\n"
        "LSUB () \"/\" Last\r\n"
        "OK\r\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].name, "After/Gr\xFCn");
    EXPECT_EQ(lines[1].name, "Last");
}
