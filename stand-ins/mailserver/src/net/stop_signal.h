// Set once when the server is told to stop; sleeping sessions (fault delays, pauses between
// chunks) wake at once instead of holding the shutdown up.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace velor::mailserver {

class StopSignal {
 public:
  void raise() {
    std::lock_guard<std::mutex> lock(mutex_);
    raised_ = true;
    wake_.notify_all();
  }
  bool raised() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return raised_;
  }
  // Sleeps for the given time; true when it was cut short by the stop.
  bool sleepFor(int milliseconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    return wake_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return raised_; });
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool raised_ = false;
};

}  // namespace velor::mailserver
