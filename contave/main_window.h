// The main window: a property sheet titled "Velor WAB Synchronization Tool" with the
// Synchronization and Settings pages, without its own OK and Cancel buttons. It owns the run
// controller and shows what the worker reports.
#pragma once

#include <windows.h>

#include <memory>

#include "contave/app_context.h"
#include "contave/sync_controller.h"

namespace contave {

class SyncPage;
class SettingsPage;

class MainWindow {
 public:
  explicit MainWindow(AppContext& app);
  ~MainWindow();

  // Shows the window until it is closed; the worker has ended when it returns.
  void Run();

  HWND Handle() const { return sheet_; }
  AppContext& App() { return app_; }
  SyncController& Controller() { return controller_; }

  // The values the pages show and store.
  FolderValues folders;
  AccountValues account;
  // Which account values came from the command line (they are saved only when edited).
  AccountWrite commandLineValues{false, false, false};

  // A folder selection changed: the question policy goes back to asking.
  void ResetQuestionPolicy();
  // Starts a run from the pages' values, after the checks; nothing when they fail.
  void StartRun();
  void Close();

  SettingsPage* Settings() { return settings_.get(); }
  SyncPage* Sync() { return sync_.get(); }

  // The sheet's own procedure, replaced to take the worker's messages and the close commands.
  static LRESULT CALLBACK SheetProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static int CALLBACK SheetCallback(HWND hwnd, UINT message, LPARAM lParam);

 private:
  void Initialise(HWND sheet);
  bool OnSheetMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void ShowRunState(RunState state);
  void AnswerRequest(RequestKind kind, LPARAM data);

  AppContext& app_;
  SyncController controller_;
  std::unique_ptr<SyncPage> sync_;
  std::unique_ptr<SettingsPage> settings_;
  HWND sheet_ = nullptr;
  WNDPROC sheetProcedure_ = nullptr;
};

// The window that failures on the window's own thread are reported against (null before it exists).
HWND MainWindowHandle();
DWORD MainWindowThread();
// The controller through which the worker reports an internal failure.
SyncController* ActiveController();

}  // namespace contave
