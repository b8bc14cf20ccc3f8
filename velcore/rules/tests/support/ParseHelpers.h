// Reading fixture scripts in tests: a failed parse fails the test with its line and message.
#pragma once

#include <gtest/gtest.h>

#include <string_view>

#include "velcore/rules/SieveReader.h"

namespace velor::rules::testing {

inline CommandListPtr MustParse(std::string_view script) {
    ParseOutcome outcome = ReadScript(script);
    EXPECT_TRUE(outcome.ok) << "line " << outcome.line << ": " << outcome.message << "\nin:\n"
                            << script;
    return std::move(outcome.commands);
}

}  // namespace velor::rules::testing
