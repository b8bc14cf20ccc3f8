// The subclasses inside Outlook Express: the main window, its folder pane and the pane's tree
// view, and the splash screen with the banner under it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "velhook/Accounts_win32.h"
#include "velhook/Subclass_win32.h"

namespace velor::velhook {

// The registered message by which a main window answers whether it is subclassed already.
UINT MainWindowMarkerMessage();
// Sent to the folder pane once it is subclassed: attach to the tree view.
inline constexpr UINT kPaneAttachTreeMessage = 0x9000;
// The tree's image for enabled accounts until the extension's icon has been added.
inline constexpr int kDefaultAccountImage = 19;

// The tree view of the folder pane, while it exists; the extension icon's image index.
HWND FolderTree();
int ExtensionIconIndex();
// The language identifier copied from the shared state when the main window was made.
WORD ProcessLanguage();
// Gives an account's item in the folder tree the picture of its state: the extension's when
// enabled, the default account picture when not.
void ShowAccountPicture(HWND tree, HTREEITEM account, bool enabled);
// The same for the account-level item labelled exactly name, when the folder tree has one.
void ShowAccountPictureNamed(const std::string& name, bool enabled);

class TreeViewSubclass : public Subclass {
protected:
    bool Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class FolderPaneSubclass : public Subclass {
protected:
    bool Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnFinalMessage(HWND window) override;

private:
    TreeViewSubclass tree_;
};

class MainWindowSubclass : public Subclass {
public:
    MainWindowSubclass();

protected:
    bool Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnFinalMessage(HWND window) override;

private:
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);

    FolderPaneSubclass pane_;
    UINT marker_;
    bool firstShow_ = true;  // for the first-run dialog shown when the window first appears
    std::vector<AccountEntry> enabledAccounts_;  // as the Tools pop-up last listed them
};

class SplashSubclass : public Subclass {
protected:
    bool Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnFinalMessage(HWND window) override;

private:
    void ShowBanner();
    HWND banner_ = nullptr;
};

}  // namespace velor::velhook
