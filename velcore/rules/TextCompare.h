// Comparisons without regard to case, as keywords, tags and header names are compared. Letter
// case follows the current locale, like the reader's character classes.
#pragma once

#include <string_view>

namespace velor::rules {

// Negative, zero or positive, as strcmp, on the lower-case forms.
int CompareIgnoringCase(std::string_view a, std::string_view b);
// Inline: keywords are matched by trying each in turn, and most differ in length.
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareIgnoringCase(a, b) == 0;
}

}  // namespace velor::rules
