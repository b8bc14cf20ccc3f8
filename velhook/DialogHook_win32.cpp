#include "velhook/DialogHook_win32.h"

#include <cstring>
#include <utility>

#include "velhook/ImapFoldersDialog_win32.h"
#include "velhook/PropertySheets_win32.h"

namespace velor::velhook {
namespace {

constexpr char kDialogClass[] = "#32770";

HHOOK g_hook;
DialogKind g_kind = DialogKind::kNone;
PropertySheetRequest g_request;

void Attach(DialogKind kind, HWND dialog) {
    switch (kind) {
        case DialogKind::kAccounts: AttachAccountsDialog(dialog); break;
        case DialogKind::kImapFolders: AttachImapFoldersDialog(dialog); break;
        case DialogKind::kAccountProperties: AttachAccountPropertySheet(dialog); break;
        case DialogKind::kFolderProperties: AttachFolderPropertySheet(dialog); break;
        case DialogKind::kNone: break;
    }
}

LRESULT CALLBACK DialogHookProcedure(int code, WPARAM wParam, LPARAM lParam) {
    HHOOK hook = g_hook;
    if (code != HCBT_CREATEWND || g_kind == DialogKind::kNone) return CallNextHookEx(hook, code, wParam, lParam);
    HWND window = reinterpret_cast<HWND>(wParam);
    // Eight bytes are enough to tell the dialog class from any longer name that starts alike.
    char className[8] = {};
    if (!GetClassNameA(window, className, sizeof className) || std::strcmp(className, kDialogClass) != 0)
        return CallNextHookEx(hook, code, wParam, lParam);
    const DialogKind kind = g_kind;
    Attach(kind, window);
    LRESULT result = CallNextHookEx(hook, code, wParam, lParam);
    DisarmDialogHook();
    return result;
}

}  // namespace

bool ArmedDialogSubclass::Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_INITDIALOG && !checked_) {
        checked_ = true;
        expected_ = IsExpected();
    }
    return expected_ && HandleExpected(message, wParam, lParam, result);
}

bool ArmDialogHook(DialogKind kind) {
    DisarmDialogHook();
    if (kind == DialogKind::kNone) return false;
    g_hook = SetWindowsHookExA(WH_CBT, DialogHookProcedure, nullptr, GetCurrentThreadId());
    if (!g_hook) return false;
    g_kind = kind;
    return true;
}

void DisarmDialogHook() {
    g_kind = DialogKind::kNone;
    if (g_hook) UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
}

DialogKind ArmedDialogKind() {
    return g_kind;
}

void KeepPropertySheetRequest(PropertySheetRequest request) {
    g_request = std::move(request);
}

PropertySheetRequest TakePropertySheetRequest() {
    PropertySheetRequest request = std::move(g_request);
    g_request = PropertySheetRequest{};
    return request;
}

bool ArmPropertiesFor(const TreeTarget& target, bool sharingPageFirst, bool requireEnabled) {
    // Whatever an earlier arming kept is no longer wanted.
    KeepPropertySheetRequest(PropertySheetRequest{});
    if (!target.item || !target.ours || (requireEnabled && !target.enabled)) return false;
    if (target.isFolder() && !target.pathFits) return false;
    PropertySheetRequest request;
    if (!FindAccount(target.account.c_str(), nullptr, &request.account)) return false;
    const DialogKind kind = target.isFolder() ? DialogKind::kFolderProperties : DialogKind::kAccountProperties;
    if (kind == DialogKind::kFolderProperties) {
        request.folderPath = target.folderPath;
        request.sharingPageFirst = sharingPageFirst;
    }
    KeepPropertySheetRequest(std::move(request));
    if (ArmDialogHook(kind)) return true;
    KeepPropertySheetRequest(PropertySheetRequest{});
    return false;
}

}  // namespace velor::velhook
