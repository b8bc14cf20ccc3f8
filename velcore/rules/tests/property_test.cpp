// Generated trees of every kind, with hostile strings: written and read back they are equal,
// and writing them again gives the same bytes. Inline mode keeps each rule but its state.
#include <gtest/gtest.h>

#include "velcore/rules/RuleList.h"
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

// The commands of a branch stand in its rule's lines: they read back with the rule's state.
void GiveState(SieveCommand* block, std::uint8_t enabled) {
    for (SieveCommand* command = block; command != nullptr; command = command->next) {
        command->enabled = enabled;
        GiveState(command->thenBlock, enabled);
        GiveState(command->elseBlock, enabled);
    }
}

// A rule is switched as a whole: its elsif branches, and what they hold, have its state.
void SwitchAsWholes(SieveCommand* rules) {
    GiveBranchesRuleState(rules);
    for (SieveCommand* rule = rules; rule != nullptr; rule = rule->next) {
        for (SieveCommand* branch = rule->elseBlock; branch != nullptr && branch->kind == CommandKind::If &&
                                                     branch->next == nullptr;
             branch = branch->elseBlock) {
            GiveState(branch->thenBlock, rule->enabled);
            if (branch->elseBlock != nullptr &&
                !(branch->elseBlock->kind == CommandKind::If && branch->elseBlock->next == nullptr)) {
                GiveState(branch->elseBlock, rule->enabled);
            }
        }
    }
}
constexpr int kMaxRules = 6;

TEST(Property, ScriptModeWriteReadIsIdentity) {
    for (int seed = 1; seed <= kTrees; ++seed) {
        TreeGenerator generator(static_cast<std::uint32_t>(seed));
        CommandListPtr tree = generator.Script(kMaxRules);
        SwitchAsWholes(tree.get());
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
