#include "velcore/rules/RuleDescription.h"

#include <cstdio>
#include <cstring>

#include "velcore/rules/ConditionMatching.h"
#include "velcore/rules/RuleStringIds.h"

namespace velor::rules {
namespace {

constexpr const char* kLinkNames[] = {"",         "andor",    "addr",   "match",
                                      "size",     "word",     "fileinto", "redirect",
                                      "reject",   "notifya",  "notifym", "vacation"};

// One bracketed place of a kind's text: the word between "[" and "]" and where it stands.
struct Place {
    std::size_t open = std::string::npos;
    std::size_t close = std::string::npos;
    std::string word;
    bool found() const { return open != std::string::npos; }
};

Place FindPlace(const std::string& text, std::size_t from) {
    Place place;
    std::size_t open = text.find('[', from);
    if (open == std::string::npos) return place;
    std::size_t close = text.find(']', open);
    if (close == std::string::npos) return place;
    place.open = open;
    place.close = close;
    place.word = text.substr(open + 1, close - open - 1);
    return place;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

const char* LinkKeyName(LinkKey key) {
    auto index = static_cast<std::size_t>(key);
    return index < sizeof kLinkNames / sizeof kLinkNames[0] ? kLinkNames[index] : "";
}

LinkKey LinkKeyFromName(const std::string& name) {
    for (std::size_t i = 1; i < sizeof kLinkNames / sizeof kLinkNames[0]; ++i) {
        if (name == kLinkNames[i]) return static_cast<LinkKey>(i);
    }
    return LinkKey::None;
}

DescriptionTexts DescriptionTexts::Load(RuleTextSource& source) {
    DescriptionTexts texts;
    texts.enabled = source.Text(IDS_RULE_DESC_ENABLED);
    texts.disabled = source.Text(IDS_RULE_DESC_DISABLED);
    texts.multiple = source.Text(IDS_RULE_DESC_MULTIPLE);
    texts.notVisual = source.Text(IDS_RULE_DESC_NOT_VISUAL);
    texts.none = source.Text(IDS_RULE_DESC_NONE);
    texts.units[0] = source.Text(IDS_RULE_SIZE_BYTES);
    texts.units[1] = source.Text(IDS_RULE_SIZE_KB);
    texts.units[2] = source.Text(IDS_RULE_SIZE_MB);
    texts.more = source.Text(IDS_RULE_SIZE_MORE);
    texts.less = source.Text(IDS_RULE_SIZE_LESS);
    return texts;
}

std::string FormatSize(std::uint32_t bytes, const DescriptionTexts& texts) {
    unsigned long value = bytes;
    int unit = 0;
    while (value >= 10001 && unit < 2) {
        value >>= 10;
        ++unit;
    }
    char number[32];
    std::snprintf(number, sizeof number, "%lu ", value);
    return number + texts.units[unit];
}

std::string FirstLineOf(const char* value) {
    std::string text = value != nullptr ? value : "";
    std::size_t begin = 0;
    while (begin < text.size() && IsSpace(text[begin])) ++begin;
    std::size_t end = text.size();
    while (end > begin && IsSpace(text[end - 1])) --end;
    text = text.substr(begin, end - begin);
    std::size_t lineEnd = text.find_first_of("\r\n");
    if (lineEnd != std::string::npos) {
        text.resize(lineEnd);
        text += "...";
    }
    return text;
}

DescriptionBuilder::DescriptionBuilder(const RuleCatalogue& catalogue, const DescriptionTexts& texts,
                                       FolderDisplay folderDisplay, unsigned flags)
    : catalogue_(catalogue), texts_(texts), folderDisplay_(std::move(folderDisplay)), flags_(flags) {}

void DescriptionBuilder::LineBreak(std::string& out) const {
    out += (flags_ & kDescribeRich) ? "<br>" : "\n";
}

// Values go into the markup as text: its own three special characters become entities.
std::string DescriptionBuilder::Escape(const std::string& text) const {
    if (!(flags_ & kDescribeRich)) return text;
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        default: escaped += c; break;
        }
    }
    return escaped;
}

void DescriptionBuilder::Link(std::string& out, LinkKey key, const LinkTarget& target, const std::string& text,
                              bool missing, bool numbered) {
    const bool marked = missing && (flags_ & kDescribeEditor);
    if (marked) valid_ = false;
    if (!(flags_ & kDescribeRich)) {
        out += text;
        return;
    }
    out += marked ? "<A HREF=#" : "<a href=#";
    out += LinkKeyName(key);
    if (numbered) {
        char number[24];
        std::snprintf(number, sizeof number, "_%lu", static_cast<unsigned long>(targets_.size()));
        out += number;
        targets_.push_back(target);
    }
    out += '>';
    out += text;
    out += marked ? "</A>" : "</a>";
}

std::string DescriptionBuilder::Rule(SieveCommand* rule) {
    // The and/or link carries no number: it belongs to the rule, which its window knows.
    std::string out = Escape(rule->enabled ? texts_.enabled : texts_.disabled);
    Conditions(out, rule->test, nullptr);
    out += '.';
    Actions(out, rule->thenBlock);
    return out;
}

void DescriptionBuilder::Conditions(std::string& out, SieveTest* test, const std::string* andOr) {
    if (test == nullptr) return;
    if (test->kind == TestKind::Allof || test->kind == TestKind::Anyof) {
        const std::string& word = test->kind == TestKind::Allof ? catalogue_.AndWord() : catalogue_.OrWord();
        for (SieveTest* child = test->children; child != nullptr; child = child->next) {
            Conditions(out, child, child == test->children ? nullptr : &word);
        }
        return;
    }
    LineBreak(out);
    if (andOr != nullptr) {
        if (flags_ & kDescribeRich) out += "<nobr> &nbsp; </nobr>";
        else out += "   ";
        Link(out, LinkKey::AndOr, LinkTarget{}, *andOr, false, false);
        out += ' ';
    }
    Condition(out, test);
}

void DescriptionBuilder::Condition(std::string& out, SieveTest* test) {
    const ConditionKind* kind = FindConditionKind(catalogue_, test);
    if (kind == nullptr) return;
    const std::string& text = kind->text;
    Place first = FindPlace(text, 0);
    Place second = first.found() ? FindPlace(text, first.close + 1) : Place{};
    const bool listKind = kind->testKind == TestKind::Address ||
                          (kind->testKind == TestKind::Header && second.found());
    if (!first.found() || !(listKind || kind->testKind == TestKind::Size)) {
        out += Escape(WithoutBrackets(text));
        return;
    }
    const LinkTarget target{test, nullptr};
    out += Escape(text.substr(0, first.open));
    if (kind->testKind == TestKind::Size) {
        Link(out, LinkKey::Size, target, test->sizeUnder ? texts_.less : texts_.more, false);
    } else {
        Link(out, LinkKey::Match, target, catalogue_.MatchName(test->matchType, test->negated != 0), false);
    }
    if (!second.found()) {
        out += Escape(text.substr(first.close + 1));
        return;
    }
    out += Escape(text.substr(first.close + 1, second.open - first.close - 1));
    if (kind->testKind == TestKind::Size) {
        const bool missing = test->sizeLimit == 0;
        Link(out, LinkKey::Size, target,
             missing ? second.word : FormatSize(static_cast<std::uint32_t>(test->sizeLimit), texts_), missing);
    } else {
        std::string keys;
        for (const SieveStringList* key = test->keys; key != nullptr; key = key->next) {
            if (!keys.empty()) keys += ' ' + catalogue_.OrWord() + ' ';
            keys += '\'' + Escape(key->text != nullptr ? key->text : "") + '\'';
        }
        const bool missing = keys.empty();
        Link(out, kind->testKind == TestKind::Address ? LinkKey::Address : LinkKey::Word, target,
             missing ? second.word : keys, missing);
    }
    out += Escape(text.substr(second.close + 1));
}

void DescriptionBuilder::Actions(std::string& out, SieveCommand* first) {
    bool any = false;
    for (SieveCommand* command = first; command != nullptr; command = command->next) {
        if (command->kind == CommandKind::None) continue;
        const ActionKind* kind = nullptr;
        for (const ActionKind& candidate : catalogue_.Actions()) {
            if (candidate.commandKind == command->kind) {
                kind = &candidate;
                break;
            }
        }
        // A command the catalogue does not know ends the description of the actions.
        if (kind == nullptr) return;
        LineBreak(out);
        if (any) {
            if (flags_ & kDescribeRich) out += "<nobr> &nbsp; " + catalogue_.AndWord() + " </nobr>";
            else out += "   " + catalogue_.AndWord() + ' ';
        }
        any = true;
        Action(out, command, *kind);
    }
}

void DescriptionBuilder::TextAfterLabel(std::string& out, const char* value) {
    if (value[0] == '\0') return;
    out += ' ';
    out += Escape(FirstLineOf(value));
}

void DescriptionBuilder::Action(std::string& out, SieveCommand* command, const ActionKind& kind) {
    const std::string& text = kind.descriptionText;
    Place first = FindPlace(text, 0);
    if (!first.found()) {
        out += Escape(text);
        return;
    }
    const LinkTarget target{nullptr, command};
    out += Escape(text.substr(0, first.open));
    std::size_t rest = first.close + 1;
    const char* argument = command->argument;
    switch (command->kind) {
    case CommandKind::Fileinto: {
        const bool missing = argument[0] == '\0';
        std::string folder = missing ? first.word : (folderDisplay_ ? folderDisplay_(argument) : argument);
        Link(out, LinkKey::Fileinto, target, Escape(folder), missing);
        break;
    }
    case CommandKind::Redirect: {
        const bool missing = argument[0] == '\0';
        Link(out, LinkKey::Redirect, target, missing ? first.word : Escape(argument), missing);
        break;
    }
    case CommandKind::Reject:
    case CommandKind::Vacation:
        Link(out, command->kind == CommandKind::Reject ? LinkKey::Reject : LinkKey::Vacation, target, first.word,
             argument[0] == '\0');
        out += Escape(text.substr(rest));
        TextAfterLabel(out, argument);
        return;
    case CommandKind::Notify: {
        const bool missing = command->name[0] == '\0';
        Link(out, LinkKey::NotifyAddress, target, missing ? first.word : Escape(command->name), missing);
        Place second = FindPlace(text, rest);
        if (!second.found()) break;
        out += Escape(text.substr(rest, second.open - rest));
        Link(out, LinkKey::NotifyMessage, target, second.word, argument[0] == '\0');
        out += Escape(text.substr(second.close + 1));
        TextAfterLabel(out, argument);
        return;
    }
    default:
        out += Escape(WithoutBrackets(text.substr(first.open)));
        return;
    }
    out += Escape(WithoutBrackets(text.substr(rest)));
}

}  // namespace velor::rules
