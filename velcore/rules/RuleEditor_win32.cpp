#include "velcore/rules/RuleEditor_win32.h"

#include <commctrl.h>

#include "velcore/protocol/DialogBase_win32.h"
#include "velcore/protocol/Messages_win32.h"
#include "velcore/protocol/ResourceModule_win32.h"
#include "velcore/res/RulesResource.h"
#include "velcore/rules/DescriptionControl_win32.h"
#include "velcore/rules/RuleEditing.h"

namespace velor::rules {
namespace {

void FillList(HWND list, HIMAGELIST states, const std::vector<std::string>& texts) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    ListView_SetImageList(list, states, LVSIL_STATE);
    RECT client;
    GetClientRect(list, &client);
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH;
    // The lists hold more rows than they show: room for the vertical scroll bar, so that no
    // horizontal one appears beside it.
    column.cx = client.right - client.left - GetSystemMetrics(SM_CXVSCROLL);
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    for (std::size_t row = 0; row < texts.size(); ++row) {
        LVITEMA entry{};
        entry.mask = LVIF_TEXT | LVIF_STATE;
        entry.iItem = static_cast<int>(row);
        entry.pszText = const_cast<char*>(texts[row].c_str());
        entry.state = INDEXTOSTATEIMAGEMASK(1);
        entry.stateMask = LVIS_STATEIMAGEMASK;
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&entry));
    }
}

void SetBox(HWND list, std::size_t row, RowBox box) {
    ListView_SetItemState(list, static_cast<int>(row), INDEXTOSTATEIMAGEMASK(static_cast<int>(box)),
                          LVIS_STATEIMAGEMASK);
}

class RuleEditorDialog : public DialogBase {
public:
    RuleEditorDialog(const RulesContext& context, SieveCommand* rule)
        : context_(context), rule_(rule), editing_(*context.catalogue, rule), description_(context, true) {}
    ~RuleEditorDialog() override {
        if (states_ != nullptr) ImageList_Destroy(states_);
    }

protected:
    BOOL OnInit() override {
        states_ = LoadRuleStateImages();
        std::vector<std::string> conditions, actions;
        for (const ConditionKind& kind : context_.catalogue->Conditions()) conditions.push_back(kind.listText);
        for (const ActionKind& kind : context_.catalogue->Actions()) actions.push_back(kind.listText);
        FillList(item(IDC_RULE_EDITOR_CRITERIA), states_, conditions);
        FillList(item(IDC_RULE_EDITOR_ACTIONS), states_, actions);
        ShowBoxes(true);
        SendMessageA(item(IDC_RULE_EDITOR_NAME), EM_LIMITTEXT, kRuleNameSize - 1, 0);
        SetDlgItemTextA(window(), IDC_RULE_EDITOR_NAME, rule_->name);
        description_.Create(window(), IDC_RULE_EDITOR_DESCRIPTION);
        description_.Show(rule_);
        return TRUE;
    }
    INT_PTR OnMessage(UINT message, WPARAM, LPARAM lParam) override {
        if (message != WM_NOTIFY) return FALSE;
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->idFrom != IDC_RULE_EDITOR_CRITERIA && header->idFrom != IDC_RULE_EDITOR_ACTIONS) return FALSE;
        const bool criteria = header->idFrom == IDC_RULE_EDITOR_CRITERIA;
        if (header->code == NM_CLICK || header->code == NM_DBLCLK) {
            // The place the list itself hit, not the cursor's: a click that arrives as a message
            // (from an accessibility tool, say) carries its own point.
            LVHITTESTINFO hit{};
            hit.pt = reinterpret_cast<NMITEMACTIVATE*>(lParam)->ptAction;
            if (ListView_HitTest(header->hwndFrom, &hit) >= 0 &&
                ((hit.flags & LVHT_ONITEMSTATEICON) || header->code == NM_DBLCLK)) {
                Toggle(criteria, static_cast<std::size_t>(hit.iItem));
            }
        } else if (header->code == LVN_KEYDOWN && reinterpret_cast<NMLVKEYDOWN*>(lParam)->wVKey == VK_SPACE) {
            int row = ListView_GetNextItem(header->hwndFrom, -1, LVNI_FOCUSED);
            if (row >= 0) Toggle(criteria, static_cast<std::size_t>(row));
        }
        return FALSE;
    }
    void OnOK() override {
        if (!editing_.AnyCondition()) {
            ShowMessage(window(), MB_OK | MB_ICONEXCLAMATION, IDS_RULES_NEED_CRITERIA);
            return;
        }
        if (!editing_.AnyAction()) {
            ShowMessage(window(), MB_OK | MB_ICONEXCLAMATION, IDS_RULES_NEED_ACTION);
            return;
        }
        if (!description_.Show(rule_)) {
            MessageBoxA(window(), LoadResourceString(IDS_RULES_MISSING_VALUES).c_str(),
                        LoadResourceString(IDS_RULES_MAIL_CAPTION).c_str(), MB_OK);
            return;
        }
        SetText(rule_->name, WindowString(item(IDC_RULE_EDITOR_NAME)));
        end(IDOK);
    }

private:
    void Toggle(bool criteria, std::size_t row) {
        if (criteria) {
            if (row >= kConditionKindCount || editing_.ConditionBox(row) == RowBox::Greyed) return;
            editing_.SetCondition(row, editing_.ConditionBox(row) != RowBox::Ticked);
        } else {
            if (row >= kActionKindCount || editing_.ActionBox(row) == RowBox::Greyed) return;
            editing_.SetAction(row, editing_.ActionBox(row) != RowBox::Ticked);
        }
        ShowBoxes(false);
        description_.Show(rule_);
    }

    void ShowBoxes(bool scroll) {
        HWND criteria = item(IDC_RULE_EDITOR_CRITERIA);
        HWND actions = item(IDC_RULE_EDITOR_ACTIONS);
        int firstCondition = -1, firstAction = -1;
        for (std::size_t row = 0; row < kConditionKindCount; ++row) {
            SetBox(criteria, row, editing_.ConditionBox(row));
            if (firstCondition < 0 && editing_.ConditionBox(row) == RowBox::Ticked) firstCondition = static_cast<int>(row);
        }
        for (std::size_t row = 0; row < kActionKindCount; ++row) {
            SetBox(actions, row, editing_.ActionBox(row));
            if (firstAction < 0 && editing_.ActionBox(row) == RowBox::Ticked) firstAction = static_cast<int>(row);
        }
        if (scroll) {
            if (firstCondition >= 0) ListView_EnsureVisible(criteria, firstCondition, FALSE);
            if (firstAction >= 0) ListView_EnsureVisible(actions, firstAction, FALSE);
        }
    }

    const RulesContext& context_;
    SieveCommand* rule_;
    RuleEditing editing_;
    DescriptionControl description_;
    HIMAGELIST states_ = nullptr;
};

}  // namespace

HIMAGELIST LoadRuleStateImages() {
    return ImageList_LoadImageA(ResourceModuleFor(RT_BITMAP, IDB_RULE_STATES), MAKEINTRESOURCEA(IDB_RULE_STATES), 16,
                                0, RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
}

INT_PTR RunRuleEditor(HWND owner, const RulesContext& context, SieveCommand* rule) {
    if (context.catalogue == nullptr) return 3;
    RuleEditorDialog dialog(context, rule);
    return dialog.RunModal(owner, IDD_RULE_EDITOR);
}

}  // namespace velor::rules
