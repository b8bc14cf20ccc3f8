// SYNCLIB: the run control's state, as the window and the worker share it: idle, running,
// stopping; what a press of the run button does in each; and the RUN switch's single run.
#pragma once

#include <cstdint>
#include <mutex>

namespace contave {

enum class RunState : int { kIdle = 0, kRunning = 1, kStopping = 2 };

enum class PressAction { kNone, kStart, kStop };

class RunControl {
 public:
  // doubleClickMs: a press that soon after the start is the second half of a double-click,
  // not a request to stop the run it just started.
  explicit RunControl(std::uint32_t doubleClickMs = 500) : doubleClickMs_(doubleClickMs) {}

  // A press of the run button at time nowMs (a millisecond clock that may wrap).
  PressAction Press(std::uint32_t nowMs);
  // Called once the settings are checked: false unless idle; then the state is running.
  bool Start(std::uint32_t nowMs);
  // The worker ended; the state is idle again.
  void Finished();
  RunState State() const;

  // The RUN switch: true exactly once, the first time the Synchronization page is shown.
  bool TakeAutomaticRun();
  void ArmAutomaticRun() { automaticRun_ = true; }
  // The window closes itself after a run that RUN started.
  bool CloseAfterRun() const { return closeAfterRun_; }

 private:
  mutable std::mutex mutex_;
  RunState state_ = RunState::kIdle;
  std::uint32_t startedAt_ = 0;
  std::uint32_t doubleClickMs_;
  bool automaticRun_ = false;
  bool closeAfterRun_ = false;
};

}  // namespace contave
