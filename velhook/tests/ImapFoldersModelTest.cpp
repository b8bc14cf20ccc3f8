// The IMAP Folders tabs' rules without windows: paths from indentation, the shared mark, the
// mapping a choice makes and when it can be made, and the added controls' places.
#include <gtest/gtest.h>

#include "velhook/ImapFoldersModel.h"

namespace velor::velhook {
namespace {

TEST(ImapFoldersModel, PathsFollowTheIndentation) {
    const std::vector<FolderRow> rows = {{"Inbox", 0},          {"Sales", 1},  {"2024", 2},
                                         {"Offers", 1},         {"Sent", 0},   {"Public Folders", 0},
                                         {"Team", 1},           {"Deep", 3},   {"Back", 0}};
    EXPECT_EQ(FolderPaths(rows), (std::vector<std::string>{"Inbox", "Inbox/Sales", "Inbox/Sales/2024", "Inbox/Offers",
                                                            "Sent", "Public Folders", "Public Folders/Team",
                                                            "Public Folders/Team/Deep", "Back"}));
    EXPECT_EQ(FolderPaths({{"Orphan", 2}, {"Top", -1}}), (std::vector<std::string>{"Orphan", "Top"}));
    EXPECT_TRUE(FolderPaths({}).empty());
}

TEST(ImapFoldersModel, OnlyPathsThatFitTheFolderFieldAreAskedFor) {
    EXPECT_TRUE(FitsFolderField(std::string(259, 'a')));
    EXPECT_FALSE(FitsFolderField(std::string(260, 'a')));
}

TEST(ImapFoldersModel, OnlyFoldersWhoseOwnResultIsZeroCount) {
    AclList filled{};
    AclEntry entry{};
    ASSERT_TRUE(AclListAppend(filled, entry));
    ASSERT_TRUE(AclListAppend(filled, entry));
    std::vector<FolderAclRequest> requests(4);
    for (FolderAclRequest& r : requests) r.acl = &filled;  // every list looks shared
    requests[0].result = 0;
    requests[1].result = static_cast<std::int32_t>(0x80004005u);  // failed, list left as it was
    requests[2].result = 1;                                      // refused
    requests[3].result = 0;
    EXPECT_EQ(FoldersRead(requests), (std::vector<std::size_t>{0, 3}));
    EXPECT_TRUE(FoldersRead({}).empty());
    AclListClear(filled);
}

TEST(ImapFoldersModel, AFolderIsSharedFromTwoRightsEntries) {
    AclList rights{};
    AclEntry entry{};
    EXPECT_FALSE(MarksShared(rights));
    ASSERT_TRUE(AclListAppend(rights, entry));
    EXPECT_FALSE(MarksShared(rights));
    ASSERT_TRUE(AclListAppend(rights, entry));
    EXPECT_TRUE(MarksShared(rights));
    AclListClear(rights);
}

TEST(ImapFoldersModel, TheTargetFollowsTheTypeWhateverTheUserFieldHolds) {
    EXPECT_EQ(MappingTarget(MappingType::kPublic, "petr"), "#public");
    EXPECT_EQ(MappingTarget(MappingType::kBackup, "petr"), "#backup");
    EXPECT_EQ(MappingTarget(MappingType::kShared, "  petr \t"), "petr");
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(Trim("   "), "");
}

TEST(ImapFoldersModel, AddNeedsANameAndForSharedFoldersAUser) {
    EXPECT_TRUE(CanAddMapping(MappingType::kPublic, "news", ""));
    EXPECT_TRUE(CanAddMapping(MappingType::kBackup, "old", "  "));
    EXPECT_FALSE(CanAddMapping(MappingType::kPublic, "  ", "petr"));
    EXPECT_FALSE(CanAddMapping(MappingType::kShared, "petr's", " "));
    EXPECT_TRUE(CanAddMapping(MappingType::kShared, "petr's", "petr"));
    EXPECT_EQ(kDefaultMappingType, MappingType::kShared);
}

TEST(ImapFoldersModel, MappingPicturesByKind) {
    EXPECT_EQ(MappingImage(kMappingPublicRoot), 15);
    EXPECT_EQ(MappingImage(kMappingOwnFolder), 6);
    EXPECT_EQ(MappingImage(kMappingNamespace), 20);
    EXPECT_EQ(MappingImage(7), 0);
}

TEST(ImapFoldersModel, AddedControlsAroundTheFolderList) {
    const Box list{100, 50, 700, 450};  // L T R B
    const AddedLayout at = LayOutAddedControls(list, 21, 80, 240, 14);
    EXPECT_EQ(at.typeLabel, (Box{360, 50, 460, 63}));
    EXPECT_EQ(at.userLabel, (Box{465, 50, 595, 63}));
    EXPECT_EQ(at.nameLabel, (Box{100, 50, 355, 63}));
    EXPECT_EQ(at.typeBox, (Box{360, 65, 460, 450}));
    EXPECT_EQ(at.userName, (Box{465, 65, 595, 86}));
    EXPECT_EQ(at.mappingName, (Box{100, 65, 355, 86}));
    EXPECT_EQ(at.mappings, (Box{100, 95, 700, 420}));
    EXPECT_EQ(at.add, (Box{600, 65, 700, 90}));
    EXPECT_EQ(at.remove, (Box{600, 425, 700, 450}));
    EXPECT_EQ(at.link, (Box{100, 436, 340, 450}));
    EXPECT_EQ(at.shared, (Box{100, 50, 700, 432}));
    // Nothing of the mapping row overlaps: name, type, user and the button side by side.
    EXPECT_LT(at.mappingName.right, at.typeBox.left);
    EXPECT_LT(at.typeBox.right, at.userName.left);
    EXPECT_LT(at.userName.right, at.add.left);

    // Items wider than the usual box: it grows to the left, the name field and its label give way.
    const AddedLayout wide = LayOutAddedControls(list, 21, 130, 240, 14);
    EXPECT_EQ(wide.typeBox, (Box{330, 65, 460, 450}));
    EXPECT_EQ(wide.typeLabel, (Box{330, 50, 460, 63}));
    EXPECT_EQ(wide.mappingName, (Box{100, 65, 325, 86}));
    EXPECT_EQ(wide.nameLabel, (Box{100, 50, 325, 63}));
    EXPECT_EQ(wide.userName, at.userName);
}

}  // namespace
}  // namespace velor::velhook
