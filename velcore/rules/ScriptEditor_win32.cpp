#include "velcore/rules/ScriptEditor_win32.h"

#include <commctrl.h>

#include <cstdio>
#include <vector>

#include "velcore/protocol/DialogBase_win32.h"
#include "velcore/protocol/Messages_win32.h"
#include "velcore/protocol/ResourceModule_win32.h"
#include "velcore/res/RulesResource.h"
#include "velcore/res/resource.h"
#include "velcore/rules/ConditionMatching.h"
#include "velcore/rules/ScriptDisplay.h"
#include "velcore/rules/SieveReader.h"

namespace velor::rules {
namespace {

std::string ErrorText(int line, const std::string& message) {
    std::string format = LoadResourceString(IDS_RULES_ERROR_DETAILS);
    std::vector<char> details(format.size() + message.size() + 32);
    std::snprintf(details.data(), details.size(), format.c_str(), line, message.c_str());
    return LoadResourceString(IDS_RULES_SCRIPT_ERROR) + "\n\n" + details.data();
}

class ScriptEditorDialog : public DialogBase {
public:
    ScriptEditorDialog(ScriptEditor& editor, const RulesContext& context) : editor_(editor), context_(context) {}
    ~ScriptEditorDialog() override {
        if (font_ != nullptr) DeleteObject(font_);
    }

protected:
    BOOL OnInit() override {
        HWND edit = item(IDC_SCRIPT_EDITOR_TEXT);
        // Script text lines up in columns: a fixed-pitch font.
        font_ = CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New");
        if (font_ != nullptr) SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        SendMessageA(edit, EM_LIMITTEXT, 0, 0);
        SetWindowTextA(edit, PrepareScriptForDisplay(editor_.text).c_str());
        RECT window_rect, client;
        GetWindowRect(window(), &window_rect);
        minimum_ = {window_rect.right - window_rect.left, window_rect.bottom - window_rect.top};
        GetClientRect(window(), &client);
        lastClient_ = {client.right, client.bottom};
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, 0);
        return FALSE;  // the focus is set
    }
    INT_PTR OnMessage(UINT message, WPARAM, LPARAM lParam) override {
        if (message == WM_GETMINMAXINFO && minimum_.x > 0) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize.x = minimum_.x * 2 / 3;
            info->ptMinTrackSize.y = minimum_.y * 2 / 3;
            return TRUE;
        }
        if (message == WM_SIZE && lastClient_.x > 0) {
            Layout(LOWORD(lParam), HIWORD(lParam));
            return TRUE;
        }
        return FALSE;
    }
    void OnOK() override {
        HWND edit = item(IDC_SCRIPT_EDITOR_TEXT);
        std::string text = ScriptFromDisplay(WindowString(edit));
        if (!editor_.parseOnOk) {
            editor_.text = text;
            end(IDOK);
            return;
        }
        ParseOutcome outcome = ReadScript(text);
        if (!outcome.ok) {
            SelectLine(outcome.line);
            MessageBoxA(window(), ErrorText(outcome.line, outcome.message).c_str(),
                        LoadResourceString(IDS_CAPTION).c_str(), MB_OK | MB_ICONERROR);
            SetFocus(edit);
            return;
        }
        if (outcome.commands != nullptr) {
            if (editor_.singleRule && outcome.commands->next != nullptr) {
                ShowMessage(window(), MB_OK | MB_ICONERROR, IDS_RULES_ONE_RULE_ONLY);
                return;
            }
            outcome.commands->editable = CheckVisuallyEditable(*context_.catalogue, outcome.commands.get()) == kRuleOk;
        } else if (ShowMessage(window(), MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING, IDS_RULES_EMPTY_DELETES) != IDYES) {
            return;
        }
        editor_.text = text;
        editor_.result = std::move(outcome.commands);
        end(IDOK);
    }

private:
    void SelectLine(int line) {
        HWND edit = item(IDC_SCRIPT_EDITOR_TEXT);
        int lines = static_cast<int>(SendMessageA(edit, EM_GETLINECOUNT, 0, 0));
        int index = line - 1 < lines ? line - 1 : lines - 1;
        if (index < 0) return;
        int start = static_cast<int>(SendMessageA(edit, EM_LINEINDEX, index, 0));
        int length = static_cast<int>(SendMessageA(edit, EM_LINELENGTH, start, 0));
        SendMessageA(edit, EM_SETSEL, start, start + length);
        SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    }

    // The edit control takes the dialog's growth; the buttons and the grip keep their corner.
    void Layout(int width, int height) {
        const int dx = width - lastClient_.x, dy = height - lastClient_.y;
        lastClient_ = {width, height};
        HDWP batch = BeginDeferWindowPos(4);
        for (int id : {IDC_SCRIPT_EDITOR_TEXT, IDOK, IDCANCEL, IDC_SCRIPT_EDITOR_GRIP}) {
            HWND control = item(id);
            RECT r;
            GetWindowRect(control, &r);
            MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&r), 2);
            if (id == IDC_SCRIPT_EDITOR_TEXT) {
                batch = DeferWindowPos(batch, control, nullptr, 0, 0, r.right - r.left + dx, r.bottom - r.top + dy,
                                       SWP_NOMOVE | SWP_NOZORDER);
            } else {
                batch = DeferWindowPos(batch, control, nullptr, r.left + dx, r.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            }
        }
        EndDeferWindowPos(batch);
        InvalidateRect(window(), nullptr, TRUE);
    }

    ScriptEditor& editor_;
    const RulesContext& context_;
    HFONT font_ = nullptr;
    POINT minimum_{};
    POINT lastClient_{};
};

}  // namespace

INT_PTR ScriptEditor::Run(HWND owner, const RulesContext& context) {
    ScriptEditorDialog dialog(*this, context);
    return dialog.RunModal(owner, IDD_SCRIPT_EDITOR);
}

std::int32_t RepairFetchedScript(HWND owner, const RulesContext& context, const std::string& script, int line,
                                 const std::string& message, std::string& repaired, CommandListPtr& rules) {
    const std::string caption = LoadResourceString(IDS_CAPTION);
    if (message.empty()) {
        MessageBoxA(owner, LoadResourceString(IDS_RULES_SCRIPT_ERROR).c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
        return static_cast<std::int32_t>(0x80004005u);
    }
    std::string question = ErrorText(line, message) + "\n\n" + LoadResourceString(IDS_RULES_EDIT_MANUALLY);
    if (MessageBoxA(owner, question.c_str(), caption.c_str(), MB_YESNO | MB_ICONERROR) != IDYES) return 1;
    ScriptEditor editor;
    editor.text = script;
    editor.parseOnOk = true;
    editor.singleRule = false;
    if (editor.Run(owner, context) != IDOK) return 1;
    repaired = editor.text;
    rules = std::move(editor.result);
    return 0;
}

}  // namespace velor::rules
