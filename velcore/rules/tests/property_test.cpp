// Generated trees of every kind, with hostile strings: written and read back they are equal,
// and writing them again gives the same bytes. Inline mode keeps each rule but its state.
#include <gtest/gtest.h>

#include "velcore/rules/SieveReader.h"
#include "velcore/rules/SieveWriter.h"
#include "velcore/rules/tests/support/TreeCompare.h"
#include "velcore/rules/tests/support/TreeGenerator.h"

namespace velor::rules {
namespace {

using testing::CompareOptions;
using testing::DescribeDifference;
using testing::ParentLinksConsistent;
using testing::TreeGenerator;

constexpr int kTrees = 1500;
constexpr int kMaxRules = 6;

TEST(Property, ScriptModeWriteReadIsIdentity) {
    for (int seed = 1; seed <= kTrees; ++seed) {
        TreeGenerator generator(static_cast<std::uint32_t>(seed));
        CommandListPtr tree = generator.Script(kMaxRules);
        std::string written = WriteScript(tree.get());
        ParseOutcome back = ReadScript(written);
        ASSERT_TRUE(back.ok) << "seed " << seed << ", line " << back.line << ": " << back.message
                             << "\n" << written;
        ASSERT_EQ(DescribeDifference(tree.get(), back.commands.get()), "")
            << "seed " << seed << "\n" << written;
        ASSERT_TRUE(ParentLinksConsistent(back.commands.get()));
        ASSERT_EQ(WriteScript(back.commands.get()), written) << "seed " << seed;
    }
}

TEST(Property, InlineModeKeepsEachRule) {
    CompareOptions options;
    options.ignoreStateAndRuleNames = true;
    for (int seed = 1; seed <= kTrees; ++seed) {
        TreeGenerator generator(static_cast<std::uint32_t>(seed));
        CommandListPtr tree = generator.Script(1);
        std::string line = WriteRuleInline(tree.get());
        ParseOutcome back = ReadScript(line);
        ASSERT_TRUE(back.ok) << "seed " << seed << ": " << back.message << "\n" << line;
        ASSERT_EQ(DescribeDifference(tree.get(), back.commands.get(), options), "")
            << "seed " << seed << "\n" << line;
        ASSERT_EQ(WriteRuleInline(back.commands.get()), line);
    }
}

TEST(Property, CopiesAreEqualAndIndependent) {
    for (int seed = 1; seed <= 300; ++seed) {
        TreeGenerator generator(static_cast<std::uint32_t>(seed));
        CommandListPtr tree = generator.Script(1);
        CommandListPtr copy(CopyCommand(tree.get(), true));
        ASSERT_EQ(DescribeDifference(tree.get(), copy.get()), "") << seed;
        ASSERT_FALSE(testing::SharesStorage(tree.get(), copy.get())) << seed;
    }
}

}  // namespace
}  // namespace velor::rules
