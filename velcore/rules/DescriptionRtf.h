// The description markup as rich text for the description control: the tags become RTF, the
// links become coloured, underlined ranges whose character positions (as the control counts
// them: one per character, one per line break) are kept in a link table for hit-testing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "velcore/rules/RuleDescription.h"

namespace velor::rules {

struct DescriptionLink {
    LinkKey key = LinkKey::None;
    long first = 0;   // first character of the link text in the control
    long last = 0;    // its last character, inclusive
    long number = -1; // the href's number (an index into the builder's targets); -1 for "andor"
    bool missing = false;  // the upper-case form: a value still to be given, shown red
};

struct RichDescription {
    std::string rtf;
    std::string text;  // the characters the control shows; "\r" for a line break
    std::vector<DescriptionLink> links;
};

// Converts the markup. `codePage` is the ANSI code page the RTF declares. Backslashes and braces
// in values are escaped, so no value can end the document or inject control words.
RichDescription MarkupToRich(std::string_view markup, unsigned codePage);

// One of the texts shown instead of a rule ("There is no item selected." ...), centred on the
// second line.
std::string CentredNoticeRtf(std::string_view text, unsigned codePage);

// The link of the table that holds the character, or null.
const DescriptionLink* LinkAt(const std::vector<DescriptionLink>& links, long character);

}  // namespace velor::rules
