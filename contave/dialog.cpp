#include "contave/dialog.h"

#include <vector>

namespace contave {

INT_PTR Dialog::Run(HINSTANCE instance, HWND owner, int templateId) {
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), owner, &Dialog::Procedure,
                         reinterpret_cast<LPARAM>(this));
}

HWND Dialog::CreateChild(HINSTANCE instance, HWND parent, int templateId) {
  return CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId), parent, &Dialog::Procedure,
                            reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
  } else {
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  if (self == nullptr) return FALSE;
  try {
    switch (message) {
      case WM_INITDIALOG:
        return self->OnInit();
      case WM_COMMAND:
        return self->OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
      case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        return FALSE;
      default: {
        INT_PTR result = 0;
        if (self->OnMessage(message, wParam, lParam, result)) {
          SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
          return TRUE;
        }
        return FALSE;
      }
    }
  } catch (...) {
    // Only memory can run out here; the window stays as it was.
    return FALSE;
  }
}

std::string Dialog::Text(int id) const {
  HWND control = GetDlgItem(hwnd_, id);
  const int length = GetWindowTextLengthA(control);
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  GetWindowTextA(control, buffer.data(), length + 1);
  std::string text(buffer.data());
  SecureZeroMemory(buffer.data(), buffer.size());
  return text;
}

void Dialog::SetStandardIcon(int id, LPCSTR icon) const {
  SendDlgItemMessageA(hwnd_, id, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, icon)), 0);
}

}  // namespace contave
