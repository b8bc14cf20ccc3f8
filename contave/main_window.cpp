#include "contave/main_window.h"

#include "contave/LIB/text_compare.h"
#include "contave/pages.h"
#include "contave/res/resource.h"
#include "contave/run_dialogs.h"

namespace contave {
namespace {

MainWindow* g_window = nullptr;
HWND g_handle = nullptr;
DWORD g_thread = 0;

// Exit code of a process ended by an internal failure.
constexpr UINT kInternalFailureExitCode = 3;

}  // namespace

HWND MainWindowHandle() { return g_handle; }
DWORD MainWindowThread() { return g_thread; }
SyncController* ActiveController() { return g_window != nullptr ? &g_window->Controller() : nullptr; }

MainWindow::MainWindow(AppContext& app)
    : app_(app), sync_(std::make_unique<SyncPage>(*this)), settings_(std::make_unique<SettingsPage>(*this)) {
  folders = app.store->ReadFolders();
  account = app.store->ReadAccount();
  const CommandLine& line = app.commandLine;
  if (line.host) account.host = *line.host, commandLineValues.host = true;
  if (line.user) account.user = *line.user, commandLineValues.user = true;
  if (line.password) {
    Wipe(account.password);
    account.password = *line.password;
    commandLineValues.password = true;
  }
  if (line.run) controller_.Control().ArmAutomaticRun();
}

MainWindow::~MainWindow() {
  controller_.Join();
  if (g_window == this) g_window = nullptr;
  g_handle = nullptr;
}

void MainWindow::Run() {
  PROPSHEETPAGEA pages[2] = {sync_->Describe(app_.instance), settings_->Describe(app_.instance)};
  PROPSHEETHEADERA header{};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USEHICON | PSH_USECALLBACK | PSH_NOCONTEXTHELP;
  header.hInstance = app_.instance;
  header.hIcon = LoadIconA(app_.instance, MAKEINTRESOURCEA(IDI_CONTAVE));
  header.pszCaption = kMainWindowTitle;
  header.nPages = 2;
  header.nStartPage = account.host.empty() || account.user.empty() ? 1 : 0;
  header.ppsp = pages;
  header.pfnCallback = &MainWindow::SheetCallback;
  g_window = this;
  g_thread = GetCurrentThreadId();
  PropertySheetA(&header);
  // With RUN the window closes after the Result window while the worker may still be ending;
  // the address book must outlive it.
  controller_.Join();
  g_handle = nullptr;
}

int CALLBACK MainWindow::SheetCallback(HWND hwnd, UINT message, LPARAM lParam) {
  if (message == PSCB_PRECREATE && lParam != 0) {
    // A minimise box; the template may be the extended form.
    auto* words = reinterpret_cast<WORD*>(lParam);
    if (words[1] == 0xFFFF) reinterpret_cast<DWORD*>(lParam)[3] |= WS_MINIMIZEBOX;
    else reinterpret_cast<DLGTEMPLATE*>(lParam)->style |= WS_MINIMIZEBOX;
  } else if (message == PSCB_INITIALIZED && g_window != nullptr) {
    g_window->Initialise(hwnd);
  }
  return 0;
}

void MainWindow::Initialise(HWND sheet) {
  sheet_ = sheet;
  g_handle = sheet;
  controller_.SetWindow(sheet);
  sheetProcedure_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(sheet, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainWindow::SheetProcedure)));
  SendMessageA(sheet, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(LoadImageA(app_.instance, MAKEINTRESOURCEA(IDI_CONTAVE), IMAGE_ICON, 16, 16, 0)));

  // No OK and Cancel of its own: the buttons go and the window loses their strip.
  for (int id : {IDOK, IDCANCEL, IDHELP}) {
    if (HWND button = GetDlgItem(sheet, id)) ShowWindow(button, SW_HIDE), EnableWindow(button, FALSE);
  }
  RECT tabs, client;
  GetWindowRect(PropSheet_GetTabControl(sheet), &tabs);
  MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&tabs), 2);
  GetClientRect(sheet, &client);
  const int spare = client.bottom - (tabs.bottom + tabs.left);
  if (spare > 0) {
    RECT window;
    GetWindowRect(sheet, &window);
    SetWindowPos(sheet, nullptr, 0, 0, window.right - window.left, window.bottom - window.top - spare,
                 SWP_NOMOVE | SWP_NOZORDER);
  }
  app_.store->UpdateVersion();
}

LRESULT CALLBACK MainWindow::SheetProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MainWindow* self = g_window;
  if (self == nullptr || self->sheetProcedure_ == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  LRESULT result = 0;
  try {
    if (self->OnSheetMessage(message, wParam, lParam, result)) return result;
  } catch (...) {
    return 0;
  }
  return CallWindowProcA(self->sheetProcedure_, hwnd, message, wParam, lParam);
}

