#include "velcore/rules/RulesWindow_win32.h"

#include <commctrl.h>

#include "velcore/protocol/DialogBase_win32.h"
#include "velcore/protocol/Messages_win32.h"
#include "velcore/protocol/ResourceModule_win32.h"
#include "velcore/res/RulesResource.h"
#include "velcore/rules/ConditionMatching.h"
#include "velcore/rules/DescriptionControl_win32.h"
#include "velcore/rules/RuleEditor_win32.h"
#include "velcore/rules/RuleList.h"
#include "velcore/rules/RuleStringIds.h"
#include "velcore/rules/ScriptEditor_win32.h"
#include "velcore/rules/SieveWriter.h"
#include "velcore/rules/TextCompare.h"

namespace velor::rules {
namespace {

constexpr char kWindowProperty[] = "VelorRulesWindow";

class RulesWindow : public DialogBase {
public:
    RulesWindow(const RulesContext& context, SieveCommand** script)
        : context_(context), script_(script), rules_(script), description_(context, false) {}

protected:
    BOOL OnInit() override {
        description_.Create(window(), IDC_RULES_DESCRIPTION);
        HWND list = List();
        ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
        ListView_SetCallbackMask(list, LVIS_STATEIMAGEMASK);
        // The boxes of an owner-data list are the owner's: what a list does with a click on one
        // differs between list versions (some switch a state they do not keep, some report
        // nothing), so the clicks and the space bar that switch a rule are taken before the
        // list sees them.
        SetPropA(list, kWindowProperty, this);
        listProcedure_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RulesWindow::ListProcedure)));
        RECT client;
        GetClientRect(list, &client);
        LVCOLUMNA column{};
        column.mask = LVCF_WIDTH;
        column.cx = client.right - client.left - GetSystemMetrics(SM_CXVSCROLL);
        SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
        for (std::size_t i = 0; i < rules_.Size(); ++i) {
            SieveCommand* rule = rules_.At(i);
            rule->editable = CheckVisuallyEditable(*context_.catalogue, rule) == kRuleOk;
        }
        Recount();
        if (rules_.Size() > 0) Select(0);
        Update();
        SetFocus(list);
        return FALSE;
    }

    void OnCommand(WORD code, WORD id) override {
        switch (id) {
        case IDC_RULES_NEW: New(); return;
        case IDC_RULES_MODIFY: Modify(); return;
        case IDC_RULES_COPY: Copy(); return;
        case IDC_RULES_REMOVE: Remove(); return;
        case IDC_RULES_EDIT_SCRIPT: EditScript(); return;
        case IDC_RULES_MOVE_UP: Move(-1); return;
        case IDC_RULES_MOVE_DOWN: Move(1); return;
        case IDC_RULES_DESCRIPTION:
            if (code == kDescriptionChanged) {
                modified_ = true;
                int row = Selected();
                if (row >= 0) ListView_RedrawItems(List(), row, row);
            }
            return;
        default: DialogBase::OnCommand(code, id);
        }
    }

    void OnOK() override { end(modified_ ? IDOK : IDCANCEL); }

    INT_PTR OnMessage(UINT message, WPARAM, LPARAM lParam) override {
        if (message != WM_NOTIFY) return FALSE;
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->idFrom != IDC_RULES_LIST) return FALSE;
        switch (header->code) {
        case LVN_GETDISPINFOA: Display(reinterpret_cast<NMLVDISPINFOA*>(lParam)->item); return TRUE;
        case LVN_ODFINDITEMA: {
            auto* find = reinterpret_cast<NMLVFINDITEMA*>(lParam);
            SetWindowLongPtrA(window(), DWLP_MSGRESULT, Find(find->iStart, find->lvfi));
            return TRUE;
        }
        case LVN_ODFINDITEMW: {
            // Some lists ask in Unicode even of a window that takes its notifications in ANSI.
            auto* find = reinterpret_cast<NMLVFINDITEMW*>(lParam);
            std::string text;
            if (find->lvfi.psz != nullptr) {
                char buffer[kRuleNameSize * 2] = {};
                WideCharToMultiByte(CP_ACP, 0, find->lvfi.psz, -1, buffer, sizeof buffer - 1, nullptr, nullptr);
                text = buffer;
            }
            LVFINDINFOA info{};
            info.flags = find->lvfi.flags;
            info.psz = text.c_str();
            SetWindowLongPtrA(window(), DWLP_MSGRESULT, Find(find->iStart, info));
            return TRUE;
        }
        case LVN_ITEMCHANGED:
        case LVN_ODSTATECHANGED: Update(); return TRUE;
        case NM_DBLCLK: {
            auto* activate = reinterpret_cast<NMITEMACTIVATE*>(lParam);
            if (activate->iItem >= 0) {
                LVHITTESTINFO hit{};
                hit.pt = activate->ptAction;
                if (ListView_HitTest(List(), &hit) >= 0 && (hit.flags & LVHT_ONITEMSTATEICON)) return TRUE;
                Select(activate->iItem);
                if (rules_.At(static_cast<std::size_t>(activate->iItem))->editable) Modify();
            }
            return TRUE;
        }
        case LVN_KEYDOWN: {
            auto* key = reinterpret_cast<NMLVKEYDOWN*>(lParam);
            if (key->wVKey == VK_DELETE && Selected() >= 0) {
                Remove();
            }
            return TRUE;
        }
        default: return FALSE;
        }
    }

