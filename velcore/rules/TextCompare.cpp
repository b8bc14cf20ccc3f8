#include "velcore/rules/TextCompare.h"

#include <cctype>

namespace velor::rules {
namespace {

int Lower(char c) {
    return std::tolower(static_cast<unsigned char>(c));
}

}  // namespace

int CompareIgnoringCase(std::string_view a, std::string_view b) {
    std::size_t length = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < length; ++i) {
        int difference = Lower(a[i]) - Lower(b[i]);
        if (difference != 0) {
            return difference;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareIgnoringCase(a, b) == 0;
}

}  // namespace velor::rules
