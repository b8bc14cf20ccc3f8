#include <gtest/gtest.h>

#include "contave/LIB/command_line.h"

namespace contave {
namespace {

using Parameters = std::vector<std::string>;

CommandLine Parse(const char* line) { return ParseCommandLine(SplitCommandLine(line)); }

TEST(CommandLineSplit, SkipsTheProgramQuotedOrNot) {
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\Velor\\Contave.exe\" /run"), Parameters{"/run"});
  EXPECT_EQ(SplitCommandLine("C:\\Velor\\Contave.exe   /host=a\t/user=b"), (Parameters{"/host=a", "/user=b"}));
  EXPECT_EQ(SplitCommandLine("Contave.exe"), Parameters{});
  EXPECT_EQ(SplitCommandLine(""), Parameters{});
}

// The launcher doubles every quote of a value and quotes a parameter that holds a space.
TEST(CommandLineSplit, ReadsTheLaunchersQuoting) {
  // A password with a quote and no space: not enclosed, the quote doubled.
  EXPECT_EQ(SplitCommandLine("c.exe /pass=pa\"\"ss"), Parameters{"/pass=pa\"ss"});
  // With a space: the whole parameter enclosed, slash and name included.
  EXPECT_EQ(SplitCommandLine("c.exe \"/pass=a \"\"b\" /run"), (Parameters{"/pass=a \"b", "/run"}));
  // A value ending in a quote, and one that is only quotes.
  EXPECT_EQ(SplitCommandLine("c.exe \"/pass=a \"\"\""), Parameters{"/pass=a \""});
  EXPECT_EQ(SplitCommandLine("c.exe /pass=\"\"\"\""), Parameters{"/pass=\"\""});
  // An empty password is the bare keyword.
  EXPECT_EQ(SplitCommandLine("c.exe /host=h /user=u /pass= /run"), (Parameters{"/host=h", "/user=u", "/pass=", "/run"}));
}

TEST(CommandLine, KeywordsMatchByPrefixWithoutCaseAfterSlashOrDash) {
  CommandLine parsed = Parse("c.exe /HoSt=mail.example.com -user=cn=anna /Pass=se cret");
  EXPECT_EQ(parsed.host, "mail.example.com");
  EXPECT_EQ(parsed.user, "cn=anna");
  EXPECT_EQ(parsed.password, "se");  // "cret" is a parameter of its own that matches nothing
  EXPECT_FALSE(parsed.run);
  EXPECT_EQ(parsed.registration, RegistrationSwitch::kNone);
  // Without the slash a parameter matches too; a keyword without its "=" does not.
  parsed = Parse("c.exe host=h /user");
  EXPECT_EQ(parsed.host, "h");
  EXPECT_FALSE(parsed.user.has_value());
}

TEST(CommandLine, RunOnlyAsTheWholeParameter) {
  EXPECT_TRUE(Parse("c.exe /run").run);
  EXPECT_TRUE(Parse("c.exe RUN").run);
  EXPECT_FALSE(Parse("c.exe RUNNOW").run);
  // The last match counts, for RUN as for the values.
  EXPECT_FALSE(Parse("c.exe /run /runnow").run);
  EXPECT_TRUE(Parse("c.exe /runnow /run").run);
  EXPECT_EQ(Parse("c.exe /host=a /host=b").host, "b");
}

TEST(CommandLine, RegistrationSwitches) {
  EXPECT_EQ(Parse("c.exe /regserver").registration, RegistrationSwitch::kRegister);
  EXPECT_EQ(Parse("c.exe regserverX").registration, RegistrationSwitch::kRegister);
  EXPECT_EQ(Parse("c.exe -UNREGSERVER").registration, RegistrationSwitch::kUnregister);
  EXPECT_EQ(Parse("c.exe /unregserver /regserver").registration, RegistrationSwitch::kRegister);
  EXPECT_EQ(Parse("c.exe /register").registration, RegistrationSwitch::kNone);
}

TEST(CommandLine, WipeClearsTheCharacters) {
  std::string secret = "hunter2";
  const char* bytes = secret.data();
  Wipe(secret);
  EXPECT_TRUE(secret.empty());
  EXPECT_EQ(bytes[0], '\0');  // the short-string buffer stays in the object
}

}  // namespace
}  // namespace contave
