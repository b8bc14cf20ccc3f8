// The link control: underlined text in Internet Explorer's anchor colours with a hand cursor over
// it, which tells its parent of a click (WM_NOTIFY, NM_CLICK, the control's identifier) and is
// painted as visited once the parent answers the click with a non-zero result. A static control
// of a dialog template becomes one through MakeLink; a window of the module's own class
// kLinkClassName is one from its creation.
#pragma once

#include <windows.h>

namespace velor::velhook {

inline constexpr char kLinkClassName[] = "VlSysLink";

// Takes every "<a>" and "</a>" out of the static's text, sets the text back and subclasses the
// control; it also becomes a tab stop, so Enter or Space can follow the link. False when the
// window cannot be subclassed.
bool MakeLink(HWND staticControl);

// Registers the kLinkClassName window class of this module once per process (the window colour
// as background, the arrow as class cursor). True when the class is registered when it returns.
bool RegisterLinkClass();

}  // namespace velor::velhook
