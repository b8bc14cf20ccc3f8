#include "velcore/rules/ConditionMatching.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "velcore/rules/TextCompare.h"

namespace velor::rules {
namespace {

constexpr char kHeaderSeparator = '|';
constexpr char kValueSeparator = '=';

bool LessIgnoringCase(std::string_view a, std::string_view b) {
    return CompareIgnoringCase(a, b) < 0;
}

// An address kind names a set of header fields: the test must name the same set, in any
// order and letter case. Address part, match type and keys do not matter.
bool AddressMatches(const SieveTest& test, std::string_view parameter) {
    std::vector<std::string_view> wanted;
    std::size_t start = 0;
    for (;;) {
        std::size_t bar = parameter.find(kHeaderSeparator, start);
        wanted.push_back(parameter.substr(start, bar == std::string_view::npos ? bar : bar - start));
        if (bar == std::string_view::npos) {
            break;
        }
        start = bar + 1;
    }
    std::vector<std::string_view> named;
    for (const SieveStringList* item = test.headers; item != nullptr; item = item->next) {
        if (item->text != nullptr && item->text[0] != '\0') {
            named.push_back(item->text);
        }
    }
    if (wanted.size() != named.size()) {
        return false;
    }
    // Sorted without regard to case as well, so that "To" and "cc" pair with "Cc" and "To".
    std::sort(wanted.begin(), wanted.end(), LessIgnoringCase);
    std::sort(named.begin(), named.end(), LessIgnoringCase);
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (!EqualsIgnoringCase(wanted[i], named[i])) {
            return false;
        }
    }
    return true;
}

// A header kind names one field and, after "=", the one value it must be compared with.
bool HeaderMatches(const SieveTest& test, std::string_view parameter) {
    std::string key;
    if (test.headers != nullptr && test.headers->text != nullptr) {
        key = test.headers->text;
    }
    if (parameter.find(kValueSeparator) != std::string_view::npos) {
        key += kValueSeparator;
        if (test.keys != nullptr && test.keys->text != nullptr) {
            key += test.keys->text;
        }
    }
    return EqualsIgnoringCase(key, parameter);
}

}  // namespace

bool TestMatchesCondition(const SieveTest* test, const ConditionKind& kind) {
    if (test == nullptr || test->kind != kind.testKind) {
        return false;
    }
    switch (test->kind) {
    case TestKind::True:
    case TestKind::Size:
    case TestKind::Spamtest:
        return true;
    case TestKind::Address:
        return AddressMatches(*test, kind.parameter);
    case TestKind::Header:
        return HeaderMatches(*test, kind.parameter);
    default:
        return false;
    }
}

const ConditionKind* FindConditionKind(const RuleCatalogue& catalogue, const SieveTest* test) {
    for (const ConditionKind& kind : catalogue.Conditions()) {
        if (TestMatchesCondition(test, kind)) {
            return &kind;
        }
    }
    return nullptr;
}

bool DescribeCondition(const RuleCatalogue& catalogue, const SieveTest* test,
                       std::string& description, std::string* parameter) {
    const ConditionKind* kind = FindConditionKind(catalogue, test);
    if (kind == nullptr) {
        return false;
    }
    description = kind->text;
    if (parameter != nullptr) {
        *parameter = kind->parameter;
    }
    return true;
}

std::int32_t CheckVisuallyEditable(const RuleCatalogue& catalogue, const SieveCommand* rule) {
    if (rule == nullptr || rule->kind != CommandKind::If || rule->test == nullptr) {
        return kRuleFail;
    }
    const SieveTest* test = rule->test;
    if (test->kind == TestKind::Allof || test->kind == TestKind::Anyof) {
        for (const SieveTest* child = test->children; child != nullptr; child = child->next) {
            if (FindConditionKind(catalogue, child) == nullptr) {
                return kRuleFail;
            }
        }
        return kRuleOk;
    }
    return FindConditionKind(catalogue, test) != nullptr ? kRuleOk : kRuleFail;
}

}  // namespace velor::rules
