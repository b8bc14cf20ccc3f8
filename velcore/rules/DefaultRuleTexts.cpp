// The default-language table, made from the same list as the resource string table.
#include "velcore/rules/RuleStringIds.h"
#include "velcore/rules/RuleTextSource.h"

namespace velor::rules {
namespace {

struct DefaultText {
    unsigned id;
    const char* text;
};

constexpr DefaultText kDefaultTexts[] = {
#define VELOR_STRING(name, id, text) {id, text},
#include "velcore/rules/RuleStrings.def"
#undef VELOR_STRING
};

}  // namespace

std::string DefaultRuleTexts::Text(unsigned id) {
    for (const DefaultText& entry : kDefaultTexts) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return std::string();
}

}  // namespace velor::rules
