// What an export's body may throw never reaches the host, and the account an export was given
// does not stay current after it returns.
#include "velcore/protocol/ExportGuard.h"

#include "shared/AccountSettings.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using namespace velor;

TEST(ExportGuard, ExceptionsBecomeStatuses) {
    EXPECT_EQ(Guarded([] { return std::int32_t{7}; }), 7);
    EXPECT_EQ(Guarded([]() -> std::int32_t { throw std::bad_alloc(); }), status::kOutOfMemory);
    EXPECT_EQ(Guarded([]() -> std::int32_t { return static_cast<std::int32_t>(std::string().at(1)); }),
              status::kUnexpected);  // out_of_range
    EXPECT_EQ(Guarded([]() -> std::int32_t { throw std::runtime_error("x"); }), status::kUnexpected);
    EXPECT_EQ(Guarded([]() -> std::int32_t { throw 42; }), status::kUnexpected);
}

TEST(ExportGuard, TheCurrentAccountIsClearedHoweverTheExportEnds) {
    AccountSettings account;
    TheRuntime().currentAccount = nullptr;
    EXPECT_EQ(Guarded([&]() -> std::int32_t {
                  CurrentAccountScope current(&account);
                  EXPECT_EQ(TheRuntime().currentAccount, &account);
                  return 0;
              }),
              0);
    EXPECT_EQ(TheRuntime().currentAccount, nullptr);
    EXPECT_EQ(Guarded([&]() -> std::int32_t {
                  CurrentAccountScope current(&account);
                  throw std::bad_alloc();
              }),
              status::kOutOfMemory);
    EXPECT_EQ(TheRuntime().currentAccount, nullptr);
}
