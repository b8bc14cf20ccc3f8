#include <gtest/gtest.h>

#include "contave/LIB/folder_choice.h"
#include "contave/LIB/message_text.h"

namespace contave {
namespace {

using Names = std::vector<std::string>;
const Names kFolders = {"Shared Contacts", "main identity's contacts", "Velor Private"};

TEST(FolderChoice, ListsAreSortedAndTheStoredNameIsFound) {
  const FolderChoice choice = ChoosePrivateFolder(kFolders, "VELOR PRIVATE");
  EXPECT_EQ(choice.entries, (Names{"main identity's contacts", "Shared Contacts", "Velor Private"}));
  EXPECT_EQ(choice.Selected(), "Velor Private");
  EXPECT_FALSE(choice.storeSelection);
}

TEST(FolderChoice, AStoredNameTheBookLacksIsAddedAndSelected) {
  const FolderChoice choice = ChoosePrivateFolder(kFolders, "Gone");
  EXPECT_EQ(choice.entries.size(), 4u);
  EXPECT_EQ(choice.Selected(), "Gone");
  EXPECT_TRUE(NeedsRefill(kFolders, choice.Selected()));
  EXPECT_FALSE(NeedsRefill(kFolders, "shared contacts"));
  // No folders at all: the empty stored name stands alone.
  const FolderChoice empty = ChoosePrivateFolder({}, "");
  EXPECT_EQ(empty.entries, Names{""});
  EXPECT_EQ(empty.Selected(), "");
}

TEST(FolderChoice, WithoutStoredNamesThePairsGetDifferentFolders) {
  const FolderChoice privateChoice = ChoosePrivateFolder(kFolders, "");
  EXPECT_EQ(privateChoice.Selected(), "main identity's contacts");
  EXPECT_TRUE(privateChoice.storeSelection);
  const FolderChoice publicChoice = ChoosePublicFolder(kFolders, "", privateChoice);
  EXPECT_EQ(publicChoice.Selected(), "Shared Contacts");
  EXPECT_TRUE(publicChoice.storeSelection);
  // With one folder both take it; with a private stored elsewhere the public takes the first.
  EXPECT_EQ(ChoosePublicFolder({"Only"}, "", ChoosePrivateFolder({"Only"}, "")).Selected(), "Only");
  EXPECT_EQ(ChoosePublicFolder(kFolders, "", ChoosePrivateFolder(kFolders, "Velor Private")).Selected(),
            "main identity's contacts");
}

TEST(StaleStatusFiles, OnlyStatusFilesOfVanishedFoldersGo) {
  const Names files = {"0123ABCD.CTV", "0123abce.ctv", "notes.txt", "ctv", "0123ABCD.CTV.bak", ".CTV"};
  EXPECT_EQ(StaleStatusFiles(files, {"0123abcd"}), (Names{"0123abce.ctv", ".CTV"}));
  EXPECT_EQ(StaleStatusFiles(files, {"0123abcd", "0123ABCE", ""}), Names{});
}

TEST(MessageText, ShorterLineIsCentred) {
  EXPECT_EQ(CentredLines("Can't open Windows Address Book", "Not found"),
            "Can't open Windows Address Book\n           Not found");
  EXPECT_EQ(CentredLines("ab", "abcdef"), "  ab\nabcdef");
  EXPECT_EQ(CentredLines("abc", "abcd"), "abc\nabcd");  // half of one blank is none
  // A code without text is shown as the code.
  EXPECT_EQ(MessageWithError("Can't open home directory", MakeStatus(0x80123456)),
            "Can't open home directory\n       0x80123456");
}

TEST(MessageText, InternalFailureReport) {
  EXPECT_EQ(InternalFailureTitle(), "Contave - Internal Error");
  EXPECT_EQ(InternalFailureText("LIB\\sync_passes", 412, kUnexpected), "SYNC_PASSES - 412 - 0x8000FFFF");
  EXPECT_EQ(InternalFailureText("SYNCLIB", 7, kCveInconsistentStatus), "SYNCLIB - 7 - 0x80710008");
}

}  // namespace
}  // namespace contave
