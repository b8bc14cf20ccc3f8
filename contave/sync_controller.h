// The run controller: starts the worker thread with a copy of the settings, carries its progress
// to the window as posted messages and its questions as synchronous requests (a posted request
// and an event), and tells the window when the run is over.
#pragma once

#include <windows.h>

#include <string>

#include "contave/LIB/folder_pair.h"
#include "contave/LIB/run_state.h"
#include "contave/LIB/stop_flag.h"
#include "contave/LIB/wab_proxy.h"

namespace contave {

// Messages from the worker to the window.
inline constexpr UINT kMsgRunState = WM_APP;        // wParam: RunState
inline constexpr UINT kMsgRequest = WM_APP + 1;     // wParam: RequestKind, lParam: its data
inline constexpr UINT kMsgFolderPhase = WM_APP + 2; // wParam: FolderPhase
inline constexpr UINT kMsgAction = WM_APP + 3;      // lParam: a constant text
inline constexpr UINT kMsgPosition = WM_APP + 4;    // wParam: position
inline constexpr UINT kMsgRange = WM_APP + 5;       // wParam: range (negative hides the bar)
inline constexpr UINT kMsgEnableStop = WM_APP + 6;  // wParam: 0 or 1

enum class RequestKind : int {
  kConfirmation = 0,
  kCollision = 1,
  kResult = 2,
  kInternalError = 3,
  kWarning = 4,
  kMassDeletion = 5,  // "N contacts would be deleted ... Continue?"
};

struct ConfirmationRequest {
  OperationKind kind;
  const std::string* name;
};
struct CollisionRequest {
  ConflictKind kind;
  const std::string* serverName;
  const std::string* localName;
  std::uint32_t allowed;
};
struct ResultRequest {
  const FolderResult* privatePair;
  const FolderResult* publicPair;
};
struct InternalErrorRequest {
  const char* moduleName;
  int line;
  Status code;
};
struct WarningRequest {
  StatusWarning warning;
};
struct MassDeletionRequest {
  const std::string* text;
};

// What the result slot holds when a request could not reach the window.
inline constexpr INT_PTR kRequestCanceled = -1;

struct RunPlan {
  RunSettings settings;
  FolderSettings privatePair;
  FolderSettings publicPair;

  RunPlan() = default;
  RunPlan(const RunPlan&) = default;
  ~RunPlan();
};

class SyncController {
 public:
  SyncController();
  ~SyncController();
  SyncController(const SyncController&) = delete;
  SyncController& operator=(const SyncController&) = delete;

  void SetWindow(HWND window) { window_ = window; }
  RunControl& Control() { return control_; }

  // Starts the worker when idle: state running, Stop cleared, a new thread. False otherwise.
  bool Start(const RunPlan& plan, AddressBook& book);
  // State stopping and the Stop flag set; the flag stays set for the rest of the run.
  void RequestStop();
  // Waits for the worker's thread to end and closes its handle; nothing to do without one.
  void Join();
  bool WorkerRunning() const { return thread_ != nullptr; }
  DWORD WorkerThreadId() const { return threadId_; }

  // Worker side: posts the request and waits for the window's answer.
  INT_PTR Ask(RequestKind kind, void* data);
  // Window side: the answer to the outstanding request.
  void Answer(INT_PTR result);

  void Post(UINT message, WPARAM wParam, LPARAM lParam) const { PostMessageA(window_, message, wParam, lParam); }

 private:
  static DWORD WINAPI WorkerProcedure(void* self);
  void Work();

  HWND window_ = nullptr;
  RunControl control_;
  StopFlag stop_;
  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
  HANDLE answered_ = nullptr;  // manual reset
  volatile LONG result_ = 0;
  RunPlan plan_;
  AddressBook* book_ = nullptr;
};

}  // namespace contave
