// The rules window's list of rules: the script's top-level command list and a vector of its
// members in order, always changed together, and the operations of the window's buttons.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "velcore/rules/RuleCatalogue.h"
#include "velcore/rules/SieveTree.h"

namespace velor::rules {

// Whether the command's `name` field is the rule's name. For a top-level notify or vacation it
// holds the notification address or the reply's subject, which a rule name must never replace.
bool HasRuleName(const SieveCommand* rule);

// The name as the list shows it: the rule's name, or "<unnamed rule>".
std::string ShownName(const SieveCommand* rule, const RuleCatalogue& catalogue);

// Switches a rule on or off together with its elsif branches, which the script writes with
// header lines of their own: a branch left off would stay commented out under a rule shown on.
void SetRuleEnabled(SieveCommand* rule, bool enabled);

// Gives every elsif branch of every rule the state of its rule (after reading a script).
void GiveBranchesRuleState(SieveCommand* rules);

// The name for a copy of the rule shown as `shown`: "Copy of X", else "Copy (2) of X" up to
// "Copy (127) of X", the first that `taken` does not report; none when all are taken.
std::optional<std::string> CopyName(const std::string& shown, const std::string& copyOf,
                                    const std::string& copyNumberOf,
                                    const std::function<bool(const std::string&)>& taken);

class RuleList {
public:
    // Works on the caller's head pointer: every change goes straight into that list.
    explicit RuleList(SieveCommand** head);

    std::size_t Size() const { return rules_.size(); }
    SieveCommand* At(std::size_t index) const { return rules_[index]; }

    // The first row from `start` on whose rule name equals `name` without regard to case.
    std::optional<std::size_t> FindByName(const std::string& name, std::size_t start = 0) const;

    void Append(SieveCommand* rule);
    void InsertAfter(std::size_t index, SieveCommand* rule);
    // The new rule takes the place of the rule at index, which is freed.
    void Replace(std::size_t index, SieveCommand* rule);
    void Remove(std::size_t index);
    // Exchanges the rules at index and index + 1.
    void SwapWithNext(std::size_t index);

private:
    void Relink();

    SieveCommand** head_;
    std::vector<SieveCommand*> rules_;
};

}  // namespace velor::rules
