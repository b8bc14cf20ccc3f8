// The one-shot dialog hook: a command of Outlook Express that opens one of its dialogs (the
// accounts dialog, the IMAP folders dialog, an account's or a folder's properties) arms it, and
// the next dialog made on the thread gets the extension's additions for that kind. It is removed
// once it has caught a dialog, before it is armed again, and when the command that armed it
// returns, so a dialog opened later for another reason is never taken for the armed one.
#pragma once

#include <windows.h>

#include <string>

#include "velhook/Accounts_win32.h"
#include "velhook/FolderTreeItems_win32.h"
#include "velhook/Subclass_win32.h"

namespace velor::velhook {

enum class DialogKind { kNone = 0, kAccounts = 1, kImapFolders = 2, kAccountProperties = 3, kFolderProperties = 4 };

// Outlook Express's commands that open the dialogs.
inline constexpr UINT kOeProperties = 40122;
inline constexpr UINT kOeAccounts = 40203;
inline constexpr UINT kOeImapFolders = 40316;

// Installs the hook for this thread with the kind; an earlier arming is removed first. False (and
// nothing armed) when the hook cannot be installed.
bool ArmDialogHook(DialogKind kind);
void DisarmDialogHook();
DialogKind ArmedDialogKind();

// Removes the hook when the scope that armed it ends.
class DisarmOnReturn {
public:
    DisarmOnReturn() = default;
    ~DisarmOnReturn() { DisarmDialogHook(); }
    DisarmOnReturn(const DisarmOnReturn&) = delete;
    DisarmOnReturn& operator=(const DisarmOnReturn&) = delete;
};

// What a properties sheet is opened for: the account's key, and for a folder its path and whether
// the sharing page is to come first.
struct PropertySheetRequest {
    RegistryKey account;
    std::string folderPath;
    bool sharingPageFirst = false;
};

// Keeps the request for the sheet about to open; an earlier one's key is closed.
void KeepPropertySheetRequest(PropertySheetRequest request);
// Hands the kept request to the sheet that opens (the caller owns it then).
PropertySheetRequest TakePropertySheetRequest();

// Arms the hook for the properties of the target, as its properties command is about to open
// them: kind 4 for a folder, kind 3 for the account. Only an IMAP account of this server that is
// found (and, when asked, enabled) gets the additions; anything else opens Outlook Express's
// sheet as it is. True when armed.
bool ArmPropertiesFor(const TreeTarget& target, bool sharingPageFirst, bool requireEnabled);

// A subclass that the hook puts on the dialog it catches. The dialog is checked once its controls
// exist (at WM_INITDIALOG, before the dialog's own handling): a dialog that is not the one armed
// for (a message box is a dialog too) is left entirely to its own procedure. The object deletes
// itself with its window.
class ArmedDialogSubclass : public Subclass {
protected:
    // Whether the dialog is the expected one; its controls exist, its own WM_INITDIALOG has not run.
    virtual bool IsExpected() = 0;
    // The kind's handling, for an expected dialog only.
    virtual bool HandleExpected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) = 0;

private:
    bool Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) final;
    void OnFinalMessage(HWND window) override { delete this; }

    bool checked_ = false;
    bool expected_ = false;
};

// The accounts dialog's addition: at its properties button, arm for the selected account.
bool AttachAccountsDialog(HWND dialog);

}  // namespace velor::velhook
