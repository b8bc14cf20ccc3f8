// Nesting is decided by the tests the rule holds, not by the boxes that are ticked: a
// hand-written rule may hold two tests of one kind (one ticked row), and counting rows would
// then wrap an anyof inside a new allof, or drop a test that the user did not clear.
#include "velcore/rules/RuleEditing.h"

#include <string>

#include "velcore/rules/ConditionMatching.h"

namespace velor::rules {
namespace {

bool IsCombination(const SieveTest* test) {
    return test != nullptr && (test->kind == TestKind::Allof || test->kind == TestKind::Anyof);
}

// Appends the items of `parameter` split at `separator` as a string list; false without memory.
bool SplitInto(SieveStringList** list, const std::string& parameter, char separator) {
    SieveStringList** tail = list;
    std::size_t start = 0;
    while (start <= parameter.size()) {
        std::size_t end = parameter.find(separator, start);
        if (end == std::string::npos) end = parameter.size();
        SieveStringList* item = NewStringItem(std::string_view(parameter).substr(start, end - start));
        if (item == nullptr) return false;
        *tail = item;
        tail = &item->next;
        start = end + 1;
    }
    return true;
}

}  // namespace

RuleEditing::RuleEditing(const RuleCatalogue& catalogue, SieveCommand* rule) : catalogue_(catalogue), rule_(rule) {
    for (std::size_t i = 0; i < kActionKindCount; ++i) {
        if (catalogue.Actions()[i].commandKind == CommandKind::Keep) keepRow_ = i;
        if (catalogue.Actions()[i].commandKind == CommandKind::Discard) discardRow_ = i;
    }
    Refresh();
}

std::size_t RuleEditing::ConditionRowOf(const SieveTest* test) const {
    for (std::size_t row = 0; row < kConditionKindCount; ++row) {
        if (TestMatchesCondition(test, catalogue_.Conditions()[row])) return row;
    }
    return kConditionKindCount;
}

std::size_t RuleEditing::ActionRowOf(const SieveCommand* command) const {
    for (std::size_t row = 0; row < kActionKindCount; ++row) {
        if (catalogue_.Actions()[row].commandKind == command->kind) return row;
    }
    return kActionKindCount;
}

void RuleEditing::Refresh() {
    criteria_.fill(RowBox::Clear);
    actions_.fill(RowBox::Clear);
    SieveTest* test = rule_->test;
    for (SieveTest* t = IsCombination(test) ? test->children : test; t != nullptr;
         t = IsCombination(test) ? t->next : nullptr) {
        std::size_t row = ConditionRowOf(t);
        if (row < kConditionKindCount) criteria_[row] = RowBox::Ticked;
    }
    if (criteria_[AllMessagesRow()] == RowBox::Ticked) {
        for (std::size_t row = 0; row < AllMessagesRow(); ++row) criteria_[row] = RowBox::Greyed;
    }
    for (SieveCommand* command = rule_->thenBlock; command != nullptr; command = command->next) {
        std::size_t row = ActionRowOf(command);
        if (row < kActionKindCount) actions_[row] = RowBox::Ticked;
    }
    if (actions_[keepRow_] == RowBox::Ticked && actions_[discardRow_] != RowBox::Ticked) {
        actions_[discardRow_] = RowBox::Greyed;
    } else if (actions_[discardRow_] == RowBox::Ticked && actions_[keepRow_] != RowBox::Ticked) {
        actions_[keepRow_] = RowBox::Greyed;
    }
}

bool RuleEditing::AnyCondition() const {
    for (RowBox box : criteria_) {
        if (box == RowBox::Ticked) return true;
    }
    return false;
}

bool RuleEditing::AnyAction() const {
    for (RowBox box : actions_) {
        if (box == RowBox::Ticked) return true;
    }
    return false;
}

SieveTest* RuleEditing::MakeConditionTest(std::size_t row) const {
    const ConditionKind& kind = catalogue_.Conditions()[row];
    TestListPtr test(NewTest(kind.testKind));
    if (!test) return nullptr;
    if (kind.testKind == TestKind::Address || kind.testKind == TestKind::Header) {
        test->matchType = MatchType::Contains;
        std::string parameter = kind.parameter;
        std::size_t equals = kind.testKind == TestKind::Header ? parameter.find('=') : std::string::npos;
        if (equals == std::string::npos) {
            if (!SplitInto(&test->headers, parameter, '|')) return nullptr;
        } else {
            test->headers = NewStringItem(std::string_view(parameter).substr(0, equals));
            test->keys = NewStringItem(std::string_view(parameter).substr(equals + 1));
            if (test->headers == nullptr || test->keys == nullptr) return nullptr;
        }
    }
    return test.release();
}

bool RuleEditing::AddCondition(std::size_t row) {
    SieveTest* added = MakeConditionTest(row);
    if (added == nullptr) return false;
    SieveTest* test = rule_->test;
    if (test == nullptr) {
        rule_->test = added;
        return true;
    }
    if (!IsCombination(test)) {
        SieveTest* both = NewTest(TestKind::Allof);
        if (both == nullptr) {
            FreeTestList(added);
            return false;
        }
        SieveTest* firstChild = row < ConditionRowOf(test) ? added : test;
        SieveTest* secondChild = firstChild == added ? test : added;
        both->children = firstChild;
        firstChild->next = secondChild;
        secondChild->next = nullptr;
        rule_->test = both;
        return true;
    }
    SieveTest** place = &test->children;
    while (*place != nullptr && ConditionRowOf(*place) <= row) place = &(*place)->next;
    added->next = *place;
    *place = added;
    return true;
}

void RuleEditing::RemoveCondition(std::size_t row) {
    SieveTest* test = rule_->test;
    if (test == nullptr) return;
    if (!IsCombination(test)) {
        if (ConditionRowOf(test) == row || row == AllMessagesRow()) {
            FreeTestList(test);
            rule_->test = nullptr;
        }
        return;
    }
    SieveTest** place = &test->children;
    while (*place != nullptr && ConditionRowOf(*place) != row) place = &(*place)->next;
    if (*place == nullptr) return;
    SieveTest* removed = *place;
    *place = removed->next;
    removed->next = nullptr;
    FreeTestList(removed);
    if (test->children == nullptr) {
        FreeTestList(test);
        rule_->test = nullptr;
    } else if (test->children->next == nullptr) {
        // One test left: it stands alone again, negation of the combination carried over.
        SieveTest* remaining = test->children;
        test->children = nullptr;
        if (test->negated) remaining->negated = !remaining->negated;
        FreeTestList(test);
        rule_->test = remaining;
    }
}

bool RuleEditing::SetCondition(std::size_t row, bool ticked) {
    if (row >= kConditionKindCount || criteria_[row] == RowBox::Greyed) return false;
    if (row == AllMessagesRow()) {
        if (ticked) {
            SieveTest* all = NewTest(TestKind::True);
            if (all == nullptr) return false;
            FreeTestList(rule_->test);
            rule_->test = all;
        } else {
            FreeTestList(rule_->test);
            rule_->test = nullptr;
        }
        Refresh();
        return true;
    }
    bool done = true;
    if (ticked) done = AddCondition(row);
    else RemoveCondition(row);
    Refresh();
    return done;
}

bool RuleEditing::SetAction(std::size_t row, bool ticked) {
    if (row >= kActionKindCount || actions_[row] == RowBox::Greyed) return false;
    const CommandKind kind = catalogue_.Actions()[row].commandKind;
    // An empty block holds one command of kind none; the first real action takes its place.
    while (rule_->thenBlock != nullptr && rule_->thenBlock->kind == CommandKind::None) {
        SieveCommand* empty = rule_->thenBlock;
        rule_->thenBlock = empty->next;
        empty->next = nullptr;
        FreeCommandList(empty);
    }
    if (ticked) {
        SieveCommand* added = NewCommand(kind);
        if (added == nullptr) return false;
        added->enabled = 1;
        added->parent = rule_;
        SieveCommand** place = &rule_->thenBlock;
        while (*place != nullptr) {
            std::size_t placeRow = ActionRowOf(*place);
            if (placeRow < kActionKindCount && placeRow > row) break;
            place = &(*place)->next;
        }
        added->next = *place;
        *place = added;
    } else {
        SieveCommand** place = &rule_->thenBlock;
        while (*place != nullptr && (*place)->kind != kind) place = &(*place)->next;
        if (*place != nullptr) {
            SieveCommand* removed = *place;
            *place = removed->next;
            removed->next = nullptr;
            FreeCommandList(removed);
        }
    }
    Refresh();
    return true;
}

}  // namespace velor::rules
