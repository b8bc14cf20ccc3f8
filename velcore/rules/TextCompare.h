// Comparisons without regard to case, as keywords, tags and header names are compared. Letter
// case follows the current locale, like the reader's character classes.
#pragma once

#include <string_view>

namespace velor::rules {

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
// Negative, zero or positive, as strcmp, on the lower-case forms.
int CompareIgnoringCase(std::string_view a, std::string_view b);

}  // namespace velor::rules
