#include "velcore/protocol/DialogBase_win32.h"

#include "velcore/protocol/ResourceModule_win32.h"

namespace velor {

INT_PTR DialogBase::RunModal(HWND owner, unsigned templateId) {
    return DialogBoxParamA(ResourceModuleFor(RT_DIALOG, templateId), MAKEINTRESOURCEA(templateId), owner, &DialogBase::Procedure,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK DialogBase::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogBase* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<DialogBase*>(lParam);
        self->window_ = window;
        SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<DialogBase*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!self) return FALSE;
    INT_PTR result = FALSE;
    try {
        result = self->handle(message, wParam, lParam);
    } catch (...) {
        // A handler that failed leaves the dialog as it was; the exception must not unwind
        // through the system's dialog manager.
        result = FALSE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, DWLP_USER, 0);
        self->window_ = nullptr;
    }
    return result;
}

INT_PTR DialogBase::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: return OnInit();
        case WM_COMMAND: OnCommand(HIWORD(wParam), LOWORD(wParam)); return TRUE;
        default: return OnMessage(message, wParam, lParam);
    }
}

}  // namespace velor