private:
    HWND List() const { return item(IDC_RULES_LIST); }

    int Selected() const { return ListView_GetNextItem(List(), -1, LVNI_SELECTED); }
    int SelectedCount() const { return static_cast<int>(SendMessageA(List(), LVM_GETSELECTEDCOUNT, 0, 0)); }

    void Select(int row) {
        HWND list = List();
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        if (row >= 0) {
            ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            ListView_EnsureVisible(list, row, FALSE);
        }
        Update();
    }

    void Recount() {
        ListView_SetItemCountEx(List(), static_cast<int>(rules_.Size()), LVSICF_NOSCROLL);
        InvalidateRect(List(), nullptr, TRUE);
    }

    void Display(LVITEMA& entry) {
        if (entry.iItem < 0 || static_cast<std::size_t>(entry.iItem) >= rules_.Size()) return;
        const SieveCommand* rule = rules_.At(static_cast<std::size_t>(entry.iItem));
        if (entry.mask & LVIF_TEXT) {
            std::string shown = ShownName(rule, *context_.catalogue);
            lstrcpynA(entry.pszText, shown.c_str(), entry.cchTextMax);
        }
        if (entry.mask & LVIF_STATE) {
            entry.state = (entry.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(rule->enabled ? 2 : 1);
            entry.stateMask |= LVIS_STATEIMAGEMASK;
        }
    }

    // Type-ahead: the first rule from the start row on whose name is the text (or begins with
    // it, as the list asks while the user types).
    LRESULT Find(int start, const LVFINDINFOA& info) {
        if (!(info.flags & (LVFI_STRING | LVFI_PARTIAL)) || info.psz == nullptr) return -1;
        const std::string wanted = info.psz;
        const std::size_t count = rules_.Size();
        const std::size_t first = start >= 0 && static_cast<std::size_t>(start) < count ? static_cast<std::size_t>(start) : 0;
        for (std::size_t n = 0; n < count; ++n) {
            std::size_t row = first + n;
            if (row >= count) {
                if (!(info.flags & LVFI_WRAP)) break;
                row -= count;
            }
            std::string name = ShownName(rules_.At(row), *context_.catalogue);
            if ((info.flags & LVFI_PARTIAL) ? EqualsIgnoringCase(name.substr(0, wanted.size()), wanted)
                                            : EqualsIgnoringCase(name, wanted)) {
                return static_cast<LRESULT>(row);
            }
        }
        return -1;
    }

    void Update() {
        const int selected = Selected();
        const int count = SelectedCount();
        const int rows = static_cast<int>(rules_.Size());
        EnableWindow(item(IDC_RULES_MOVE_UP), count == 1 && selected > 0);
        EnableWindow(item(IDC_RULES_MOVE_DOWN), count == 1 && selected >= 0 && selected < rows - 1);
        const bool one = count == 1 && selected >= 0;
        for (int id : {IDC_RULES_MODIFY, IDC_RULES_COPY, IDC_RULES_REMOVE, IDC_RULES_EDIT_SCRIPT})
            EnableWindow(item(id), one);
        if (one && !rules_.At(static_cast<std::size_t>(selected))->editable) EnableWindow(item(IDC_RULES_MODIFY), FALSE);
        description_.Show(one ? rules_.At(static_cast<std::size_t>(selected)) : nullptr, count > 1);
    }

    static LRESULT CALLBACK ListProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = static_cast<RulesWindow*>(GetPropA(list, kWindowProperty));
        if (self == nullptr) return DefWindowProcA(list, message, wParam, lParam);
        WNDPROC previous = self->listProcedure_;
        switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            LVHITTESTINFO hit{};
            hit.pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (ListView_HitTest(list, &hit) >= 0 && (hit.flags & LVHT_ONITEMSTATEICON)) {
                SetFocus(list);
                self->Toggle(hit.iItem);
                return 0;
            }
            break;
        }
        case WM_KEYDOWN:
            if (wParam == VK_SPACE) {
                int row = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
                if (row < 0) row = self->Selected();
                self->Toggle(row);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == L' ') return 0;  // the space bar switched a rule; it does not search
            break;
        case WM_NCDESTROY:
            SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            RemovePropA(list, kWindowProperty);
            break;
        default: break;
        }
        return CallWindowProcA(previous, list, message, wParam, lParam);
    }

    void Toggle(int row) {
        if (row < 0 || static_cast<std::size_t>(row) >= rules_.Size()) return;
        SieveCommand* rule = rules_.At(static_cast<std::size_t>(row));
        SetRuleEnabled(rule, !rule->enabled);
        modified_ = true;
        Select(row);
        ListView_RedrawItems(List(), row, row);
    }

    void New() {
        CommandListPtr rule(NewCommand(CommandKind::If));
        if (!rule) return;
        if (RunRuleEditor(window(), context_, rule.get()) != IDOK) return;
        rule->editable = CheckVisuallyEditable(*context_.catalogue, rule.get()) == kRuleOk;
        rules_.Append(rule.release());
        modified_ = true;
        Recount();
        Select(static_cast<int>(rules_.Size()) - 1);
    }

    void Modify() {
        int row = Selected();
        if (row < 0 || SelectedCount() != 1 || !rules_.At(static_cast<std::size_t>(row))->editable) return;
        CommandListPtr copy(CopyCommand(rules_.At(static_cast<std::size_t>(row)), true));
        if (!copy) return;
        if (RunRuleEditor(window(), context_, copy.get()) != IDOK) return;
        copy->editable = CheckVisuallyEditable(*context_.catalogue, copy.get()) == kRuleOk;
        rules_.Replace(static_cast<std::size_t>(row), copy.release());
        modified_ = true;
        ListView_RedrawItems(List(), row, row);
        Select(row);
    }

    void Copy() {
        int row = Selected();
        if (row < 0 || SelectedCount() != 1) return;
        const SieveCommand* source = rules_.At(static_cast<std::size_t>(row));
        CommandListPtr copy(CopyCommand(source, true));
        if (!copy) return;
        // A notify or vacation rule's name field holds its address or subject: it keeps it.
        if (HasRuleName(copy.get())) {
            std::optional<std::string> name =
                CopyName(ShownName(source, *context_.catalogue), RulesText(IDS_RULE_COPY_OF),
                         RulesText(IDS_RULE_COPY_N_OF),
                         [this](const std::string& candidate) { return rules_.FindByName(candidate).has_value(); });
            if (!name) return;
            SetText(copy->name, *name);
        }
        rules_.InsertAfter(static_cast<std::size_t>(row), copy.release());
        modified_ = true;
        Recount();
        Select(row + 1);
    }

    void Remove() {
        int row = Selected();
        if (row < 0 || SelectedCount() != 1) return;
        if (ShowMessage(window(), MB_YESNO | MB_ICONQUESTION, IDS_RULES_REMOVE_QUESTION) != IDYES) return;
        rules_.Remove(static_cast<std::size_t>(row));
        modified_ = true;
        Recount();
        const int rows = static_cast<int>(rules_.Size());
        Select(rows == 0 ? -1 : (row < rows ? row : rows - 1));
    }

    void Move(int step) {
        int row = Selected();
        if (row < 0 || SelectedCount() != 1) return;
        int other = row + step;
        if (other < 0 || static_cast<std::size_t>(other) >= rules_.Size()) return;
        rules_.SwapWithNext(static_cast<std::size_t>(step < 0 ? other : row));
        modified_ = true;
        ListView_RedrawItems(List(), row < other ? row : other, row < other ? other : row);
        Select(other);
    }

    void EditScript() {
        int row = Selected();
        if (row < 0 || SelectedCount() != 1) return;
        SieveCommand* old = rules_.At(static_cast<std::size_t>(row));
        ScriptEditor editor;
        editor.text = WriteRuleInline(old);
        editor.parseOnOk = true;
        editor.singleRule = true;
        if (editor.Run(window(), context_) != IDOK) return;
        modified_ = true;
        if (!editor.result) {
            rules_.Remove(static_cast<std::size_t>(row));
            Recount();
            const int rows = static_cast<int>(rules_.Size());
            Select(rows == 0 ? -1 : (row < rows ? row : rows - 1));
            return;
        }
        SieveCommand* edited = editor.result.release();
        // The inline text carries neither name nor state: both come over from the old rule, so
        // a rule the user switched off is not switched on by editing its text.
        if (HasRuleName(edited) && HasRuleName(old)) SetText(edited->name, old->name);
        SetRuleEnabled(edited, old->enabled != 0);
        edited->editable = CheckVisuallyEditable(*context_.catalogue, edited) == kRuleOk;
        rules_.Replace(static_cast<std::size_t>(row), edited);
        ListView_RedrawItems(List(), row, row);
        Select(row);
    }

    const RulesContext& context_;
    SieveCommand** script_;
    RuleList rules_;
    DescriptionControl description_;
    bool modified_ = false;
    WNDPROC listProcedure_ = nullptr;
};

}  // namespace

INT_PTR RunRulesWindow(HWND owner, const RulesContext& context, SieveCommand** script) {
    RulesWindow window(context, script);
    return window.RunModal(owner, IDD_RULES);
}

}  // namespace velor::rules
