// Texts by their string-table identifier, in the library's resource language. Velcore reads them
// from its resource module; tests give the English texts.
#pragma once

#include <string>

namespace velor {

class StringSource {
public:
    virtual ~StringSource() = default;
    virtual std::string Load(unsigned id) const = 0;
};

}  // namespace velor
