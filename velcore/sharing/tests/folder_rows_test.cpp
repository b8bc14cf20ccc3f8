// The IMAP Folders window's rows from an LSUB reply: labels and pictures in the user's words,
// containers kept (greyed, without ACL), and every row's own full name, so that a folder below
// a container opens its own page.
#include "velcore/sharing/FolderRows.h"

#include "velcore/protocol/tests/TestStrings.h"

#include <gtest/gtest.h>

using namespace velor;
using namespace velor::testing;

namespace {

std::vector<std::string> describe(const std::vector<FolderRow>& rows) {
    std::vector<std::string> out;
    for (const FolderRow& row : rows)
        out.push_back(row.label + "|" + row.path + "|" + std::to_string(row.level) + "|" +
                      std::to_string(row.picture) + (row.selectable ? "" : "|noselect"));
    return out;
}

constexpr char kReply[] =
    "LSUB () \"/\" INBOX\r\n"
    "LSUB () \"/\" \"INBOX/Sent Items\"\r\n"
    "LSUB (\\Noselect) \"/\" INBOX/Projects\r\n"
    "LSUB () \"/\" INBOX/Projects/Sales\r\n"
    "LSUB () \"/\" \"INBOX/M&APw-ller GmbH\"\r\n"
    "LSUB () \"/\" INBOX/INBOX\r\n"
    "LSUB (\\Noselect) \"/\" #public\r\n"
    "LSUB () \"/\" \"#public/Sales Leads\"\r\n"
    "OK LSUB completed\r\n";

}  // namespace

TEST(FolderRows, EveryFolderOfTheReplyIsARowWithItsOwnFullName) {
    EnglishStrings strings;
    FolderNames names(strings);
    std::vector<FolderRow> rows = BuildFolderRows(ParseFolderList(kReply), names);
    EXPECT_EQ(describe(rows), (std::vector<std::string>{
                                  "Inbox|Inbox|0|1",
                                  "Sent Items|Inbox/Sent Items|1|2",
                                  "Projects|Inbox/Projects|1|0|noselect",
                                  "Sales|Inbox/Projects/Sales|2|0",
                                  "M\xFCller GmbH|Inbox/M\xFCller GmbH|1|0",
                                  // A label is put in the user's words at any level; the path only
                                  // at the top, as the server's name has it.
                                  "Inbox|Inbox/INBOX|1|1",
                                  "Public Folders|Public Folders|0|0|noselect",
                                  "Sales Leads|Public Folders/Sales Leads|1|0",
                              }));
}

TEST(FolderRows, OnlySelectableFoldersThatFitAreAskedForTheirAcl) {
    std::vector<FolderRow> rows(4);
    rows[0].path = "Inbox";
    rows[1].path = "Inbox/Projects";
    rows[1].selectable = false;
    rows[2].path = "Inbox/" + std::string(kFolderPathSize, 'x');
    rows[3].path = "Public Folders/Sales Leads";
    std::vector<AclList> lists;
    std::vector<std::size_t> requestRows;
    std::vector<FolderAclRequest> requests = AclRequestsFor(rows, lists, requestRows);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_STREQ(requests[0].folder, "Inbox");
    EXPECT_STREQ(requests[1].folder, "Public Folders/Sales Leads");
    EXPECT_EQ(requests[1].acl, &lists[1]);
    EXPECT_EQ(requestRows, (std::vector<std::size_t>{0, 3}));
}
