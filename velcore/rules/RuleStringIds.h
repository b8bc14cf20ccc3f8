// The string-table identifiers of the rule texts, named after their entries in RuleStrings.def.
#pragma once

namespace velor::rules {

enum RuleStringId : unsigned {
#define VELOR_STRING(name, id, text) name = id,
#include "velcore/rules/RuleStrings.def"
#undef VELOR_STRING
};

}  // namespace velor::rules
