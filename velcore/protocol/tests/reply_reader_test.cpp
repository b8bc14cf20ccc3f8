// The reply reader over canned bytes: how lines, tags and status lines become the response text
// and the result, however the bytes are cut into reads.
#include "velcore/protocol/ReplyReader.h"
#include "velcore/protocol/Status.h"
#include "ScriptedTransport.h"

#include <gtest/gtest.h>

using velor::imap::ReadReply;
using velor::testing::ScriptedTransport;
namespace status = velor::status;

namespace {

struct Reply {
    std::int32_t result;
    std::string text;
};

Reply read(std::initializer_list<std::string> chunks, bool commandSent = true) {
    ScriptedTransport t;
    t.incoming.assign(chunks.begin(), chunks.end());
    Reply r;
    r.result = ReadReply(t, commandSent, &r.text);
    return r;
}

}  // namespace

TEST(ReplyReader, DataLinesLoseTheirStarAndKeepTheirCarriageReturn) {
    Reply r = read({"* LSUB () \"/\" INBOX\r\n* LSUB () \"/\" INBOX/Projects\r\nA000 OK LSUB completed\r\n"});
    EXPECT_EQ(r.result, status::kOk);
    EXPECT_EQ(r.text, "LSUB () \"/\" INBOX\r\nLSUB () \"/\" INBOX/Projects\r\nOK LSUB completed\r\n");
}

TEST(ReplyReader, TaggedStatusWordsGiveTheResultInAnyLetterCase) {
    EXPECT_EQ(read({"A000 NO no such folder\r\n"}).result, status::kNo);
    EXPECT_EQ(read({"a000 ok done\r\n"}).result, status::kOk);
    EXPECT_EQ(read({"A000 BAD syntax\r\n"}).result, status::kInvalidArg);
    EXPECT_EQ(read({"A000 BYE going\r\n"}).result, status::kAbort);
    EXPECT_EQ(read({"A000 MAYBE\r\n"}).result, status::kUnexpected);
    EXPECT_EQ(read({"A000\r\n"}).result, status::kUnexpected);
}

TEST(ReplyReader, ALineSplitAcrossReadsArrivesWhole) {
    // Mid-word, next to a space, and inside the tag itself.
    Reply r = read({"* LSUB () \"/\" \"My Fol", "der\"\r", "\n* LSUB () \"/\" A ", "B\r\nA0", "00 OK done\r\n"});
    EXPECT_EQ(r.result, status::kOk);
    EXPECT_EQ(r.text, "LSUB () \"/\" \"My Folder\"\r\nLSUB () \"/\" A B\r\nOK done\r\n");
}

TEST(ReplyReader, TheLastLineOfAReadKeepsItsLineEnd) {
    Reply r = read({"* X-LISTMAP \"a\" \"b\"\r\n", "* X-LISTMAP \"c\" \"d\"\r\n", "A000 OK\r\n"});
    EXPECT_EQ(r.text, "X-LISTMAP \"a\" \"b\"\r\nX-LISTMAP \"c\" \"d\"\r\nOK\r\n");
}

TEST(ReplyReader, UntaggedStatusLinesArePassedOverWhileACommandIsPending) {
    Reply r = read({"* OK [ALERT] System going down in 10 minutes\r\n* 3 EXISTS\r\n* NO warning\r\n",
                    "* BYE soon\r\nA000 OK done\r\n"});
    EXPECT_EQ(r.result, status::kOk);
    EXPECT_EQ(r.text, "3 EXISTS\r\nOK done\r\n");
}

TEST(ReplyReader, TheGreetingEndsWithTheFirstStatusLine) {
    EXPECT_EQ(read({"* OK Velor ready\r\n"}, false).result, status::kOk);
    EXPECT_EQ(read({"* NO not now\r\n"}, false).result, status::kNo);
    EXPECT_EQ(read({"* BAD what\r\n"}, false).result, status::kBadGreeting);
    EXPECT_EQ(read({"* bye\r\n"}, false).result, status::kByeGreeting);
    Reply r = read({"* CAPABILITY IMAP4rev1\r\n* OK hello\r\n"}, false);
    EXPECT_EQ(r.result, status::kOk);
    EXPECT_EQ(r.text, "CAPABILITY IMAP4rev1\r\nOK hello\r");
}

TEST(ReplyReader, OtherLinesSuchAsLiteralContentPassUnchanged) {
    Reply r = read({"* X-GETSCRIPT {20}\r\nrequire \"fileinto\";\r\n\r\n   if true {\r\n  keep;\r\n}\r\nA000 OK\r\n"});
    // Leading white space of a line is lost and blank lines disappear.
    EXPECT_EQ(r.text, "X-GETSCRIPT {20}\r\nrequire \"fileinto\";\r\nif true {\r\nkeep;\r\n}\r\nOK\r\n");
}

TEST(ReplyReader, AClosedOrFailedConnectionEndsTheReplyUnexpectedly) {
    EXPECT_EQ(read({"* LSUB () \"/\" INBOX\r\n"}).result, status::kUnexpected);
    EXPECT_EQ(read({"* partial", ScriptedTransport::kFail}).result, status::kUnexpected);
    Reply r = read({ScriptedTransport::kWouldBlock, "A000 ", ScriptedTransport::kWouldBlock, "OK\r\n"});
    EXPECT_EQ(r.result, status::kOk);
}

TEST(ReplyReader, ResponseTextIsOptional) {
    ScriptedTransport t;
    t.incoming = {"* data\r\nA000 NO\r\n"};
    EXPECT_EQ(ReadReply(t, true, nullptr), status::kNo);
}
