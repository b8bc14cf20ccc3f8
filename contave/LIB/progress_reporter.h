// What the engine tells the window while it works: the current action, the Stop button, and
// a progress bar with a range and a position.
#pragma once

#include <cstdint>

namespace contave {

// Action texts; the window shows them as they are, so they are constants that outlive a run.
inline constexpr char kActionLoadingPreviousSession[] = "Loading previous session";
inline constexpr char kActionLoadingWabContent[] = "Loading WAB content";
inline constexpr char kActionResettingStatus[] = "Reseting synchronization status";
inline constexpr char kActionConnectingLdap[] = "Connecting to LDAP server";
inline constexpr char kActionLoadingLdapContent[] = "Loading LDAP content";
inline constexpr char kActionPass1[] = "Pass 1 of 2";
inline constexpr char kActionPass2[] = "Pass 2 of 2";
inline constexpr char kActionPreparingToSave[] = "Preparing to save";
inline constexpr char kActionSavingSession[] = "Saving session";

class ProgressReporter {
 public:
  virtual ~ProgressReporter() = default;
  virtual void ShowAction(const char* text) = 0;
  virtual void EnableStop(bool enabled) = 0;
  // A negative range hides the bar.
  virtual void SetRange(std::int32_t range) = 0;
  virtual void SetPosition(std::int32_t position) = 0;
};

class SilentProgress final : public ProgressReporter {
 public:
  void ShowAction(const char*) override {}
  void EnableStop(bool) override {}
  void SetRange(std::int32_t) override {}
  void SetPosition(std::int32_t) override {}
};

}  // namespace contave
