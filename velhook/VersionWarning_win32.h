// The warning shown when Outlook Express's version is not on the supported list: the texts of the
// module's strings 200 and 201 with the supported versions between them, a real "Don't show this
// message again" check box, OK and Cancel (the default).
#pragma once

#include <windows.h>

#include "velhook/LaunchRules.h"

namespace velor::velhook {

struct VersionWarningChoice {
    bool accepted = false;       // OK
    bool dontShowAgain = false;  // the check box was ticked
};

VersionWarningChoice ShowVersionWarning(HWND owner, const FileVersion& found);

}  // namespace velor::velhook
