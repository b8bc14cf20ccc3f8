// Builds the two catalogues from the string table. The kinds, their order and their
// parameters are fixed here; only the words come from the current language.
#include "velcore/rules/RuleCatalogue.h"

#include <mutex>
#include <new>

#include "velcore/rules/RuleStringIds.h"

namespace velor::rules {
namespace {

struct ConditionEntry {
    TestKind testKind;
    const char* parameter;
    RuleStringId text;
};

constexpr ConditionEntry kConditionEntries[kConditionKindCount] = {
    {TestKind::Address, "To|Cc", IDS_RULE_COND_RECIPIENT},
    {TestKind::Address, "From", IDS_RULE_COND_FROM},
    {TestKind::Address, "To", IDS_RULE_COND_TO},
    {TestKind::Address, "Cc", IDS_RULE_COND_CC},
    {TestKind::Address, "Sender", IDS_RULE_COND_SENDER},
    {TestKind::Header, "Subject", IDS_RULE_COND_SUBJECT},
    {TestKind::Header, "Content-Type=multipart/mixed", IDS_RULE_COND_ATTACHMENT},
    {TestKind::Size, "", IDS_RULE_COND_SIZE},
    {TestKind::Spamtest, "", IDS_RULE_COND_SPAM},
    {TestKind::True, "", IDS_RULE_COND_ALL},
};

struct ActionEntry {
    CommandKind commandKind;
    RuleStringId listText;
    RuleStringId descriptionText;  // the list text when the action has no values
};

constexpr ActionEntry kActionEntries[kActionKindCount] = {
    {CommandKind::Fileinto, IDS_RULE_ACT_FILEINTO, IDS_RULE_ACT_FILEINTO_DESC},
    {CommandKind::Redirect, IDS_RULE_ACT_REDIRECT, IDS_RULE_ACT_REDIRECT},
    {CommandKind::Reject, IDS_RULE_ACT_REJECT, IDS_RULE_ACT_REJECT_DESC},
    {CommandKind::Keep, IDS_RULE_ACT_KEEP, IDS_RULE_ACT_KEEP},
    {CommandKind::Discard, IDS_RULE_ACT_DISCARD, IDS_RULE_ACT_DISCARD},
    {CommandKind::Notify, IDS_RULE_ACT_NOTIFY, IDS_RULE_ACT_NOTIFY_DESC},
    {CommandKind::Vacation, IDS_RULE_ACT_VACATION, IDS_RULE_ACT_VACATION_DESC},
    {CommandKind::Stop, IDS_RULE_ACT_STOP, IDS_RULE_ACT_STOP},
};

// In the order matchType * 2 + negated.
constexpr RuleStringId kMatchNameIds[kMatchChoiceCount] = {
    IDS_RULE_MATCH_IS,      IDS_RULE_MATCH_IS_NOT,      IDS_RULE_MATCH_CONTAINS,
    IDS_RULE_MATCH_NOT_CONTAINS, IDS_RULE_MATCH_MATCHES, IDS_RULE_MATCH_NOT_MATCHES,
};

constexpr RuleStringId kMatchExplanationIds[3] = {
    IDS_RULE_MATCH_IS_HELP, IDS_RULE_MATCH_CONTAINS_HELP, IDS_RULE_MATCH_MATCHES_HELP,
};

// Loads one text; a missing text means the catalogue cannot be built.
bool Load(RuleTextSource& texts, unsigned id, std::string& out) {
    out = texts.Text(id);
    return !out.empty();
}

std::mutex g_sharedLock;
std::unique_ptr<RuleCatalogue> g_shared;

}  // namespace

std::string WithoutBrackets(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (char c : text) {
        if (c != '[' && c != ']') {
            shown += c;
        }
    }
    return shown;
}

std::unique_ptr<RuleCatalogue> RuleCatalogue::Build(RuleTextSource& texts) {
    try {
        std::unique_ptr<RuleCatalogue> catalogue(new RuleCatalogue);
        for (std::size_t i = 0; i < kConditionKindCount; ++i) {
            ConditionKind& kind = catalogue->conditions_[i];
            kind.testKind = kConditionEntries[i].testKind;
            kind.parameter = kConditionEntries[i].parameter;
            if (!Load(texts, kConditionEntries[i].text, kind.text)) {
                return nullptr;
            }
            kind.listText = WithoutBrackets(kind.text);
        }
        for (std::size_t i = 0; i < kActionKindCount; ++i) {
            ActionKind& kind = catalogue->actions_[i];
            kind.commandKind = kActionEntries[i].commandKind;
            std::string listText;
            if (!Load(texts, kActionEntries[i].listText, listText) ||
                !Load(texts, kActionEntries[i].descriptionText, kind.descriptionText)) {
                return nullptr;
            }
            kind.listText = WithoutBrackets(listText);
        }
        for (std::size_t i = 0; i < kMatchChoiceCount; ++i) {
            if (!Load(texts, kMatchNameIds[i], catalogue->matchNames_[i])) {
                return nullptr;
            }
        }
        for (std::size_t i = 0; i < 3; ++i) {
            if (!Load(texts, kMatchExplanationIds[i], catalogue->matchExplanations_[i])) {
                return nullptr;
            }
        }
        if (!Load(texts, IDS_RULE_UNNAMED, catalogue->unnamedRule_) ||
            !Load(texts, IDS_RULE_AND, catalogue->andWord_) ||
            !Load(texts, IDS_RULE_OR, catalogue->orWord_)) {
            return nullptr;
        }
        return catalogue;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

const RuleCatalogue* RuleCatalogue::Shared(RuleTextSource& texts) {
    std::lock_guard<std::mutex> lock(g_sharedLock);
    if (g_shared == nullptr) {
        g_shared = Build(texts);
    }
    return g_shared.get();
}

const std::string& RuleCatalogue::MatchName(MatchType type, bool negated) const {
    int index = static_cast<int>(type);
    if (index < 0 || index > 2) {
        index = 0;
    }
    return matchNames_[static_cast<std::size_t>(index * 2 + (negated ? 1 : 0))];
}

const std::string& RuleCatalogue::MatchExplanation(int choice) const {
    int index = choice / 2;
    if (index < 0 || index > 2) {
        index = 0;
    }
    return matchExplanations_[static_cast<std::size_t>(index)];
}

}  // namespace velor::rules
