// Random rule trees of the shape the writer can express: every command and test kind, enabled
// and switched-off rules, named and unnamed, nested if/elsif/else, and strings full of quotes,
// backslashes, apostrophes and line breaks.
#pragma once

#include <cstdint>
#include <random>

#include "velcore/rules/SieveTree.h"

namespace velor::rules::testing {

class TreeGenerator {
public:
    explicit TreeGenerator(std::uint32_t seed) : random_(seed) {}

    // A list of 1 to `maxRules` rules. The caller owns it.
    CommandListPtr Script(int maxRules);

private:
    SieveCommand* Rule();
    SieveCommand* Command(int depth, bool off, SieveCommand* parent, bool named);
    SieveCommand* Block(int depth, bool off, SieveCommand* parent);
    void FillIf(SieveCommand* command, int depth, bool off);
    SieveTest* Test(int depth);
    SieveStringList* Strings();
    void Text(char* buffer, std::size_t size, std::size_t maxLength, bool lineBreaks);
    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }
    bool Chance(int percent) { return Pick(100) < percent; }

    std::mt19937 random_;
};

}  // namespace velor::rules::testing