bool MainWindow::OnSheetMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const bool idle = controller_.Control().State() == RunState::kIdle && !controller_.WorkerRunning();
  switch (message) {
    case kMsgRunState:
      ShowRunState(static_cast<RunState>(wParam));
      return true;
    case kMsgRequest:
      AnswerRequest(static_cast<RequestKind>(wParam), lParam);
      return true;
    case kMsgFolderPhase:
      sync_->ShowFolderPhase(static_cast<int>(wParam));
      return true;
    case kMsgAction:
      sync_->ShowAction(reinterpret_cast<const char*>(lParam));
      return true;
    case kMsgPosition:
      sync_->ShowPosition(static_cast<int>(wParam));
      return true;
    case kMsgRange:
      sync_->ShowRange(static_cast<int>(wParam));
      return true;
    case kMsgEnableStop:
      sync_->EnableRunButton(wParam != 0);
      return true;
    case WM_COMMAND:
      // Enter on the Synchronization page presses its button; the hidden OK never applies.
      if (LOWORD(wParam) == IDOK) {
        if (PropSheet_GetCurrentPageHwnd(sheet_) == sync_->Handle()) {
          HWND run = GetDlgItem(sync_->Handle(), IDC_SYNC_RUN);
          if (IsWindowEnabled(run)) SendMessageA(sync_->Handle(), WM_COMMAND, MAKEWPARAM(IDC_SYNC_RUN, BN_CLICKED), reinterpret_cast<LPARAM>(run));
        }
        return true;
      }
      // Escape closes the window as Close does, but never during a run.
      if (LOWORD(wParam) == IDCANCEL && !idle) return true;
      return false;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE && !idle) return true;
      return false;
    case WM_CLOSE:
      return !idle;
    default:
      return false;
  }
}

void MainWindow::ShowRunState(RunState state) {
  if (state == RunState::kIdle) controller_.Join();
  // The posted state may be older than the controller's: show the present one.
  state = controller_.Control().State();
  const bool idle = state == RunState::kIdle;
  sync_->ShowRunState(state);
  EnableWindow(PropSheet_GetTabControl(sheet_), idle);
  EnableMenuItem(GetSystemMenu(sheet_, FALSE), SC_CLOSE, MF_BYCOMMAND | (idle ? MF_ENABLED : MF_GRAYED));
  if (idle && controller_.Control().CloseAfterRun()) Close();
}

void MainWindow::AnswerRequest(RequestKind kind, LPARAM data) {
  HINSTANCE instance = app_.instance;
  switch (kind) {
    case RequestKind::kConfirmation: {
      const auto* request = reinterpret_cast<const ConfirmationRequest*>(data);
      controller_.Answer(AskConfirmation(instance, sheet_, request->kind, *request->name));
      return;
    }
    case RequestKind::kCollision: {
      const auto* request = reinterpret_cast<const CollisionRequest*>(data);
      controller_.Answer(
          AskCollision(instance, sheet_, request->kind, *request->serverName, *request->localName, request->allowed));
      return;
    }
    case RequestKind::kResult: {
      const auto* request = reinterpret_cast<const ResultRequest*>(data);
      ShowResult(instance, sheet_, *request->privatePair, *request->publicPair);
      controller_.Answer(0);
      return;
    }
    case RequestKind::kInternalError: {
      const auto* request = reinterpret_cast<const InternalErrorRequest*>(data);
      ShowInternalFailure(instance, sheet_, request->moduleName, request->line, request->code);
      ExitProcess(kInternalFailureExitCode);
    }
    case RequestKind::kWarning: {
      const auto* request = reinterpret_cast<const WarningRequest*>(data);
      controller_.Answer(AskStatusReset(instance, sheet_, request->warning) ? 1 : 0);
      return;
    }
    case RequestKind::kMassDeletion: {
      const auto* request = reinterpret_cast<const MassDeletionRequest*>(data);
      controller_.Answer(AskMassDeletion(sheet_, *request->text) ? 1 : 0);
      return;
    }
  }
  controller_.Answer(kRequestCanceled);
}

void MainWindow::ResetQuestionPolicy() {
  account.autoConf = false;
  account.collisionMethod = 0;
  if (settings_->Opened()) settings_->ShowQuestionPolicy();
  else app_.store->WriteQuestionPolicy(false, 0);
}

void MainWindow::StartRun() {
  sync_->TakeOver();
  if (settings_->Opened()) settings_->TakeOver();
  auto refuse = [this](UINT message) {
    ShowMessage(sheet_, app_.instance, message, true);
    controller_.Control().Finished();
  };
  if (folders.privateEnabled && folders.publicEnabled &&
      EqualsNoCase(folders.privateLocalFolder, folders.publicLocalFolder)) {
    refuse(IDS_WAB_FOLDERS_SAME);
    return;
  }
  for (const bool publicPair : {false, true}) {
    const bool enabled = publicPair ? folders.publicEnabled : folders.privateEnabled;
    const std::string& dn = publicPair ? folders.publicServerFolder : folders.privateServerFolder;
    if (enabled && dn.empty()) {
      refuse(IDS_ENTER_FOLDER_NAME);
      sync_->FocusServerList(publicPair);
      return;
    }
  }
  RunPlan plan;
  plan.settings.login = {account.host, account.user, account.password};
  plan.settings.timeLimitSeconds = static_cast<int>(account.timeLimit);
  plan.settings.sync.noConfirmation = account.autoConf;
  plan.settings.sync.collisionMethod = static_cast<CollisionMethod>(account.collisionMethod);
  plan.settings.dataFolder = app_.dataFolder;
  plan.privatePair = {folders.privateEnabled, folders.privateServerFolder, folders.privateLocalFolder,
                      !account.twoWayPrivate, false};
  plan.publicPair = {folders.publicEnabled, folders.publicServerFolder, folders.publicLocalFolder,
                     !account.twoWayPublic, false};
  controller_.Start(plan, *app_.addressBook);
}

void MainWindow::Close() { PostMessageA(sheet_, WM_SYSCOMMAND, SC_CLOSE, 0); }

}  // namespace contave
