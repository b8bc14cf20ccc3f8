// A window subclass bound to an object: the window's procedure is replaced by one that hands each
// message to the object, which handles it or passes it to the previous procedure. At the window's
// last message (WM_NCDESTROY) the previous procedure is put back when the window still uses ours,
// and the object's final step runs.
#pragma once

#include <windows.h>

namespace velor::velhook {

class Subclass {
public:
    Subclass() = default;
    virtual ~Subclass();
    Subclass(const Subclass&) = delete;
    Subclass& operator=(const Subclass&) = delete;

    // False when the window's procedure cannot be replaced; the object then stays unattached.
    bool Attach(HWND window);
    HWND window() const { return window_; }
    bool attached() const { return window_ != nullptr; }

protected:
    // Handles a message and gives its result; false passes it to the previous procedure.
    virtual bool Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) { return false; }
    // Runs after the window's last message has been handled (the window is named, as the object
    // is detached by then); the object may delete itself here.
    virtual void OnFinalMessage(HWND window) {}
    LRESULT CallPrevious(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Detach();

    HWND window_ = nullptr;
    WNDPROC previous_ = nullptr;
};

}  // namespace velor::velhook
