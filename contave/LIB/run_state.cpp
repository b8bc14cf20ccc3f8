#include "contave/LIB/run_state.h"

namespace contave {

PressAction RunControl::Press(std::uint32_t nowMs) {
  std::lock_guard<std::mutex> lock(mutex_);
  switch (state_) {
    case RunState::kIdle:
      return PressAction::kStart;
    case RunState::kRunning:
      if (static_cast<std::uint32_t>(nowMs - startedAt_) < doubleClickMs_) return PressAction::kNone;
      state_ = RunState::kStopping;
      return PressAction::kStop;
    case RunState::kStopping:
      break;
  }
  return PressAction::kNone;
}

bool RunControl::Start(std::uint32_t nowMs) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_ != RunState::kIdle) return false;
  state_ = RunState::kRunning;
  startedAt_ = nowMs;
  return true;
}

void RunControl::Finished() {
  std::lock_guard<std::mutex> lock(mutex_);
  state_ = RunState::kIdle;
}

RunState RunControl::State() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

bool RunControl::TakeAutomaticRun() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!automaticRun_) return false;
  automaticRun_ = false;
  closeAfterRun_ = true;
  return true;
}

}  // namespace contave
