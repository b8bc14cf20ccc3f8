#include "velhook/Subclass_win32.h"

namespace velor::velhook {
namespace {

constexpr char kSubclassProperty[] = "Velor.Velhook.Subclass";

}  // namespace

Subclass::~Subclass() {
    Detach();
}

bool Subclass::Attach(HWND window) {
    if (window_ || !window || GetPropA(window, kSubclassProperty)) return false;
    if (!SetPropA(window, kSubclassProperty, this)) return false;
    SetLastError(0);
    auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Subclass::Route)));
    if (!previous && GetLastError() != 0) {
        RemovePropA(window, kSubclassProperty);
        return false;
    }
    window_ = window;
    previous_ = previous;
    return true;
}

void Subclass::Detach() {
    if (!window_) return;
    if (GetWindowLongPtrA(window_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Subclass::Route))
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    if (GetPropA(window_, kSubclassProperty) == this) RemovePropA(window_, kSubclassProperty);
    window_ = nullptr;
}

LRESULT Subclass::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
    return previous_ ? CallWindowProcA(previous_, window_, message, wParam, lParam)
                     : DefWindowProcA(window_, message, wParam, lParam);
}

LRESULT CALLBACK Subclass::Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<Subclass*>(GetPropA(window, kSubclassProperty));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        LRESULT result = self->CallPrevious(message, wParam, lParam);
        self->Detach();
        self->OnFinalMessage(window);
        return result;
    }
    LRESULT result = 0;
    if (self->Handle(message, wParam, lParam, &result)) return result;
    return self->CallPrevious(message, wParam, lParam);
}

}  // namespace velor::velhook
