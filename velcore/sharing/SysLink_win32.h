// VlSysLink: Velcore's own hyperlink control, a line of text drawn underlined in the link colour
// of Internet Explorer ("Anchor Color" under HKCU\Software\Microsoft\Internet Explorer\Settings),
// with the hand cursor. A click, or Enter or Space while it has the focus, sends its parent
// WM_COMMAND with BN_CLICKED and the control's identifier, as a button would.
#pragma once

#include <windows.h>

namespace velor {

inline constexpr char kSysLinkClass[] = "VlSysLink";

// Registers the class local to the module (a dialog template of that module can then name
// it); registering it again is harmless. The registration lasts while the object lives.
class SysLinkClass {
public:
    explicit SysLinkClass(HINSTANCE module);
    ~SysLinkClass();
    SysLinkClass(const SysLinkClass&) = delete;
    SysLinkClass& operator=(const SysLinkClass&) = delete;

private:
    HINSTANCE module_;
    bool registered_ = false;
};

// The link colour: "R,G,B" from the registry, blue when it is missing or unreadable.
COLORREF LinkColour();

}  // namespace velor
