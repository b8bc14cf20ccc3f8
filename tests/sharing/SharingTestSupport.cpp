#include "SharingTestSupport.h"

#include "WindowDriver.h"

#include <cstdlib>

namespace velor::testing {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ScreenshotPath(const std::string& name) {
    std::string folder = Env("VELOR_SCREENSHOTS");
    return folder.empty() ? std::string() : folder + "\\" + name;
}

namespace {

void setDefault(HKEY root, const char* path, const std::string& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) return;
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

}  // namespace

ScratchRegistry::ScratchRegistry() : name_("Software\\VelorTests\\sharing-" + std::to_string(GetCurrentProcessId())) {
    RegCreateKeyExA(HKEY_CURRENT_USER, (name_ + "\\machine").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &machine_, nullptr);
    RegCreateKeyExA(HKEY_CURRENT_USER, (name_ + "\\user").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &user_,
                    nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_);
    RegOverridePredefKey(HKEY_CURRENT_USER, user_);
    if (!Env("VELOR_WAB_DLL").empty())
        setDefault(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\WAB\\DLLPath", Env("VELOR_WAB_DLL"));
    if (!Env("VELOR_WAB_STORE").empty())
        setDefault(HKEY_CURRENT_USER, "Software\\Microsoft\\WAB\\WAB4\\Wab File Name", Env("VELOR_WAB_STORE"));
}

ScratchRegistry::~ScratchRegistry() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(user_);
    RegCloseKey(machine_);
    RegDeleteTreeA(HKEY_CURRENT_USER, name_.c_str());
}

std::string ListCell(HWND list, int row, int column) {
    char text[1024] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

std::vector<std::vector<std::string>> ListRows(HWND list, int columns) {
    std::vector<std::vector<std::string>> rows;
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::vector<std::string>& cells = rows.emplace_back();
        for (int column = 0; column < columns; ++column) cells.push_back(ListCell(list, row, column));
    }
    return rows;
}

int ListSelectedRow(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ListSelect(HWND list, int row) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void ListClickRow(HWND list, int row, bool twice) {
    SendMessageA(list, LVM_ENSUREVISIBLE, row, FALSE);
    RECT r{};
    r.left = LVIR_LABEL;
    SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    // Posted, as the mouse delivers them: a double-click may open a modal window, and a sent
    // message would not return before it closed.
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    if (twice) {
        PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageA(list, WM_LBUTTONUP, 0, at);
    }
    Sleep(200);
}

void ClickHeader(HWND list, int column) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    RECT r{};
    SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&r));
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(header, WM_LBUTTONUP, 0, at);
}

int HeaderSortMark(HWND list, int column) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    HDITEMA item{};
    item.mask = HDI_FORMAT | HDI_IMAGE;
    SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item));
    if (item.fmt & HDF_SORTUP) return 1;
    if (item.fmt & HDF_SORTDOWN) return -1;
    if (item.fmt & HDF_IMAGE) return item.iImage == 1 ? 1 : item.iImage == 2 ? -1 : 0;
    return 0;
}

namespace {

struct DialogSearch {
    const std::string* title;
    int control;
    HWND found;
};

BOOL CALLBACK visitDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<DialogSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && WindowText(window) == *search->title &&
        GetDlgItem(window, search->control)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND WaitForDialog(const std::string& title, int controlId, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 50) {
        DialogSearch search{&title, controlId, nullptr};
        EnumWindows(visitDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(50);
    }
    return nullptr;
}

}  // namespace velor::testing
