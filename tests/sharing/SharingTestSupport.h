// What the sharing window tests share: the environment the script passes, a scratch registry
// that stands in for HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER (the address book is found
// through it), and list-view reading and clicking from the driving thread.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace velor::testing {

std::string Env(const char* name);

// The screenshot folder's file for the name; empty when the script gave no folder.
std::string ScreenshotPath(const std::string& name);

// HKLM and HKCU of the test process point into a scratch key while it lives; the address book
// stand-in is registered there (DLLPath) with the store file the script seeded.
class ScratchRegistry {
public:
    ScratchRegistry();
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

private:
    std::string name_;
    HKEY machine_ = nullptr, user_ = nullptr;
};

// The rows of a list view as its cells' texts, read from another thread of the process.
std::vector<std::vector<std::string>> ListRows(HWND list, int columns);
std::string ListCell(HWND list, int row, int column);
int ListSelectedRow(HWND list);
void ListSelect(HWND list, int row);
// A click or double-click in the middle of the row's first cell, as the mouse gives it.
void ListClickRow(HWND list, int row, bool twice);
// A click on the caption of the header item.
void ClickHeader(HWND list, int column);
// The header item's sort mark: 1 ascending, -1 descending, 0 none; read from the header's own
// marks (common controls 6) or from the picture beside the caption (older ones).
int HeaderSortMark(HWND list, int column);

// The first visible window of this process whose title is the text and that holds a control
// with the identifier; waited for up to timeoutMs.
HWND WaitForDialog(const std::string& title, int controlId, int timeoutMs = 15000);

}  // namespace velor::testing
