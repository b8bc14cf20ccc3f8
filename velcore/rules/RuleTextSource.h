// Where the rule catalogues get their texts: the string table of the current language. The
// library feeds it from its string resources (or a language library); native builds use the
// default texts.
#pragma once

#include <string>

namespace velor::rules {

class RuleTextSource {
public:
    virtual ~RuleTextSource() = default;
    // The text of the string `id`; empty when the table has no such string.
    virtual std::string Text(unsigned id) = 0;
};

// The texts of RuleStrings.def, the library's own language.
class DefaultRuleTexts final : public RuleTextSource {
public:
    std::string Text(unsigned id) override;
};

}  // namespace velor::rules
