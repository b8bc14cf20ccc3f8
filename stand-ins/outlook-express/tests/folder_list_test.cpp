#include "core/folder_list.h"

#include <gtest/gtest.h>

namespace oestand {
namespace {

TEST(ListLine, ReadsFlagsDelimiterAndName) {
  ListEntry e;
  ASSERT_TRUE(ParseListLine("* LSUB (\\Noselect \\HasChildren) \"/\" \"INBOX/Old Stuff\"", &e));
  EXPECT_EQ(e.flags, (std::vector<std::string>{"\\Noselect", "\\HasChildren"}));
  EXPECT_EQ(e.delimiter, '/');
  EXPECT_EQ(e.name, "INBOX/Old Stuff");
  ASSERT_TRUE(ParseListLine("* list () NIL INBOX", &e));
  EXPECT_EQ(e.delimiter, 0);
  EXPECT_EQ(e.name, "INBOX");
  ASSERT_TRUE(ParseListLine("* LIST () \".\" \"a\\\"b\\\\c\"", &e));
  EXPECT_EQ(e.name, "a\"b\\c");
}

TEST(ListLine, RefusesOtherAndMalformedLines) {
  ListEntry e;
  for (const char* line : {"* OK done", "a1 LSUB () \"/\" x", "* LSUB \"/\" x", "* LSUB () \"//\" x",
                           "* LSUB () \"/\"", "* LSUB () \"/\" \"open", "* LSUB () \"/\" x y", "* LSUB () \"/\" NIL",
                           "* LSUB (\\Noselect \"/\" x"})
    EXPECT_FALSE(ParseListLine(line, &e)) << line;
}

TEST(ModifiedUtf7, DecodesToUtf8) {
  std::string out;
  ASSERT_TRUE(DecodeModifiedUtf7("Gr&APwA3w-e", &out));
  EXPECT_EQ(out, "Gr\xC3\xBC\xC3\x9F" "e");
  ASSERT_TRUE(DecodeModifiedUtf7("&-x&-", &out));
  EXPECT_EQ(out, "&x&");
  ASSERT_TRUE(DecodeModifiedUtf7("&2D3eAA-", &out));  // U+1F600 as a surrogate pair
  EXPECT_EQ(out, "\xF0\x9F\x98\x80");
  ASSERT_TRUE(DecodeModifiedUtf7("Ve&AVk-ejn&AOk-", &out));
  EXPECT_EQ(out, "Ve\xC5\x99" "ejn\xC3\xA9");
}

TEST(ModifiedUtf7, RefusesMalformedNames) {
  std::string out;
  for (const char* name : {"&APw", "&A-", "&AP!-", "&2D0-", "&3gA-", "caf\xC3\xA9", "&APx-"})
    EXPECT_FALSE(DecodeModifiedUtf7(name, &out)) << name;
}

std::vector<std::string> Shape(const std::vector<FolderNode>& nodes) {
  std::vector<std::string> out;
  for (const FolderNode& n : nodes)
    out.push_back(std::to_string(n.depth) + " " + n.label + " [" + n.path + "] " + n.wireName + (n.noselect ? " noselect" : ""));
  return out;
}

ListEntry Entry(const std::string& name, bool noselect = false) {
  ListEntry e;
  e.name = name;
  if (noselect) e.flags.push_back("\\NoSelect");
  return e;
}

TEST(FolderTree, NestsByPathWithInboxFirstAndDisplayNames) {
  auto nodes = BuildFolderTree({Entry("#public", true), Entry("#public/News"), Entry("Archive/2025"),
                                Entry("inbox"), Entry("INBOX/Gr&APwA3w-e"), Entry("#backup/anna/2025")});
  EXPECT_EQ(Shape(nodes), (std::vector<std::string>{
                              "0 Inbox [Inbox] inbox",
                              "1 Gr\xC3\xBC\xC3\x9F" "e [Inbox/Gr\xC3\xBC\xC3\x9F" "e] INBOX/Gr&APwA3w-e",
                              "0 Public Folders [Public Folders] #public noselect",
                              "1 News [Public Folders/News] #public/News",
                              "0 Archive [Archive]  noselect",
                              "1 2025 [Archive/2025] Archive/2025",
                              "0 Backup Folders [Backup Folders]  noselect",
                              "1 anna [Backup Folders/anna]  noselect",
                              "2 2025 [Backup Folders/anna/2025] #backup/anna/2025",
                          }));
}

TEST(FolderTree, KeepsMalformedNamesAsSentAndListsEachFolderOnce) {
  auto nodes = BuildFolderTree({Entry("a&Bad"), Entry("a&Bad"), Entry("x/y"), Entry("x")});
  EXPECT_EQ(Shape(nodes), (std::vector<std::string>{"0 a&Bad [a&Bad] a&Bad", "0 x [x] x", "1 y [x/y] x/y"}));
  ListEntry flat = Entry("a/b");
  flat.delimiter = 0;
  EXPECT_EQ(Shape(BuildFolderTree({flat})), (std::vector<std::string>{"0 a/b [a/b] a/b"}));
}

}  // namespace
}  // namespace oestand
