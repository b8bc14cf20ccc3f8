#include <winsock2.h>  // before windows.h, which would bring the old winsock.h

#include "velcore/rules/ValueDialogs_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "velcore/protocol/DialogBase_win32.h"
#include "velcore/protocol/FolderNames.h"
#include "velcore/protocol/Messages_win32.h"
#include "velcore/protocol/Prompts_win32.h"
#include "velcore/protocol/ResourceModule_win32.h"
#include "velcore/protocol/Session.h"
#include "velcore/protocol/WinsockTransport_win32.h"
#include "velcore/res/RulesResource.h"
#include "velcore/res/resource.h"
#include "velcore/rules/ConditionMatching.h"
#include "velcore/rules/SizeValue.h"
#include "velcore/rules/TextCompare.h"

namespace velor::rules {
namespace {

void SetEditText(HWND dialog, int id, const std::string& text) { SetDlgItemTextA(dialog, id, text.c_str()); }

std::string Trimmed(const std::string& text) {
    std::size_t begin = text.find_first_not_of(" \t\r\n\v\f");
    if (begin == std::string::npos) return std::string();
    std::size_t end = text.find_last_not_of(" \t\r\n\v\f");
    return text.substr(begin, end - begin + 1);
}

// And/Or: the rule's combining test becomes allof or anyof.
class AndOrDialog : public DialogBase {
public:
    explicit AndOrDialog(SieveTest* test) : test_(test) {}

protected:
    BOOL OnInit() override {
        CheckRadioButton(window(), IDC_VALUE_ALL, IDC_VALUE_ANY,
                         test_->kind == TestKind::Allof ? IDC_VALUE_ALL : IDC_VALUE_ANY);
        return TRUE;
    }
    void OnOK() override {
        test_->kind = IsDlgButtonChecked(window(), IDC_VALUE_ALL) == BST_CHECKED ? TestKind::Allof : TestKind::Anyof;
        end(IDOK);
    }

private:
    SieveTest* test_;
};

// Rule Condition Options: the match type and its negation, numbered matchType * 2 + negated.
class MatchDialog : public DialogBase {
public:
    MatchDialog(const RulesContext& context, SieveTest* test) : context_(context), test_(test) {}

protected:
    BOOL OnInit() override {
        HWND combo = item(IDC_VALUE_MATCH_TYPE);
        for (int choice = 0; choice < static_cast<int>(kMatchChoiceCount); ++choice) {
            const std::string& name =
                context_.catalogue->MatchName(static_cast<MatchType>(choice / 2), (choice % 2) != 0);
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        }
        SendMessageA(combo, CB_SETCURSEL, static_cast<int>(test_->matchType) * 2 + (test_->negated ? 1 : 0), 0);
        Explain();
        return TRUE;
    }
    void OnCommand(WORD code, WORD id) override {
        if (id == IDC_VALUE_MATCH_TYPE && code == CBN_SELCHANGE) Explain();
        else DialogBase::OnCommand(code, id);
    }
    void OnOK() override {
        int choice = static_cast<int>(SendMessageA(item(IDC_VALUE_MATCH_TYPE), CB_GETCURSEL, 0, 0));
        if (choice >= 0) {
            test_->matchType = static_cast<MatchType>(choice / 2);
            test_->negated = static_cast<std::uint8_t>(choice % 2);
        }
        end(IDOK);
    }

private:
    void Explain() {
        int choice = static_cast<int>(SendMessageA(item(IDC_VALUE_MATCH_TYPE), CB_GETCURSEL, 0, 0));
        SetEditText(window(), IDC_VALUE_MATCH_HELP, choice >= 0 ? context_.catalogue->MatchExplanation(choice) : "");
    }

