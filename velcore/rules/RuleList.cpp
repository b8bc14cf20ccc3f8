#include "velcore/rules/RuleList.h"

#include <cstdio>
#include <vector>

#include "velcore/rules/TextCompare.h"

namespace velor::rules {

bool HasRuleName(const SieveCommand* rule) {
    return rule->kind != CommandKind::Notify && rule->kind != CommandKind::Vacation;
}

std::string ShownName(const SieveCommand* rule, const RuleCatalogue& catalogue) {
    if (!HasRuleName(rule) || rule->name[0] == '\0') return catalogue.UnnamedRule();
    return rule->name;
}

void SetRuleEnabled(SieveCommand* rule, bool enabled) {
    for (SieveCommand* branch = rule; branch != nullptr;) {
        branch->enabled = enabled ? 1 : 0;
        SieveCommand* elseBlock = branch->kind == CommandKind::If ? branch->elseBlock : nullptr;
        branch = elseBlock != nullptr && elseBlock->kind == CommandKind::If && elseBlock->next == nullptr ? elseBlock
                                                                                                          : nullptr;
    }
}

void GiveBranchesRuleState(SieveCommand* rules) {
    for (SieveCommand* rule = rules; rule != nullptr; rule = rule->next) SetRuleEnabled(rule, rule->enabled != 0);
}

std::optional<std::string> CopyName(const std::string& shown, const std::string& copyOf,
                                    const std::string& copyNumberOf,
                                    const std::function<bool(const std::string&)>& taken) {
    std::vector<char> buffer(shown.size() + copyOf.size() + copyNumberOf.size() + 32);
    std::snprintf(buffer.data(), buffer.size(), copyOf.c_str(), shown.c_str());
    std::string name = buffer.data();
    for (int number = 2; taken(name); ++number) {
        if (number > 127) return std::nullopt;
        std::snprintf(buffer.data(), buffer.size(), copyNumberOf.c_str(), number, shown.c_str());
        name = buffer.data();
    }
    if (name.size() > kRuleNameSize - 1) name.resize(kRuleNameSize - 1);
    return name;
}

RuleList::RuleList(SieveCommand** head) : head_(head) {
    for (SieveCommand* rule = *head; rule != nullptr; rule = rule->next) rules_.push_back(rule);
}

std::optional<std::size_t> RuleList::FindByName(const std::string& name, std::size_t start) const {
    for (std::size_t i = start; i < rules_.size(); ++i) {
        if (HasRuleName(rules_[i]) && EqualsIgnoringCase(rules_[i]->name, name)) return i;
    }
    return std::nullopt;
}

void RuleList::Relink() {
    SieveCommand** link = head_;
    for (SieveCommand* rule : rules_) {
        *link = rule;
        link = &rule->next;
    }
    *link = nullptr;
}

void RuleList::Append(SieveCommand* rule) {
    rules_.push_back(rule);
    Relink();
}

void RuleList::InsertAfter(std::size_t index, SieveCommand* rule) {
    rules_.insert(rules_.begin() + static_cast<std::ptrdiff_t>(index) + 1, rule);
    Relink();
}

void RuleList::Replace(std::size_t index, SieveCommand* rule) {
    SieveCommand* old = rules_[index];
    rules_[index] = rule;
    Relink();
    old->next = nullptr;
    FreeCommandList(old);
}

void RuleList::Remove(std::size_t index) {
    SieveCommand* old = rules_[index];
    rules_.erase(rules_.begin() + static_cast<std::ptrdiff_t>(index));
    Relink();
    old->next = nullptr;
    FreeCommandList(old);
}

void RuleList::SwapWithNext(std::size_t index) {
    std::swap(rules_[index], rules_[index + 1]);
    Relink();
}

}  // namespace velor::rules
