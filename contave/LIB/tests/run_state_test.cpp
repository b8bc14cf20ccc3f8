#include <gtest/gtest.h>

#include "contave/LIB/run_state.h"

namespace contave {
namespace {

TEST(RunControl, CyclesIdleRunningStoppingIdle) {
  RunControl control(500);
  EXPECT_EQ(control.Press(1000), PressAction::kStart);
  ASSERT_TRUE(control.Start(1000));
  EXPECT_FALSE(control.Start(1001));  // one worker at a time
  EXPECT_EQ(control.State(), RunState::kRunning);
  EXPECT_EQ(control.Press(2000), PressAction::kStop);
  EXPECT_EQ(control.State(), RunState::kStopping);
  EXPECT_EQ(control.Press(2100), PressAction::kNone);  // stopping already
  control.Finished();
  EXPECT_EQ(control.State(), RunState::kIdle);
  EXPECT_EQ(control.Press(3000), PressAction::kStart);
}

TEST(RunControl, TheSecondClickOfADoubleClickDoesNotStop) {
  RunControl control(500);
  ASSERT_TRUE(control.Start(0xFFFFFF00u));  // the clock wraps during the double-click
  EXPECT_EQ(control.Press(0x00000010u), PressAction::kNone);
  EXPECT_EQ(control.State(), RunState::kRunning);
  EXPECT_EQ(control.Press(0x00000300u), PressAction::kStop);
}

TEST(RunControl, RunSwitchStartsOneRunOnly) {
  RunControl control;
  EXPECT_FALSE(control.TakeAutomaticRun());
  EXPECT_FALSE(control.CloseAfterRun());
  control.ArmAutomaticRun();
  EXPECT_TRUE(control.TakeAutomaticRun());
  EXPECT_FALSE(control.TakeAutomaticRun());  // the page shown again
  EXPECT_TRUE(control.CloseAfterRun());
}

}  // namespace
}  // namespace contave
