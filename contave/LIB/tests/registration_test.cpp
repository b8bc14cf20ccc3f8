#include <gtest/gtest.h>

#include "contave/LIB/registration.h"
#include "contave/LIB/wab_library_path.h"

namespace contave {
namespace {

constexpr RegistryRoot kMachine = RegistryRoot::kLocalMachine;
constexpr char kLibrary[] = "C:\\Program Files\\Common Files\\System\\wab32.dll";
constexpr char kProgram[] = "C:\\Program Files\\Velor\\Contave.exe";

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(registry.Write(kMachine, kWabLibraryKey, "", RegistryValue::Text(kLibrary)), kOk);
  }
  // The counter, or -1 when there is none.
  long long Counter() {
    const RegistryValue* value = registry.Find(kMachine, kSharedDllsKey, kLibrary);
    if (value == nullptr) return -1;
    EXPECT_EQ(value->type, kRegDword);
    return value->data[0] | value->data[1] << 8 | value->data[2] << 16 | static_cast<long long>(value->data[3]) << 24;
  }
  MemoryRegistry registry;
};

TEST_F(RegistrationTest, RegisterCountsOnceAndRecordsThePath) {
  ASSERT_EQ(RegisterProgram(registry, kProgram), kOk);
  EXPECT_EQ(Counter(), 1);
  const RegistryValue* record = registry.Find(kMachine, kInstallKey, "");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->data, RegistryValue::Text(kProgram).data);
  // Registering again (an installer run twice) does not count the program twice.
  ASSERT_EQ(RegisterProgram(registry, kProgram), kOk);
  EXPECT_EQ(Counter(), 1);
  ASSERT_EQ(UnregisterProgram(registry), kOk);
  EXPECT_EQ(Counter(), -1);  // the value goes with its last use
  EXPECT_FALSE(registry.KeyExists(kMachine, kInstallKey));
}

TEST_F(RegistrationTest, OtherUsersOfTheLibraryKeepTheirCount) {
  ASSERT_EQ(registry.Write(kMachine, kSharedDllsKey, kLibrary, RegistryValue::Number(4)), kOk);
  ASSERT_EQ(RegisterProgram(registry, kProgram), kOk);
  EXPECT_EQ(Counter(), 5);
  ASSERT_EQ(UnregisterProgram(registry), kOk);
  EXPECT_EQ(Counter(), 4);
  // Unregistering without a registration leaves the system's counter alone.
  ASSERT_EQ(UnregisterProgram(registry), kOk);
  EXPECT_EQ(Counter(), 4);
}

TEST_F(RegistrationTest, FailuresLeaveNothingHalfDone) {
  // A counter that is not a DWORD.
  ASSERT_EQ(registry.Write(kMachine, kSharedDllsKey, kLibrary, RegistryValue::Text("3")), kOk);
  EXPECT_TRUE(Failed(RegisterProgram(registry, kProgram)));
  EXPECT_FALSE(registry.KeyExists(kMachine, kInstallKey));
  // No address book library registered.
  MemoryRegistry empty;
  EXPECT_TRUE(Failed(RegisterProgram(empty, kProgram)));
  EXPECT_FALSE(empty.KeyExists(kMachine, kInstallKey));
  // The registry refuses writes.
  MemoryRegistry locked;
  ASSERT_EQ(locked.Write(kMachine, kWabLibraryKey, "", RegistryValue::Text(kLibrary)), kOk);
  locked.failWrites = SystemStatus(kErrorAccessDenied);
  EXPECT_EQ(RegisterProgram(locked, kProgram), SystemStatus(kErrorAccessDenied));
}

TEST_F(RegistrationTest, ACounterLostSinceRegistrationIsCountedAgain) {
  ASSERT_EQ(RegisterProgram(registry, kProgram), kOk);
  ASSERT_EQ(registry.DeleteValue(kMachine, kSharedDllsKey, kLibrary), kOk);
  ASSERT_EQ(RegisterProgram(registry, kProgram), kOk);
  EXPECT_EQ(Counter(), 1);
}

}  // namespace
}  // namespace contave
