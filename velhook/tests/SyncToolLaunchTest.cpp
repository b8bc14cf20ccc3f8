// The synchronisation tool's command line, built here and split by the tool's own parser: every
// account value arrives as it was, whatever spaces, quotes and backslashes it holds.
#include <gtest/gtest.h>

#include <string>

#include "contave/LIB/command_line.h"
#include "velhook/SyncToolLaunch.h"

namespace velor::velhook {
namespace {

contave::CommandLine Parsed(const std::string& parameters) {
    return contave::ParseCommandLine(contave::SplitCommandLine("\"C:\\Program Files\\Velor\\Contave.exe\" " + parameters));
}

TEST(SyncToolParameters, QuotingFollowsTheRuleTheToolSplitsBy) {
    EXPECT_EQ(SyncToolParameters("mail.example", "anna", "s3cret"), "/host=mail.example /user=anna /pass=s3cret");
    // A space quotes the whole parameter; a quote is doubled, quoted or not.
    EXPECT_EQ(SyncToolParameters("h", "u", "pa\"ss word"), "/host=h /user=u \"/pass=pa\"\"ss word\"");
    EXPECT_EQ(SyncToolParameters("h", "u", "a\"b"), "/host=h /user=u /pass=a\"\"b");
    // An empty password: nothing after the equals sign, no quotes.
    EXPECT_EQ(SyncToolParameters("h", "u", ""), "/host=h /user=u /pass=");
    // Line breaks of any kind and tabs become one space each, and the parameter is quoted.
    EXPECT_EQ(SyncToolParameters("h", "Anna\r\nSmith", "p"), "/host=h \"/user=Anna Smith\" /pass=p");
    EXPECT_EQ(SyncToolParameters("h", "a\nb\rc\td", "p"), "/host=h \"/user=a b c d\" /pass=p");
    EXPECT_EQ(SyncToolParameters("h", "a\r\r\nb", "p"), "/host=h \"/user=a  b\" /pass=p");
}

TEST(SyncToolParameters, EveryPasswordArrivesIntact) {
    for (const std::string password :
         {"plain", "", "with space", "\"", "\"\"", "a\"b c", "\" leading", "trailing \"", "back\\slash\\",
          "\\\"", "two  spaces", " edge ", "/user=mallory", "x /pass=y", "\\\\\"\\\\ \"", "semi;colon&amp"}) {
        contave::CommandLine line = Parsed(SyncToolParameters("mail.example", "anna", password));
        ASSERT_TRUE(line.password.has_value()) << password;
        EXPECT_EQ(*line.password, password);
        EXPECT_EQ(line.host.value_or("?"), "mail.example") << password;
        EXPECT_EQ(line.user.value_or("?"), "anna") << password;
    }
}

TEST(SyncToolParameters, ValuesThatLookLikeOtherParametersStayValues) {
    contave::CommandLine line = Parsed(SyncToolParameters("my host", "\"/host=evil\"", "x \"/pass=y\""));
    EXPECT_EQ(line.host.value_or("?"), "my host");
    EXPECT_EQ(line.user.value_or("?"), "\"/host=evil\"");
    EXPECT_EQ(line.password.value_or("?"), "x \"/pass=y\"");
}

TEST(ToolLocation, BlanksAroundThePathAreDropped) {
    EXPECT_EQ(ToolLocation("  C:\\Program Files\\Velor\\Contave.exe \r\n"), "C:\\Program Files\\Velor\\Contave.exe");
    EXPECT_EQ(ToolLocation(" \t "), "");
    EXPECT_EQ(ToolLocation(""), "");
}

}  // namespace
}  // namespace velor::velhook
