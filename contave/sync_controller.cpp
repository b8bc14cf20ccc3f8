#include "contave/sync_controller.h"

#include "contave/LIB/command_line.h"

namespace contave {
namespace {

// The worker's side of the engine's interfaces: progress goes to the window posted, questions
// go as synchronous requests.
class WorkerBridge final : public SyncQuestions, public StatusQuestion, public ProgressReporter,
                           public FolderPhaseReporter {
 public:
  explicit WorkerBridge(SyncController& controller) : controller_(controller) {}

  ConfirmAnswer Confirm(OperationKind kind, const std::string& displayName) override {
    ConfirmationRequest request{kind, &displayName};
    switch (controller_.Ask(RequestKind::kConfirmation, &request)) {
      case 1: return ConfirmAnswer::kYes;
      case 3: return ConfirmAnswer::kYesToAll;
      case 4: return ConfirmAnswer::kNoToAll;
      default: return ConfirmAnswer::kNo;
    }
  }
  Solution DecideCollision(ConflictKind kind, const std::string& serverName, const std::string& localName,
                           std::uint32_t allowed, Solution) override {
    CollisionRequest request{kind, &serverName, &localName, allowed};
    const INT_PTR answer = controller_.Ask(RequestKind::kCollision, &request);
    // Anything but one allowed bit (a request that never reached the window) leaves the pair
    // as it is, as a stopped run does.
    const auto bit = static_cast<std::uint32_t>(answer);
    return answer > 0 && (bit & (bit - 1)) == 0 && (bit & allowed) != 0 ? static_cast<Solution>(bit) : kSolutionNone;
  }
  bool ConfirmMassDeletion(Side, std::uint32_t, const std::string& text) override {
    MassDeletionRequest request{&text};
    return controller_.Ask(RequestKind::kMassDeletion, &request) == 1;
  }
  bool AskReset(StatusWarning warning) override {
    WarningRequest request{warning};
    return controller_.Ask(RequestKind::kWarning, &request) == 1;
  }
  void ShowAction(const char* text) override { controller_.Post(kMsgAction, 0, reinterpret_cast<LPARAM>(text)); }
  void EnableStop(bool enabled) override { controller_.Post(kMsgEnableStop, enabled ? 1 : 0, 0); }
  void SetRange(std::int32_t range) override { controller_.Post(kMsgRange, static_cast<WPARAM>(range), 0); }
  void SetPosition(std::int32_t position) override {
    controller_.Post(kMsgPosition, static_cast<WPARAM>(position), 0);
  }
  void ShowFolderPhase(FolderPhase phase) override { controller_.Post(kMsgFolderPhase, static_cast<WPARAM>(phase), 0); }

 private:
  SyncController& controller_;
};

// Between the pairs and after the last: no folder, no action, no bar, Stop usable.
void ClearProgress(WorkerBridge& bridge) {
  bridge.ShowFolderPhase(FolderPhase::kNone);
  bridge.ShowAction("");
  bridge.SetRange(-1);
  bridge.EnableStop(true);
}

}  // namespace

RunPlan::~RunPlan() { Wipe(settings.login.password); }

SyncController::SyncController()
    : control_(GetDoubleClickTime()), answered_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

SyncController::~SyncController() {
  Join();
  if (answered_ != nullptr) CloseHandle(answered_);
}

bool SyncController::Start(const RunPlan& plan, AddressBook& book) {
  if (thread_ != nullptr || !control_.Start(GetTickCount())) return false;
  plan_ = plan;
  book_ = &book;
  stop_.Reset();
  thread_ = CreateThread(nullptr, 0, &SyncController::WorkerProcedure, this, 0, &threadId_);
  if (thread_ == nullptr) {
    control_.Finished();
    return false;
  }
  Post(kMsgRunState, static_cast<WPARAM>(RunState::kRunning), 0);
  return true;
}

void SyncController::RequestStop() {
  stop_.Request();
  Post(kMsgRunState, static_cast<WPARAM>(RunState::kStopping), 0);
}

void SyncController::Join() {
  if (thread_ == nullptr) return;
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
  threadId_ = 0;
}

INT_PTR SyncController::Ask(RequestKind kind, void* data) {
  ResetEvent(answered_);
  InterlockedExchange(&result_, kRequestCanceled);
  if (!PostMessageA(window_, kMsgRequest, static_cast<WPARAM>(kind), reinterpret_cast<LPARAM>(data)))
    return kRequestCanceled;
  WaitForSingleObject(answered_, INFINITE);
  return InterlockedCompareExchange(&result_, 0, 0);
}

void SyncController::Answer(INT_PTR result) {
  InterlockedExchange(&result_, static_cast<LONG>(result));
  SetEvent(answered_);
}

DWORD WINAPI SyncController::WorkerProcedure(void* self) {
  static_cast<SyncController*>(self)->Work();
  return 0;
}

void SyncController::Work() {
  WorkerBridge bridge(*this);
  WabFolders folders(*book_);
  LdapFolders directory;
  FolderPairContext context{folders, directory, bridge, bridge, bridge, &bridge, stop_, PlatformFileSystem()};
  const FolderResult privateResult = RunFolderPair(plan_.settings, plan_.privatePair, FolderPhase::kPrivate, context);
  ClearProgress(bridge);
  const FolderResult publicResult = RunFolderPair(plan_.settings, plan_.publicPair, FolderPhase::kPublic, context);
  ClearProgress(bridge);
  ResultRequest result{&privateResult, &publicResult};
  Ask(RequestKind::kResult, &result);
  Wipe(plan_.settings.login.password);
  // The window waits for this thread's handle before it lets the address book go.
  control_.Finished();
  Post(kMsgRunState, static_cast<WPARAM>(RunState::kIdle), 0);
}

}  // namespace contave
