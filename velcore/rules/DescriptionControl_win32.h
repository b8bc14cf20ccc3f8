// The rich-edit control that shows a rule's description with its value links, in place of a
// placeholder control of the dialog. A click on a link opens the value's dialog; when the value
// changed, the description is rebuilt and the parent gets WM_COMMAND with the notification
// kDescriptionChanged from the control's identifier.
#pragma once

#include <windows.h>

#include <vector>

#include "velcore/rules/DescriptionRtf.h"
#include "velcore/rules/RulesContext_win32.h"

namespace velor::rules {

constexpr WORD kDescriptionChanged = 0x8000;

class DescriptionControl {
public:
    DescriptionControl(const RulesContext& context, bool editorMode) : context_(context), editor_(editorMode) {}
    ~DescriptionControl();

    // Replaces the placeholder with the control: same rectangle, identifier and font.
    bool Create(HWND dialog, int placeholderId);
    HWND Handle() const { return control_; }

    // Shows the rule (null: none selected); `several` when more than one row is selected.
    // Returns whether every value is present (always true outside the editor).
    bool Show(SieveCommand* rule, bool several = false);
    bool Valid() const { return valid_; }
    const std::vector<DescriptionLink>& Links() const { return links_; }

    // Opens the dialog of the link; true when its value changed.
    bool Activate(const DescriptionLink& link);

private:
    static LRESULT CALLBACK Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Mouse(UINT message, WPARAM wParam, LPARAM lParam);
    void Stream(const std::string& rtf);

    const RulesContext& context_;
    bool editor_;
    HWND dialog_ = nullptr;
    HWND control_ = nullptr;
    int id_ = 0;
    WNDPROC previous_ = nullptr;
    SieveCommand* rule_ = nullptr;
    bool several_ = false;
    bool valid_ = true;
    bool pressed_ = false;
    std::vector<DescriptionLink> links_;
    std::vector<LinkTarget> targets_;
};

}  // namespace velor::rules
