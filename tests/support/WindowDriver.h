// Drives the modal windows that a call under test shows, from a second thread: waits for a window
// by its title, reads and sets its controls by identifier, and presses its buttons.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>

namespace velor::testing {

// The first visible top-level window of this process whose title is exactly title, waited for
// up to timeoutMs; null when none came.
HWND WaitForWindow(const std::string& title, int timeoutMs = 10000);

// The window's text, or a control's text by identifier.
std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);

// The text of a message box (its static text control).
std::string MessageBoxText(HWND box);

// Presses a button by identifier (posting, as a click would arrive).
void Press(HWND dialog, int id);

// Waits for a message box with this caption, presses the button and returns the box's text;
// kNoMessageBox when none came.
inline constexpr const char kNoMessageBox[] = "<no message box>";
std::string AnswerMessageBox(const std::string& caption, int button, int timeoutMs = 10000);

// Saves what the screen shows of the window, frame included, as a 24-bit BMP file: taken inside
// a Wine virtual desktop, where Wine draws the frames itself. False when it could not be saved.
bool SaveScreenshot(HWND window, const std::string& path);

// Runs the action on a second thread while the call under test runs on this one.
class Driver {
public:
    explicit Driver(std::function<void()> action) : thread_(std::move(action)) {}
    ~Driver() {
        if (thread_.joinable()) thread_.join();
    }

private:
    std::thread thread_;
};

}  // namespace velor::testing