    const RulesContext& context_;
    SieveTest* test_;
};

// Select People (list) and Type Specific Words: the keys of an address or Subject test.
class KeyListDialog : public DialogBase {
public:
    KeyListDialog(const RulesContext& context, SieveTest* test) : context_(context), test_(test) {}

protected:
    BOOL OnInit() override {
        for (const SieveStringList* key = test_->keys; key != nullptr; key = key->next) {
            std::string entry = Trimmed(key->text != nullptr ? key->text : "");
            if (!entry.empty()) entries_.push_back(entry);
        }
        std::sort(entries_.begin(), entries_.end());
        SendMessageA(item(IDC_VALUE_EDIT), EM_LIMITTEXT, kArgumentSize - 1, 0);
        Fill();
        UpdateButtons();
        return TRUE;
    }
    void OnCommand(WORD code, WORD id) override {
        switch (id) {
        case IDC_VALUE_EDIT:
            if (code == EN_CHANGE) UpdateButtons();
            return;
        case IDC_VALUE_LIST:
            if (code == LBN_SELCHANGE) UpdateButtons();
            return;
        case IDC_VALUE_ADD: Add(); return;
        case IDC_VALUE_REMOVE: Remove(); return;
        case IDC_VALUE_OPTIONS:
            if (MatchDialog(context_, test_).RunModal(window(), IDD_VALUE_MATCH) == IDOK) Fill();
            return;
        case IDC_VALUE_BOOK: {
            std::string address;
            if (ChooseAddressFromBook(window(), address)) {
                SetEditText(window(), IDC_VALUE_EDIT, address);
                SetFocus(item(IDC_VALUE_EDIT));
            }
            return;
        }
        default: DialogBase::OnCommand(code, id);
        }
    }
    void OnOK() override {
        if (entries_.empty()) return;
        SieveStringList* keys = nullptr;
        SieveStringList** tail = &keys;
        for (const std::string& entry : entries_) {
            SieveStringList* key = NewStringItem(entry);
            if (key == nullptr) {
                FreeStringList(keys);
                return;
            }
            *tail = key;
            tail = &key->next;
        }
        FreeStringList(test_->keys);
        test_->keys = keys;
        end(IDOK);
    }

private:
    void Fill() {
        HWND list = item(IDC_VALUE_LIST);
        int selected = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        // The caption row: the condition's words up to its first place, and the match type.
        std::string description;
        DescribeCondition(*context_.catalogue, test_, description);
        std::string caption = description.substr(0, description.find('[')) +
                              context_.catalogue->MatchName(test_->matchType, test_->negated != 0);
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(caption.c_str()));
        for (const std::string& entry : entries_) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
        if (selected > 0 && selected <= static_cast<int>(entries_.size())) SendMessageA(list, LB_SETCURSEL, selected, 0);
        UpdateButtons();
    }
    void UpdateButtons() {
        const bool typed = GetWindowTextLengthA(item(IDC_VALUE_EDIT)) > 0;
        EnableWindow(item(IDC_VALUE_ADD), typed);
        SendMessageA(window(), DM_SETDEFID, typed ? IDC_VALUE_ADD : IDOK, 0);
        // The button that stops being the default loses its default look too.
        SendMessageA(item(typed ? IDOK : IDC_VALUE_ADD), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
        SendMessageA(item(typed ? IDC_VALUE_ADD : IDOK), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        int selected = static_cast<int>(SendMessageA(item(IDC_VALUE_LIST), LB_GETCURSEL, 0, 0));
        EnableWindow(item(IDC_VALUE_REMOVE), selected > 0);
        EnableWindow(item(IDOK), !entries_.empty());
    }
    void Add() {
        std::string text = WindowString(item(IDC_VALUE_EDIT));
        if (text.empty()) return;
        SetEditText(window(), IDC_VALUE_EDIT, "");
        if (std::find(entries_.begin(), entries_.end(), text) != entries_.end() &&
            ShowMessage(window(), MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING, IDS_RULES_DUPLICATE_QUESTION) != IDYES) {
            return;
        }
        entries_.push_back(text);
        std::sort(entries_.begin(), entries_.end());
        Fill();
        SetFocus(item(IDC_VALUE_EDIT));
    }
    void Remove() {
        int selected = static_cast<int>(SendMessageA(item(IDC_VALUE_LIST), LB_GETCURSEL, 0, 0));
        if (selected <= 0 || selected > static_cast<int>(entries_.size())) return;
        entries_.erase(entries_.begin() + (selected - 1));
        Fill();
    }

    const RulesContext& context_;
    SieveTest* test_;
    std::vector<std::string> entries_;
};

// The size condition: direction, a number of at most six digits and its unit.
class SizeDialog : public DialogBase {
public:
    SizeDialog(const RulesContext& context, SieveTest* test) : context_(context), test_(test) {}

protected:
    BOOL OnInit() override {
        HWND direction = item(IDC_VALUE_SIZE_DIRECTION);
        SendMessageA(direction, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(context_.texts.more.c_str()));
        SendMessageA(direction, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(context_.texts.less.c_str()));
        SendMessageA(direction, CB_SETCURSEL, test_->sizeUnder ? 1 : 0, 0);
        HWND unit = item(IDC_VALUE_SIZE_UNIT);
        for (const std::string& name : context_.texts.units)
            SendMessageA(unit, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        SizeEntry entry = SizeForDialog(static_cast<std::uint32_t>(test_->sizeLimit));
        SendMessageA(unit, CB_SETCURSEL, static_cast<int>(entry.unit), 0);
        SendMessageA(item(IDC_VALUE_SIZE_NUMBER), EM_LIMITTEXT, 6, 0);
        SetEditText(window(), IDC_VALUE_SIZE_NUMBER, std::to_string(entry.number));
        return TRUE;
    }
    void OnOK() override {
        std::string typed = WindowString(item(IDC_VALUE_SIZE_NUMBER));
        auto unit = static_cast<SizeUnit>(SendMessageA(item(IDC_VALUE_SIZE_UNIT), CB_GETCURSEL, 0, 0));
        std::uint32_t bytes = 0;
        SizeRead read = SizeOnOk(static_cast<std::uint32_t>(test_->sizeLimit), typed, unit, bytes);
        if (read != SizeRead::Ok) {
            // A size that does not fit in 32 bits would wrap to another limit: the user says again.
            if (read == SizeRead::TooLarge) MessageBeep(MB_ICONEXCLAMATION);
            SetFocus(item(IDC_VALUE_SIZE_NUMBER));
            SendMessageA(item(IDC_VALUE_SIZE_NUMBER), EM_SETSEL, 0, -1);
            return;
        }
        test_->sizeUnder = SendMessageA(item(IDC_VALUE_SIZE_DIRECTION), CB_GETCURSEL, 0, 0) == 1 ? 1 : 0;
        test_->sizeLimit = static_cast<std::int32_t>(bytes);
        end(IDOK);
    }

private:
    const RulesContext& context_;
    SieveTest* test_;
};

// Message Text: a reason, a notification message or a reply text.
class MessageDialog : public DialogBase {
public:
    MessageDialog(char* value, std::size_t size, const char* offered) : value_(value), size_(size), offered_(offered) {}

protected:
    BOOL OnInit() override {
        SendMessageA(item(IDC_VALUE_EDIT), EM_LIMITTEXT, size_ - 1, 0);
        SetEditText(window(), IDC_VALUE_EDIT, value_[0] == '\0' && offered_ != nullptr ? offered_ : value_);
        return TRUE;
    }
    void OnOK() override {
        SetText(value_, size_, WindowString(item(IDC_VALUE_EDIT)));
        end(IDOK);
    }

private:
    char* value_;
    std::size_t size_;
    const char* offered_;
};

// Select People (single): one address, typed or chosen in the address book.
class PeopleDialog : public DialogBase {
public:
    PeopleDialog(char* value, std::size_t size) : value_(value), size_(size) {}

protected:
    BOOL OnInit() override {
        SendMessageA(item(IDC_VALUE_EDIT), EM_LIMITTEXT, size_ - 1, 0);
        SetEditText(window(), IDC_VALUE_EDIT, value_);
        return TRUE;
    }
    void OnCommand(WORD code, WORD id) override {
        if (id == IDC_VALUE_BOOK) {
            std::string address;
            if (ChooseAddressFromBook(window(), address)) SetEditText(window(), IDC_VALUE_EDIT, address);
            return;
        }
        DialogBase::OnCommand(code, id);
    }
    void OnOK() override {
        SetText(value_, size_, WindowString(item(IDC_VALUE_EDIT)));
        end(IDOK);
    }

private:
    char* value_;
    std::size_t size_;
};

// Move: the folder of a fileinto, chosen in the server's folder tree or typed as a path.
class MoveDialog : public DialogBase {
public:
    MoveDialog(const RulesContext& context, SieveCommand* command) : context_(context), command_(command) {}
    ~MoveDialog() override {
        if (images_ != nullptr) ImageList_Destroy(images_);
    }

protected:
    BOOL OnInit() override {
        images_ = ImageList_LoadImageA(ResourceModuleFor(RT_BITMAP, IDB_FOLDERS), MAKEINTRESOURCEA(IDB_FOLDERS), 16, 0,
                                       RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
        if (images_ != nullptr) {
            ImageList_SetOverlayImage(images_, 6, 1);
            TreeView_SetImageList(item(IDC_VALUE_FOLDERS), images_, TVSIL_NORMAL);
        }
        SendMessageA(item(IDC_VALUE_EDIT), EM_LIMITTEXT, kArgumentSize - 1, 0);
        FillTree();
        SetPath(command_->argument[0] != '\0' ? context_.FolderForDisplay(command_->argument) : std::string());
        SelectTyped();
        return TRUE;
    }
    void OnCommand(WORD code, WORD id) override {
        if (id == IDC_VALUE_RESET_FOLDERS) {
            FillTree();
            SelectTyped();
        } else if (id == IDC_VALUE_EDIT && code == EN_CHANGE) {
            if (!settingText_) SelectTyped();
        } else {
            DialogBase::OnCommand(code, id);
        }
    }
    INT_PTR OnMessage(UINT message, WPARAM, LPARAM lParam) override {
        if (message != WM_NOTIFY) return FALSE;
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->idFrom == IDC_VALUE_FOLDERS && header->code == TVN_SELCHANGEDA && !selecting_) {
            auto* change = reinterpret_cast<NMTREEVIEWA*>(lParam);
            for (const auto& [handle, path] : paths_) {
                if (handle == change->itemNew.hItem) SetPath(path);
            }
        }
        return FALSE;
    }
    void OnOK() override {
        std::string path = WindowString(item(IDC_VALUE_EDIT));
        if (!path.empty() && path.back() == '/') path.pop_back();
        std::string stored = context_.FolderForRule(path);
        if (stored.size() >= kArgumentSize) {
            // Written in the server's form the name no longer fits the rule: say so, keep it.
            MessageBeep(MB_ICONEXCLAMATION);
            return;
        }
        SetText(command_->argument, stored);
        end(IDOK);
    }

private:
    void SetPath(const std::string& path) {
        settingText_ = true;
        SetEditText(window(), IDC_VALUE_EDIT, path);
        settingText_ = false;
    }

    void FillTree() {
        HWND tree = item(IDC_VALUE_FOLDERS);
        TreeView_DeleteAllItems(tree);
        paths_.clear();
        std::vector<FolderLine> lines;
        if (context_.account != nullptr) {
            std::string response;
            bool loggedOn = false;
            WinsockTransport transport(*context_.account);
            WindowsPrompts prompts(window());
            HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
            if (SingleCommandSession(transport, *context_.account, prompts, kListSubscribedCommand, &response,
                                     &loggedOn) == 0) {
                lines = ParseFolderList(response);
            }
            SetCursor(previous);
        }
        char root[512];
        std::string format = LoadResourceString(IDS_SERVER_ROOT);
        std::snprintf(root, sizeof root, format.c_str(),
                      context_.account != nullptr ? context_.account->host.c_str() : "");
        std::vector<FolderTreeItem> items = BuildFolderTree(lines, ResourceFolderNames(), root);
        std::vector<HTREEITEM> handles(items.size(), nullptr);
        std::vector<std::string> shownPaths(items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            const FolderTreeItem& folder = items[i];
            TVINSERTSTRUCTA insert{};
            insert.hParent = folder.parent >= 0 ? handles[static_cast<std::size_t>(folder.parent)] : TVI_ROOT;
            insert.hInsertAfter = TVI_LAST;
            insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
            insert.item.pszText = const_cast<char*>(folder.label.c_str());
            insert.item.iImage = insert.item.iSelectedImage = folder.picture;
            insert.item.state = INDEXTOOVERLAYMASK(folder.overlay);
            insert.item.stateMask = TVIS_OVERLAYMASK;
            handles[i] = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
            if (folder.parent > 0) {
                const std::string& above = shownPaths[static_cast<std::size_t>(folder.parent)];
                shownPaths[i] = above.empty() ? folder.label : above + "/" + folder.label;
            } else if (folder.parent == 0) {
                shownPaths[i] = folder.label;
            }
            if (folder.parent >= 0) paths_.emplace_back(handles[i], shownPaths[i]);
        }
        if (!handles.empty()) TreeView_Expand(tree, handles[0], TVE_EXPAND);
    }

    // Selects the item whose path is the typed text, level by level without regard to case;
    // the caret stays where the user is typing.
    void SelectTyped() {
        std::string typed = WindowString(item(IDC_VALUE_EDIT));
        if (!typed.empty() && typed.back() == '/') typed.pop_back();
        for (const auto& [handle, path] : paths_) {
            if (EqualsIgnoringCase(path, typed)) {
                selecting_ = true;
                TreeView_SelectItem(item(IDC_VALUE_FOLDERS), handle);
                TreeView_EnsureVisible(item(IDC_VALUE_FOLDERS), handle);
                selecting_ = false;
                return;
            }
        }
    }

    const RulesContext& context_;
    SieveCommand* command_;
    HIMAGELIST images_ = nullptr;
    std::vector<std::pair<HTREEITEM, std::string>> paths_;
    bool settingText_ = false;
    bool selecting_ = false;
};

}  // namespace

bool EditLinkedValue(HWND owner, const RulesContext& context, LinkKey key, const LinkTarget& target) {
    SieveTest* test = target.test;
    SieveCommand* command = target.command;
    INT_PTR result = IDCANCEL;
    switch (key) {
    case LinkKey::AndOr:
        if (test != nullptr) result = AndOrDialog(test).RunModal(owner, IDD_VALUE_ANDOR);
        break;
    case LinkKey::Address:
        if (test != nullptr) result = KeyListDialog(context, test).RunModal(owner, IDD_VALUE_PEOPLE_LIST);
        break;
    case LinkKey::Word:
        if (test != nullptr) result = KeyListDialog(context, test).RunModal(owner, IDD_VALUE_WORDS);
        break;
    case LinkKey::Match:
        if (test != nullptr) result = MatchDialog(context, test).RunModal(owner, IDD_VALUE_MATCH);
        break;
    case LinkKey::Size:
        if (test != nullptr) result = SizeDialog(context, test).RunModal(owner, IDD_VALUE_SIZE);
        break;
    case LinkKey::Fileinto:
        if (command != nullptr) result = MoveDialog(context, command).RunModal(owner, IDD_VALUE_MOVE);
        break;
    case LinkKey::Redirect:
        if (command != nullptr)
            result = PeopleDialog(command->argument, sizeof command->argument).RunModal(owner, IDD_VALUE_PEOPLE);
        break;
    case LinkKey::NotifyAddress:
        if (command != nullptr)
            result = PeopleDialog(command->name, sizeof command->name).RunModal(owner, IDD_VALUE_PEOPLE);
        break;
    case LinkKey::Reject:
    case LinkKey::Vacation:
        if (command != nullptr)
            result = MessageDialog(command->argument, sizeof command->argument, nullptr).RunModal(owner, IDD_VALUE_MESSAGE);
        break;
    case LinkKey::NotifyMessage:
        if (command != nullptr)
            result = MessageDialog(command->argument, sizeof command->argument, kDefaultNotifyMessage)
                         .RunModal(owner, IDD_VALUE_MESSAGE);
        break;
    default:
        break;
    }
    return result == IDOK;
}

}  // namespace velor::rules
