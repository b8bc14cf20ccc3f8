// What the extension adds to Outlook Express's property sheets when the dialog hook catches them:
// on an account's first page, the switch for the extension with its link; on a server folder's
// sheet, the runtime library's "Sharing and Security" page. Both take the request kept when the
// properties command armed the hook.
#pragma once

#include <windows.h>

namespace velor::velhook {

// The page's private message that makes the added controls work once they are on it.
inline constexpr UINT kAccountPageInitMessage = 0x9000;
// The sheet's tab control, by which a property sheet is told from other dialogs.
inline constexpr int kSheetTabControl = 0x3020;
// The account page's control after which the added controls come in the tab order.
inline constexpr int kOeIncludeAccount = 2018;

bool AttachAccountPropertySheet(HWND sheet);
bool AttachFolderPropertySheet(HWND sheet);

}  // namespace velor::velhook
