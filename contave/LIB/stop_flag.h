// SYNCLIB: the Stop request of a run. The window sets it, the worker reads it before each
// contact and during the long loading steps.
#pragma once

#include <atomic>

namespace contave {

class StopFlag {
 public:
  void Request() { requested_.store(true, std::memory_order_relaxed); }
  void Reset() { requested_.store(false, std::memory_order_relaxed); }
  bool Requested() const { return requested_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> requested_{false};
};

}  // namespace contave
