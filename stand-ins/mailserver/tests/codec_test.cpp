// The pure pieces: modified UTF-7, reply quoting, sequence sets, literal markers, fault plans.
#include <gtest/gtest.h>

#include "faults.h"
#include "imap/command_reader.h"
#include "imap/quote.h"
#include "imap/sequence_set.h"
#include "state/mutf7.h"

namespace velor::mailserver {
namespace {

TEST(ModifiedUtf7, EncodesAndDecodesKnownNames) {
  const struct {
    const char* utf8;
    const char* wire;
  } cases[] = {
      {"INBOX/Projects", "INBOX/Projects"},
      {"Gr\xC3\xBC\xC3\x9F" "e", "Gr&APwA3w-e"},                    // two letters in one run
      {"\xC3\xBC", "&APw-"},                                        // the letter alone
      {"Tom & Jerry", "Tom &- Jerry"},                              // "&" stands for itself
      {"~peter/mail/\xE5\x8F\xB0\xE5\x8C\x97/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
       "~peter/mail/&U,BTFw-/&ZeVnLIqe-"},                          // RFC 3501's example
      {"\xF0\x9F\x98\x80", "&2D3eAA-"},                             // outside the BMP: a surrogate pair
      {"tab\there", "tab&AAk-here"},                                // controls are encoded, not passed
  };
  for (const auto& c : cases) {
    EXPECT_EQ(encodeMutf7(c.utf8), c.wire) << c.utf8;
    EXPECT_EQ(decodeMutf7(c.wire).value_or("<refused>"), c.utf8) << c.wire;
  }
}

TEST(ModifiedUtf7, RefusesWhatNoEncoderWrites) {
  for (const char* wire : {"&APw", "&APx-", "&AGE-", "&ANw-&APw-", "&-&", "&2D0-", "&3gA-", "&Ä-",
                           "Gr\xC3\xBC" "e", "&*-", "&&-"})
    EXPECT_FALSE(decodeMutf7(wire).has_value()) << wire;
}

TEST(ModifiedUtf7, ValidatesUtf8) {
  EXPECT_TRUE(isValidUtf8("B\xC3\xBCro \xE2\x82\xAC \xF0\x9F\x98\x80"));
  for (const char* bad : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"})
    EXPECT_FALSE(isValidUtf8(bad));
}

TEST(Quote, ChoosesAtomQuotedOrLiteral) {
  EXPECT_EQ(imapString("INBOX/Projects"), "INBOX/Projects");
  EXPECT_EQ(imapString("#public"), "#public");
  EXPECT_EQ(imapString("INBOX/Sent Items"), "\"INBOX/Sent Items\"");
  EXPECT_EQ(imapString("[staff]"), "\"[staff]\"");  // "]" may not stand in an atom
  EXPECT_EQ(imapString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(imapString("nil"), "\"nil\"");
  EXPECT_EQ(imapString(""), "\"\"");
  EXPECT_EQ(imapString("two\r\nlines"), "{10}\r\ntwo\r\nlines");
  EXPECT_EQ(imapString("sales", StringForm::Quoted), "\"sales\"");
}

TEST(SequenceSet, ResolvesAgainstTheMessageCount) {
  using V = std::vector<std::size_t>;
  EXPECT_EQ(resolveSequenceSet("1:*", 3), (V{1, 2, 3}));
  EXPECT_EQ(resolveSequenceSet("1:*", 0), V{});  // an empty folder: nothing, not an error
  EXPECT_EQ(resolveSequenceSet("*", 0), V{});
  EXPECT_EQ(resolveSequenceSet("3,1:2,2", 3), (V{1, 2, 3}));
  EXPECT_EQ(resolveSequenceSet("*:2", 4), (V{2, 3, 4}));
  for (const char* bad : {"4", "0", "1:", "", "1,,2", "a", "01", "1:4"})
    EXPECT_FALSE(resolveSequenceSet(bad, 3).has_value()) << bad;
}

TEST(LiteralMarker, FindsSynchronisingAndNonSynchronising) {
  auto m = findLiteralMarker("A000 X-PUTSCRIPT {123+}");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->count, 123u);
  EXPECT_TRUE(m->nonSynchronising);
  EXPECT_EQ(m->markerStart, 17u);
  m = findLiteralMarker("A1 LOGIN {5}");
  ASSERT_TRUE(m);
  EXPECT_FALSE(m->nonSynchronising);
  for (const char* none : {"A1 NOOP", "A1 X {}", "A1 X {+}", "A1 X {1a}", "A1 X {99999999999}", "A1 X 5}"})
    EXPECT_FALSE(findLiteralMarker(none)) << none;
}

TEST(FaultPlan, SplitsAtOffsetsInsertsAlertsAndDrops) {
  const std::string reply = "* LSUB () \"/\" INBOX\r\nA1 OK LSUB completed\r\n";
  const std::size_t tagged = reply.find("A1");

  auto plan = planDelivery({parseFaultRule("split=5+12,pause=80,on=lsub")}, "LSUB", 1, reply, tagged);
  ASSERT_EQ(plan.chunks.size(), 3u);
  EXPECT_EQ(plan.chunks[0], "* LSU");
  EXPECT_EQ(plan.chunks[1], "B () \"/");
  EXPECT_EQ(plan.chunks[0] + plan.chunks[1] + plan.chunks[2], reply);
  EXPECT_EQ(plan.pauseMs, 80);
  EXPECT_EQ(planDelivery({parseFaultRule("split=5,on=LSUB")}, "SELECT", 1, reply, tagged).chunks.size(), 1u);

  plan = planDelivery({parseFaultRule("alert=Quota low"), parseFaultRule("alert=Late,at=end")}, "LSUB", 1, reply, tagged);
  EXPECT_EQ(plan.chunks, (std::vector<std::string>{"* OK [ALERT] Quota low\r\n", "* LSUB () \"/\" INBOX\r\n",
                                                   "* OK [ALERT] Late\r\n", "A1 OK LSUB completed\r\n"}));
  EXPECT_EQ(plan.pauseMs, 150);
  // A greeting is no pending command: an alert hits it only when it names it.
  EXPECT_EQ(planDelivery({parseFaultRule("alert=x")}, "GREETING", 1, "* OK hi\r\n", 9).chunks.at(0), "* OK hi\r\n");

  plan = planDelivery({parseFaultRule("drop,conn=2")}, "LSUB", 2, reply, tagged);
  EXPECT_TRUE(plan.dropAfterSending);
  EXPECT_EQ(plan.chunks.at(0), reply.substr(0, reply.size() / 2));
  EXPECT_FALSE(planDelivery({parseFaultRule("drop,conn=2")}, "LSUB", 1, reply, tagged).dropAfterSending);
  EXPECT_EQ(planDelivery({parseFaultRule("delay=30"), parseFaultRule("delay=20")}, "X", 1, reply, tagged).delayMs, 50);
}

TEST(FaultPlan, RefusesMalformedRules) {
  for (const char* bad : {"", "on=STORE", "delay=x", "delay=5,drop", "split=1+a", "alert=x,at=middle", "bogus=1"})
    EXPECT_THROW(parseFaultRule(bad), std::invalid_argument) << bad;
}

}  // namespace
}  // namespace velor::mailserver
