// The condition and action kinds that the visual editor understands, with their texts from
// the string table of the current language. Built once, on first use, and kept for the life of
// the library.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>

#include "velcore/rules/RuleTextSource.h"
#include "velcore/rules/SieveTree.h"

namespace velor::rules {

constexpr std::size_t kConditionKindCount = 10;
constexpr std::size_t kActionKindCount = 8;
constexpr std::size_t kMatchChoiceCount = 6;  // matchType * 2 + negated

struct ConditionKind {
    TestKind testKind;
    // address: header names separated by "|"; header: a name, optionally "=" and the one key
    // the test must carry; empty for the kinds without one.
    const char* parameter;
    std::string text;      // with the bracketed places of the description
    std::string listText;  // the text without "[" and "]"
};

struct ActionKind {
    CommandKind commandKind;
    std::string listText;         // without "[" and "]"
    std::string descriptionText;  // with the bracketed places
};

class RuleCatalogue {
public:
    // Null when a text is missing from the table or memory runs out.
    static std::unique_ptr<RuleCatalogue> Build(RuleTextSource& texts);
    // The catalogue of the library, built from `texts` at the first call that succeeds.
    static const RuleCatalogue* Shared(RuleTextSource& texts);

    const std::array<ConditionKind, kConditionKindCount>& Conditions() const { return conditions_; }
    const std::array<ActionKind, kActionKindCount>& Actions() const { return actions_; }

    // The name of a (match type, negated) pair: "is", "does not contain", ...
    const std::string& MatchName(MatchType type, bool negated) const;
    // The explanation of choice `choice` of the condition-options dialog (matchType * 2 +
    // negated): the one for match type choice / 2.
    const std::string& MatchExplanation(int choice) const;

    const std::string& UnnamedRule() const { return unnamedRule_; }
    const std::string& AndWord() const { return andWord_; }
    const std::string& OrWord() const { return orWord_; }

private:
    RuleCatalogue() = default;

    std::array<ConditionKind, kConditionKindCount> conditions_{};
    std::array<ActionKind, kActionKindCount> actions_{};
    std::array<std::string, kMatchChoiceCount> matchNames_{};
    std::array<std::string, 3> matchExplanations_{};
    std::string unnamedRule_;
    std::string andWord_;
    std::string orWord_;
};

// The text as the condition and action lists show it: without "[" and "]".
std::string WithoutBrackets(const std::string& text);

}  // namespace velor::rules
