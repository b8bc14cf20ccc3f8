// The one dialog base of Velcore's windows: the dialog procedure stores the object at
// WM_INITDIALOG and forwards to virtual handlers. No C++ exception crosses it; the window's user
// data is cleared before the object goes.
#pragma once

#include <windows.h>

namespace velor {

class DialogBase {
public:
    virtual ~DialogBase() = default;

    // Runs the dialog modally from the resource module; returns the identifier it ended with,
    // or -1 when it could not be shown.
    INT_PTR RunModal(HWND owner, unsigned templateId);

protected:
    HWND window() const { return window_; }
    HWND item(int id) const { return GetDlgItem(window_, id); }
    void end(INT_PTR result) { EndDialog(window_, result); }

    virtual BOOL OnInit() { return TRUE; }
    virtual void OnCommand(WORD /*code*/, WORD id) {
        if (id == IDOK) OnOK();
        else if (id == IDCANCEL) OnCancel();
    }
    virtual void OnOK() { end(IDOK); }
    virtual void OnCancel() { end(IDCANCEL); }
    // Every other message (notifications, sizing, drawing): the dialog procedure's result.
    virtual INT_PTR OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) { return FALSE; }

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
};

}  // namespace velor
