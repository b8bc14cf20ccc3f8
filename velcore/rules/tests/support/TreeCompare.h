// Compares rule trees field by field, for round-trip checks in the tests and the fuzzers.
#pragma once

#include <string>

#include "velcore/rules/SieveTree.h"

namespace velor::rules::testing {

struct CompareOptions {
    // Inline mode carries no state and no header: compare without `enabled`, and without the
    // names of commands whose name field is only a rule name (notify and vacation keep theirs,
    // which are :options and :subject).
    bool ignoreStateAndRuleNames = false;
};

// The first difference between the two command lists, as a path and the differing field;
// empty when they are equal.
std::string DescribeDifference(const SieveCommand* expected, const SieveCommand* actual,
                               CompareOptions options = {});

// Every member of every block points to the if that holds it; the top level to `parent`.
bool ParentLinksConsistent(const SieveCommand* list, const SieveCommand* parent = nullptr);

// Whether two trees share any record or string.
bool SharesStorage(const SieveCommand* a, const SieveCommand* b);

}  // namespace velor::rules::testing
