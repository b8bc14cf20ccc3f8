#include "WindowDriver.h"

#include <vector>

namespace velor::testing {
namespace {

struct Search {
    const std::string* title;
    DWORD process;
    HWND found;
};

BOOL CALLBACK visit(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->process || !IsWindowVisible(window)) return TRUE;
    if (WindowText(window) == *search->title) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND WaitForWindow(const std::string& title, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 50) {
        Search search{&title, GetCurrentProcessId(), nullptr};
        EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(50);
    }
    return nullptr;
}

std::string WindowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    GetWindowTextA(window, text.data(), length + 1);
    return text.data();
}

std::string ControlText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

std::string MessageBoxText(HWND box) {
    // The message text is the box's static control 0xFFFF.
    return ControlText(box, 0xFFFF);
}

void Press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string AnswerMessageBox(const std::string& caption, int button, int timeoutMs) {
    HWND box = WaitForWindow(caption, timeoutMs);
    if (!box) return kNoMessageBox;
    std::string text = MessageBoxText(box);
    Press(box, button);
    return text;
}

}  // namespace velor::testing
