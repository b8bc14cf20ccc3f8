// What the rule editor's two check-box lists do to the rule: ticking a condition row adds its
// test, clearing removes it, and the same for the action rows and the commands of the rule's
// block. The rows' boxes are then read back from the tree, so the lists always show the rule.
#pragma once

#include <array>
#include <cstddef>

#include "velcore/rules/RuleCatalogue.h"
#include "velcore/rules/SieveTree.h"

namespace velor::rules {

// The state images of a row's check box.
enum class RowBox : int { Clear = 1, Ticked = 2, Greyed = 4 };

class RuleEditing {
public:
    RuleEditing(const RuleCatalogue& catalogue, SieveCommand* rule);

    // Reads the boxes from the rule.
    void Refresh();

    // The user ticked or cleared a row. False when memory ran out (the rule is then unchanged)
    // or the row is greyed.
    bool SetCondition(std::size_t row, bool ticked);
    bool SetAction(std::size_t row, bool ticked);

    RowBox ConditionBox(std::size_t row) const { return criteria_[row]; }
    RowBox ActionBox(std::size_t row) const { return actions_[row]; }
    bool AnyCondition() const;
    bool AnyAction() const;

    std::size_t AllMessagesRow() const { return kConditionKindCount - 1; }
    std::size_t KeepRow() const { return keepRow_; }
    std::size_t DiscardRow() const { return discardRow_; }

    // The row of the condition kind that the test matches; kConditionKindCount for none.
    std::size_t ConditionRowOf(const SieveTest* test) const;
    // The row of the action kind of the command; kActionKindCount for none.
    std::size_t ActionRowOf(const SieveCommand* command) const;

private:
    SieveTest* MakeConditionTest(std::size_t row) const;
    bool AddCondition(std::size_t row);
    void RemoveCondition(std::size_t row);

    const RuleCatalogue& catalogue_;
    SieveCommand* rule_;
    std::array<RowBox, kConditionKindCount> criteria_{};
    std::array<RowBox, kActionKindCount> actions_{};
    std::size_t keepRow_ = 0;
    std::size_t discardRow_ = 0;
};

}  // namespace velor::rules
