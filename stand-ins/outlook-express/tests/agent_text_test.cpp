#include "core/agent_text.h"

#include <gtest/gtest.h>

namespace oestand {
namespace {

TEST(AgentText, SplitsWordsAndQuotedTexts) {
  std::vector<std::string> w;
  ASSERT_TRUE(SplitRequest("tree-context  \"Velor (anna)/Inbox\" 12\r\n", &w));
  EXPECT_EQ(w, (std::vector<std::string>{"tree-context", "Velor (anna)/Inbox", "12"}));
  ASSERT_TRUE(SplitRequest("x \"a\\\"b\\\\c\\n\\x41\\xfc\" \"\"", &w));
  EXPECT_EQ(w, (std::vector<std::string>{"x", "a\"b\\c\nA\xFC", ""}));
}

TEST(AgentText, RefusesBrokenQuoting) {
  std::vector<std::string> w;
  for (const char* line : {"\"open", "\"bad \\q\"", "\"\\x4\"", "\"\\xZZ\"", "\"end\\"})
    EXPECT_FALSE(SplitRequest(line, &w)) << line;
}

TEST(AgentText, QuoteRoundTripsEveryByte) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  std::string quoted = Quote(all);
  for (char c : quoted) EXPECT_TRUE(c >= 0x20 && c < 0x7F);
  std::vector<std::string> w;
  ASSERT_TRUE(SplitRequest("q " + quoted, &w));
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[1], all);
}

}  // namespace
}  // namespace oestand
