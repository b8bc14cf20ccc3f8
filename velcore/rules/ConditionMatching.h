// Which condition kind of the catalogue a test is, and whether a rule can be shown in the
// visual editor: only a rule whose conditions are all catalogue kinds can.
#pragma once

#include <cstdint>
#include <string>

#include "velcore/rules/RuleCatalogue.h"
#include "velcore/rules/SieveTree.h"

namespace velor::rules {

bool TestMatchesCondition(const SieveTest* test, const ConditionKind& kind);

// The first condition kind that the test matches, or null.
const ConditionKind* FindConditionKind(const RuleCatalogue& catalogue, const SieveTest* test);

// The description text of the test's condition kind and, when `parameter` is given, the
// kind's parameter. False when the test matches no kind.
bool DescribeCondition(const RuleCatalogue& catalogue, const SieveTest* test,
                       std::string& description, std::string* parameter = nullptr);

// kRuleOk when the rule is an `if` with a test whose conditions (the children of an allof or
// anyof, else the test itself) all match a condition kind; kRuleFail otherwise. A rule of
// another kind, or an `if` with `void`, has no conditions to show and is not editable. The
// actions are not examined.
std::int32_t CheckVisuallyEditable(const RuleCatalogue& catalogue, const SieveCommand* rule);

}  // namespace velor::rules
