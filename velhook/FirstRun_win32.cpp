#include "velhook/FirstRun_win32.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "velhook/Accounts_win32.h"
#include "velhook/HostWindows_win32.h"
#include "velhook/LinkControl_win32.h"
#include "velhook/Module_win32.h"
#include "velhook/RuntimeBinding_win32.h"
#include "velhook/SyncToolLaunch.h"
#include "velhook/res/Resource.h"

namespace velor::velhook {
namespace {

constexpr char kShowWelcomeMessageName[] = "_Velor_OE_Extensions_Show_Welcome_";
constexpr char kFirstRunValue[] = "VelorAccountsExt";
constexpr char kToolKey[] = "Software\\Velor\\Contave";
constexpr int kNameWidth = 175, kHostWidth = 110, kUserWidth = 110;

void CentreOnParent(HWND dialog) {
    RECT area{}, own{};
    HWND parent = GetParent(dialog);
    if (parent == nullptr || !IsWindowVisible(parent) || IsIconic(parent) || !GetWindowRect(parent, &area))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(dialog, &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    SetWindowPos(dialog, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The folder tree's item of the account takes the picture of its state at once.
struct WelcomeState {
    std::vector<AccountEntry>* accounts;
    HFONT bold = nullptr;
};

void InitWelcome(HWND dialog, WelcomeState& state) {
    CentreOnParent(dialog);
    LOGFONTA font{};
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    if (dialogFont && GetObjectA(dialogFont, sizeof font, &font)) {
        font.lfWeight = FW_BOLD;
        font.lfQuality = ANTIALIASED_QUALITY;
        state.bold = CreateFontIndirectA(&font);
        if (state.bold) SendDlgItemMessageA(dialog, IDC_WELCOME_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(state.bold), FALSE);
    }
    // "Learn more" is a link; its click opens the product's About box.
    if (HWND link = GetDlgItem(dialog, IDC_WELCOME_LINK)) MakeLink(link);

    HWND list = GetDlgItem(dialog, IDC_WELCOME_ACCOUNTS);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    const struct {
        UINT text;
        int width;
    } columns[] = {{IDS_ACCOUNT_NAME_COLUMN, kNameWidth}, {IDS_HOST_NAME_COLUMN, kHostWidth}, {IDS_USER_NAME_COLUMN, kUserWidth}};
    for (int i = 0; i < 3; ++i) {
        std::string caption = LoadModuleString(columns[i].text);
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.cx = columns[i].width;
        column.pszText = caption.data();
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    for (std::size_t i = 0; i < state.accounts->size(); ++i) {
        AccountEntry& account = (*state.accounts)[i];
        LVITEMA row{};
        row.mask = LVIF_TEXT | LVIF_PARAM;
        row.iItem = static_cast<int>(i);
        row.pszText = account.name.data();
        row.lParam = static_cast<LPARAM>(i);
        const int at = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row)));
        if (at < 0) continue;
        row.mask = LVIF_TEXT;
        row.iItem = at;
        row.iSubItem = 1;
        row.pszText = account.server.data();
        SendMessageA(list, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&row));
        row.iSubItem = 2;
        row.pszText = account.user.data();
        SendMessageA(list, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&row));
        ListView_SetCheckState(list, at, TRUE);
    }
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void ApplyWelcome(HWND dialog, WelcomeState& state) {
    HWND list = GetDlgItem(dialog, IDC_WELCOME_ACCOUNTS);
    const int rows = ListView_GetItemCount(list);
    for (int row = 0; row < rows; ++row) {
        LVITEMA entry{};
        entry.mask = LVIF_PARAM;
        entry.iItem = row;
        if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&entry))) continue;
        const std::size_t index = static_cast<std::size_t>(entry.lParam);
        if (index >= state.accounts->size()) continue;
        AccountEntry& account = (*state.accounts)[index];
        const bool enabled = ListView_GetCheckState(list, row) != 0;
        if (SUCCEEDED(SetAccountEnabled(account.key.get(), enabled))) ShowAccountPictureNamed(account.name, enabled);
    }
}

INT_PTR CALLBACK WelcomeProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<WelcomeState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            InitWelcome(dialog, *reinterpret_cast<WelcomeState*>(lParam));
            return TRUE;
        case WM_COMMAND: {
            const WORD id = LOWORD(wParam);
            if (id < IDOK || id > IDNO) return FALSE;
            if (id == IDOK && state) ApplyWelcome(dialog, *state);
            EndDialog(dialog, id);
            return TRUE;
        }
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (!header || header->idFrom != IDC_WELCOME_LINK || header->code != static_cast<UINT>(NM_CLICK)) return FALSE;
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, SUCCEEDED(Runtime().About()) ? 1 : 0);
            return TRUE;
        }
        case WM_DESTROY:
            if (state && state->bold) {
                DeleteObject(state->bold);
                state->bold = nullptr;
            }
            return FALSE;
        default: return FALSE;
    }
}

INT_PTR CALLBACK HintProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: CentreOnParent(dialog); return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) < IDOK || LOWORD(wParam) > IDNO) return FALSE;
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        default: return FALSE;
    }
}

std::string ToolPath() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kToolKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    char value[262] = {};
    DWORD size = sizeof value - 1, type = 0;
    LONG read = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    return ToolLocation(std::string(value, strnlen(value, sizeof value)));
}

}  // namespace

UINT ShowWelcomeMessage() {
    static UINT message = RegisterWindowMessageA(kShowWelcomeMessageName);
    return message;
}

void ShowWelcomeIfDue(HWND mainWindow) {
    std::vector<AccountEntry> accounts;
    ListAccounts(&accounts, false);
    RegistryKey key = OpenAccountsKey();
    DWORD shown = 0, size = sizeof shown, type = 0;
    if (!key || RegQueryValueExA(key.get(), kFirstRunValue, nullptr, &type, reinterpret_cast<BYTE*>(&shown), &size) !=
                    ERROR_SUCCESS || type != REG_DWORD)
        shown = 0;
    if (shown != 0) return;
    WelcomeState state{&accounts};
    DialogBoxParamA(ModuleHandle(), MAKEINTRESOURCEA(IDD_WELCOME), mainWindow, &WelcomeProcedure,
                    reinterpret_cast<LPARAM>(&state));
    const DWORD one = 1;
    if (key) RegSetValueExA(key.get(), kFirstRunValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
}

void ShowHint(HWND owner) {
    DialogBoxParamA(ModuleHandle(), MAKEINTRESOURCEA(IDD_HINT), owner ? owner : GetActiveWindow(), &HintProcedure, 0);
}

bool IsSyncToolInstalled() {
    const std::string path = ToolPath();
    if (path.empty()) return false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

void StartSyncTool(HWND owner, const char* host, const char* user, const char* password) {
    const std::string path = ToolPath();
    if (path.empty()) return;
    std::string parameters = SyncToolParameters(host ? host : "", user ? user : "", password ? password : "");
    ShellExecuteA(owner, "open", path.c_str(), parameters.c_str(), nullptr, SW_SHOWDEFAULT);
    // The password does not stay behind in freed memory.
    SecureZeroMemory(parameters.data(), parameters.size());
}

}  // namespace velor::velhook
