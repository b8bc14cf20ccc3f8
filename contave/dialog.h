// A small base for the modal windows and pages: a static procedure that keeps the object in the
// window's user data from WM_INITDIALOG on and hands messages to virtual handlers. No C++
// exception crosses it.
#pragma once

#include <windows.h>

#include <string>

namespace contave {

class Dialog {
 public:
  virtual ~Dialog() = default;
  // Shows the dialog modally and returns what EndDialog was given.
  INT_PTR Run(HINSTANCE instance, HWND owner, int templateId);
  // Creates the dialog as a child of parent (a pane of another window).
  HWND CreateChild(HINSTANCE instance, HWND parent, int templateId);
  HWND Handle() const { return hwnd_; }

  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  virtual BOOL OnInit() { return TRUE; }
  // True when handled.
  virtual bool OnCommand(int /*id*/, int /*code*/) { return false; }
  // Anything else; true when handled, with result the dialog procedure's value.
  virtual bool OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/, INT_PTR& /*result*/) { return false; }

  void SetText(int id, const std::string& text) const { SetDlgItemTextA(hwnd_, id, text.c_str()); }
  std::string Text(int id) const;
  void SetStandardIcon(int id, LPCSTR icon) const;

  HWND hwnd_ = nullptr;
};

}  // namespace contave
