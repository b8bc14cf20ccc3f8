// Every message of the reader with the line it is reported at. The line is where reading
// stopped, which for a test that failed inside an if can be the end of the script.
#include <gtest/gtest.h>

#include "velcore/rules/SieveReader.h"

namespace velor::rules {
namespace {

struct ErrorFixture {
    const char* script;
    int line;
    const char* message;
};

// Each fixture fails on its last line unless the fixture says otherwise.
const ErrorFixture kFixtures[] = {
    // Commands.
    {"keep;\n}", 2, "bad token: keyword expected"},
    {"keep;\n\"text\";", 2, "bad token: keyword expected"},
    {"keep;\n@", 2, "bad token: keyword expected"},
    {"keep;\n\"unterminated", 2, "bad token: keyword expected"},
    {"require \"fileinto\";", 1, "invalid command: require"},
    {"keep;\nfrobnicate;", 2, "invalid command: frobnicate"},
    {"keep", 1, "premature end of script: semicolon expected"},
    {"keep\nstop;", 2, "bad token: semicolon expected"},
    {"reject", 1, "premature end of script: string argument expected"},
    {"fileinto Work;", 1, "bad token: string argument expected"},
    {"redirect \"a\"", 1, "premature end of script: semicolon expected"},
    {"notify \"x\";", 1, "bad token: option expected"},
    {"notify :importance \"1\";", 1, "unknown notify command option"},
    {"notify :options", 1, "premature end of script: string expected"},
    {"notify :method \"sms\";", 1, "unknown notify method"},
    {"vacation :from \"a\" \"t\";", 1, "unknown vacation command option"},
    {"vacation :days 3 \"text\";", 1, "bad token: string expected"},
    {"vacation :days", 1, "premature end of script: string expected"},
    {"vacation 5;", 1, "bad token: string expected"},
    {"vacation", 1, "premature end of script: string expected"},
    {"vacation \"t\" stop;", 1, "bad token: semicolon expected"},
    // Blocks.
    {"if true", 1, "premature end of script: start of block expected"},
    {"if true keep;", 1, "bad token: start of block expected"},
    {"if true {\nkeep;\n", 3, "premature end of script inside block"},
    {"if true { keep; else }", 1, "invalid command: else"},
    // Comments.
    {"keep;\n\nstop; /* cut off here", 3, "unterminated comment"},
    {"if true {\n keep; /* x\n stop;\n}\n", 2, "unterminated comment"},
    {"#!0 Off\n# keep; /* a switched-off rule\n# stop;\n", 2, "unterminated comment"},
    // Tests.
    {"if", 1, "Premature end of script: test expected"},
    {"if \"x\" {keep;}", 1, "Bad token: test keyword expected"},
    {"if size", 1, "Premature end of script: size tag expected"},
    {"if size 100 {keep;}", 1, "Bad token: size :under or :over expected"},
    {"if size :above 100 {keep;}", 1, "Unknown tag ':above' in size: :under or :over expected"},
    {"if size :over", 1, "Premature end of script: number expected"},
    {"if size :over \"abc\" {keep;}\nkeep;\nkeep;\nkeep;\nkeep;\n", 6,
     "Bad token: number expected"},
    {"if header :comparator", 1, "premature end of script: comparator value expected"},
    {"if header :comparator 1 \"a\" \"b\" {keep;}", 1, "bad token: comparator value string expected"},
    {"if header :localpart \"a\" \"b\" {keep;}", 1, "invalid tag in header test: localpart"},
    {"if header :is", 1, "Premature end of script: header tag expected"},
    {"if address :over \"a\" \"b\" {keep;}", 1, "Invalid tag in address test: over"},
    {"if address :comparator", 1, "Premature end of script: comparator value expected"},
    {"if address :comparator :is \"a\" \"b\" {keep;}", 1,
     "bad token: comparator value string expected"},
    {"if address :all", 1, "Premature end of script: address tag expected"},
    {"if body :contains \"x\" {keep;}", 1, "invalid test keyword: body"},
    // Test lists and string lists.
    {"if allof", 1, "premature end of script: test expected"},
    {"if allof (true", 1, "premature end of script: comma or close brace expected"},
    {"if allof (true; false) {keep;}", 1, "bad token: comma expected"},
    {"if exists", 1, "premature end of script: string list expected"},
    {"if exists [\"a\",", 1, "premature end of script inside a string list"},
    {"if exists [\"a\", b] {keep;}", 1, "Bad token: string expected"},
    {"if exists [\"a\"", 1, "premature end of script: comma or close brace expected"},
    {"if exists [\"a\" \"b\"] {keep;}", 1, "bad token: comma expected"},
    {"if exists {keep;}", 1, "bad token: string list expected"},
    // Limits.
    {"if size :over 4G {keep;}", 1, "bad token: number too large"},
    {"if size :over 5000000000 {keep;}", 1, "bad token: number too large"},
};

TEST(ReaderErrors, EachMessageWithItsLine) {
    for (const ErrorFixture& fixture : kFixtures) {
        SCOPED_TRACE(fixture.script);
        ParseOutcome outcome = ReadScript(fixture.script);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.commands, nullptr);
        EXPECT_EQ(outcome.message, fixture.message);
        EXPECT_EQ(outcome.line, fixture.line);
    }
}

TEST(ReaderErrors, FailedTestStillReadsItsBlockAndGoesOn) {
    // The error is kept, but the line is where reading stopped: at a later failing command...
    ParseOutcome outcome = ReadScript("if size :over \"x\" {keep;}\nkeep;\nbogus;\nkeep;\n");
    EXPECT_EQ(outcome.message, "Bad token: number expected");
    EXPECT_EQ(outcome.line, 3);
    // ...or at the failing block itself.
    outcome = ReadScript("if exists 5 {\nkeep;\nstop\n}\nkeep;\n");
    EXPECT_EQ(outcome.message, "bad token: string list expected");
    EXPECT_EQ(outcome.line, 4);
}

TEST(ReaderErrors, LongTokensAreRefusedNotCut) {
    const std::string longWord(kTokenTextSize, 'k');
    const std::string cases[] = {
        longWord + ";",
        "if size :" + longWord + " 1 {keep;}",
        "if size :over " + std::string(kTokenTextSize, '0') + "1 {keep;}",
        "reject \"" + std::string(kTokenTextSize, 'r') + "\";",
    };
    const char* messages[] = {
        "bad token: token longer than 2047 characters",
        "bad token: token longer than 2047 characters",
        "bad token: token longer than 2047 characters",
        "bad token: string longer than 2047 characters",
    };
    for (int i = 0; i < 4; ++i) {
        ParseOutcome outcome = ReadScript(cases[i]);
        EXPECT_FALSE(outcome.ok) << i;
        EXPECT_EQ(outcome.message, messages[i]) << i;
    }
}

TEST(ReaderErrors, NestingBeyondTheLimitIsRefused) {
    std::string deepIf;
    for (int i = 0; i < kMaxNestingDepth + 1; ++i) {
        deepIf += "if true {";
    }
    deepIf += "keep;" + std::string(kMaxNestingDepth + 1, '}');
    ParseOutcome outcome = ReadScript(deepIf);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "nesting too deep");

    std::string manyNots;
    for (int i = 0; i < 10000; ++i) {
        manyNots += "not ";
    }
    outcome = ReadScript("if " + manyNots + "true {keep;}");
    EXPECT_EQ(outcome.message, "nesting too deep");

    std::string fits;
    for (int i = 0; i < kMaxNestingDepth / 2 - 1; ++i) {
        fits += "if true {";
    }
    fits += "keep;" + std::string(kMaxNestingDepth / 2 - 1, '}');
    EXPECT_TRUE(ReadScript(fits).ok);
}

}  // namespace
}  // namespace velor::rules
