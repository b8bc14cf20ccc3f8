// The sentence that describes a rule: one line per condition and per action, every value the
// user can change marked as a link. Built as a small HTML-like markup (DescriptionRtf turns it
// into rich text); the links name the test or command they edit through an index into the
// description's target table.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "velcore/rules/RuleCatalogue.h"
#include "velcore/rules/RuleTextSource.h"
#include "velcore/rules/SieveTree.h"

namespace velor::rules {

// The keys of the value links, with their numbers in the link table.
enum class LinkKey : std::int32_t {
    None = 0,
    AndOr = 1,
    Address = 2,
    Match = 3,
    Size = 4,
    Word = 5,
    Fileinto = 6,
    Redirect = 7,
    Reject = 8,
    NotifyAddress = 9,
    NotifyMessage = 10,
    Vacation = 11,
};

const char* LinkKeyName(LinkKey key);
LinkKey LinkKeyFromName(const std::string& name);

// Builder flags: rich text (markup with "<br>" and escaped values) or plain text, and editor
// mode, in which a missing value is marked red and makes the description invalid.
constexpr unsigned kDescribeRich = 0x0001;
constexpr unsigned kDescribeEditor = 0x8000;

// The texts of the description around the catalogues' own.
struct DescriptionTexts {
    std::string enabled;      // "Apply this rule after the message arrives."
    std::string disabled;     // "This rule is currently turned off."
    std::string multiple;     // "Multiple items selected."
    std::string notVisual;    // "This rule cannot be visually edited."
    std::string none;         // "There is no item selected."
    std::string units[3];     // "B", "KB", "MB"
    std::string more, less;

    static DescriptionTexts Load(RuleTextSource& source);
};

// What a link edits: the test of a condition (and/or: the rule's combining test), or the
// command of an action.
struct LinkTarget {
    SieveTest* test = nullptr;
    SieveCommand* command = nullptr;
};

// A folder name as the rule stores it (modified UTF-7, the server's form) in the form the user
// reads; the protocol layer supplies the conversion.
using FolderDisplay = std::function<std::string(const char* stored)>;

class DescriptionBuilder {
public:
    DescriptionBuilder(const RuleCatalogue& catalogue, const DescriptionTexts& texts,
                       FolderDisplay folderDisplay, unsigned flags);

    // The whole description of an editable rule: its state, its conditions, ".", its actions.
    std::string Rule(SieveCommand* rule);
    void Conditions(std::string& out, SieveTest* test, const std::string* andOr);
    void Actions(std::string& out, SieveCommand* first);

    // False once a value was found missing in editor mode.
    bool Valid() const { return valid_; }
    // Link number N of an href resolves to Targets()[N].
    const std::vector<LinkTarget>& Targets() const { return targets_; }

private:
    void LineBreak(std::string& out) const;
    std::string Escape(const std::string& text) const;
    void Link(std::string& out, LinkKey key, const LinkTarget& target, const std::string& text,
              bool missing, bool numbered = true);
    void Condition(std::string& out, SieveTest* test);
    void Action(std::string& out, SieveCommand* command, const ActionKind& kind);
    void TextAfterLabel(std::string& out, const char* value);

    const RuleCatalogue& catalogue_;
    const DescriptionTexts& texts_;
    FolderDisplay folderDisplay_;
    unsigned flags_;
    bool valid_ = true;
    std::vector<LinkTarget> targets_;
};

// "%lu %s": the byte count shifted down by 10 bits while it is at least 10001, up to MB.
std::string FormatSize(std::uint32_t bytes, const DescriptionTexts& texts);

// The text of a long value as the description shows it after its label: trimmed, cut at the
// first line break with "..." appended when cut.
std::string FirstLineOf(const char* value);

}  // namespace velor::rules
