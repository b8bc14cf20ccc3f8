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
        // Equal bytes are equal in every case; the locale is asked only about the others.
        if (a[i] == b[i]) {
            continue;
        }
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

}  // namespace velor::rules
