#include <gtest/gtest.h>

#include "contave/LIB/internal_failure.h"

namespace contave {
namespace {

// A hook that returns, as a careless application's might.
void ReturningHook(const char*, int, Status) {}

TEST(InternalFailureDeathTest, ReportsThroughTheHookAndNeverCarriesOn) {
  // When the hook returns, or there is none, the process still ends.
  EXPECT_DEATH(
      {
        SetInternalFailureHook(&ReturningHook);
        CONTAVE_INTERNAL_FAILURE(module::kPersist, kUnexpected);
      },
      "Contave - Internal Error: module PERSIST, line .+, code 0x8000FFFF");
  const InternalFailureHook previous = SetInternalFailureHook(nullptr);
  EXPECT_DEATH(CONTAVE_INTERNAL_FAILURE(module::kCfg, kInvalidArg),
               "Contave - Internal Error: module CFG, line .+, code 0x80070057");
  SetInternalFailureHook(previous);
}

TEST(InternalFailure, HookGetsModuleLineAndCode) {
  struct Seen {
    const char* moduleName;
    int line;
    Status code;
  };
  const InternalFailureHook previous =
      SetInternalFailureHook([](const char* moduleName, int line, Status code) { throw Seen{moduleName, line, code}; });
  const int line = __LINE__ + 2;
  try {
    CONTAVE_INTERNAL_FAILURE(module::kDellist, kUnexpected);
    FAIL() << "the failure returned instead of reaching the hook";
  } catch (const Seen& seen) {
    EXPECT_STREQ(seen.moduleName, "DELLIST");
    EXPECT_EQ(seen.line, line);
    EXPECT_EQ(seen.code, kUnexpected);
  }
  SetInternalFailureHook(previous);
}

}  // namespace
}  // namespace contave
