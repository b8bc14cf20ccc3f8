// The two pages of the main window. Each copies the window's values into its controls when it
// is created and takes them back when the window closes (only a page that was opened writes).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "contave/LIB/run_state.h"
#include "contave/dialog.h"

namespace contave {

class MainWindow;

class Page : public Dialog {
 public:
  Page(MainWindow& window, int templateId) : window_(window), templateId_(templateId) {}
  PROPSHEETPAGEA Describe(HINSTANCE instance);
  bool Opened() const { return hwnd_ != nullptr; }
  static INT_PTR CALLBACK PageProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  virtual void OnActivate() {}
  // The window is closing: take over the controls and store them.
  virtual void OnClose() {}

  MainWindow& window_;
  int templateId_;
};

class SyncPage final : public Page {
 public:
  explicit SyncPage(MainWindow& window);

  // Takes the controls' values into the window's folder values.
  void TakeOver();
  void ShowRunState(RunState state);
  void ShowFolderPhase(int phase);
  void ShowAction(const char* text);
  void ShowPosition(int position);
  void ShowRange(int range);
  void EnableRunButton(bool enabled);
  void FocusServerList(bool publicPair);

 private:
  BOOL OnInit() override;
  bool OnCommand(int id, int code) override;
  void OnActivate() override;
  void OnClose() override;

  void FillLocalLists();
  void ShowServerFolder(int id, std::string& dn, const char* defaultDn);
  void ListServerFolders(int id);
  void ChooseLocal(int id);
  void ChooseServer(int id);
  void RefillLocal(int id);
  void UpdateRunButton();
  void Select(int id, const std::string& text);
  std::string Selected(int id) const;

  int range_ = -1;
};

class SettingsPage final : public Page {
 public:
  explicit SettingsPage(MainWindow& window);
  void TakeOver();
  // The question policy was reset from the Synchronization page.
  void ShowQuestionPolicy();

 private:
  BOOL OnInit() override;
  bool OnCommand(int id, int code) override;
  void OnClose() override;
};

}  // namespace contave
