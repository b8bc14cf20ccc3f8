#include "velcore/sharing/AddressBookPicker_win32.h"

#include "velcore/protocol/DialogBase_win32.h"
#include "velcore/protocol/ResourceModule_win32.h"
#include "velcore/res/SharingResource.h"
#include "velcore/sharing/AddressBook_win32.h"
#include "velcore/sharing/ListView_win32.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <vector>

namespace velor {
namespace {

constexpr int kNameColumn = 0, kAddressColumn = 1;
constexpr int kAscendingPicture = 1, kDescendingPicture = 2, kContactPicture = 3;
constexpr int kTextLimit = 1000;  // characters of a cell that are read or compared

// Common controls 6 draw the sort marks themselves; older ones get our pictures.
bool hasSortMarks() {
    HMODULE controls = GetModuleHandleA("comctl32.dll");
    auto getVersion = controls ? reinterpret_cast<DLLGETVERSIONPROC>(
                                     reinterpret_cast<void*>(GetProcAddress(controls, "DllGetVersion")))
                               : nullptr;
    DLLVERSIONINFO version{};
    version.cbSize = sizeof version;
    return getVersion && SUCCEEDED(getVersion(&version)) && version.dwMajorVersion >= 6;
}

std::string trimmed(std::string text) {
    const char* space = " \t\r\n";
    std::size_t first = text.find_first_not_of(space);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

class AddressBookPicker : public DialogBase {
public:
    explicit AddressBookPicker(ChosenAddress& chosen) : chosen_(chosen) {}
    ~AddressBookPicker() override {
        if (pictures_) ImageList_Destroy(pictures_);
    }

private:
    BOOL OnInit() override {
        list_ = ListView(item(IDC_ADDRESS_BOOK_LIST));
        list_.SetExtendedStyle(LVS_EX_FULLROWSELECT);
        // The list and its header share the strip, which the picker owns.
        SetWindowLongPtrA(list_.handle(), GWL_STYLE, GetWindowLongPtrA(list_.handle(), GWL_STYLE) | LVS_SHAREIMAGELISTS);
        pictures_ = LoadPictureStrip(IDB_ADDRESS_BOOK);
        list_.SetSmallImages(pictures_);
        list_.AddColumn(kNameColumn, LoadResourceString(IDS_PICKER_COLUMN_NAME), 100);
        list_.AddColumn(kAddressColumn, LoadResourceString(IDS_PICKER_COLUMN_ADDRESS), 150);
        if (!sortMarks_ && pictures_) Header_SetImageList(ListView_GetHeader(list_.handle()), pictures_);
        contacts_ = ReadAddressBookContacts();
        for (std::size_t i = 0; i < contacts_.size(); ++i) {
            int row = list_.InsertRow(static_cast<int>(i), contacts_[i].name, kContactPicture, static_cast<LPARAM>(i));
            list_.SetCell(row, kAddressColumn, contacts_[i].address);
        }
        sortBy(kNameColumn, true);
        rememberLayout();
        return TRUE;
    }

    void OnOK() override {
        int row = list_.SelectedRow();
        if (row < 0) return end(IDCANCEL);
        chosen_.name = trimmed(list_.CellText(row, kNameColumn, kTextLimit));
        chosen_.address = trimmed(list_.CellText(row, kAddressColumn, kTextLimit));
        end(IDOK);
    }

    INT_PTR OnMessage(UINT message, WPARAM /*wParam*/, LPARAM lParam) override {
        switch (message) {
            case WM_NOTIFY: return onNotify(*reinterpret_cast<const NMHDR*>(lParam));
            case WM_SIZE: layOut(); return TRUE;
            case WM_GETMINMAXINFO: {
                auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
                limits->ptMinTrackSize = minimumSize_;
                return TRUE;
            }
            default: return FALSE;
        }
    }

    INT_PTR onNotify(const NMHDR& header) {
        if (header.idFrom != IDC_ADDRESS_BOOK_LIST) return FALSE;
        if (header.code == LVN_COLUMNCLICK) {
            int column = reinterpret_cast<const NMLISTVIEW&>(header).iSubItem;
            sortBy(column, !(column == sortColumn_ && ascending_));
        } else if (header.code == NM_DBLCLK && reinterpret_cast<const NMITEMACTIVATE&>(header).iItem >= 0) {
            OnOK();
        }
        return FALSE;
    }

    struct SortOrder {
        const AddressBookPicker* picker;
        int column;
        bool ascending;
    };

    static int CALLBACK compareRows(LPARAM first, LPARAM second, LPARAM data) {
        const auto& order = *reinterpret_cast<const SortOrder*>(data);
        const auto& contacts = order.picker->contacts_;
        auto text = [&](LPARAM i) {
            const AddressBookContact& c = contacts[static_cast<std::size_t>(i)];
            const std::string& t = order.column == kNameColumn ? c.name : c.address;
            return t.size() > kTextLimit ? t.substr(0, kTextLimit) : t;
        };
        std::string a = text(first), b = text(second);
        int result = CompareStringA(LOCALE_USER_DEFAULT, 0, a.c_str(), -1, b.c_str(), -1) - CSTR_EQUAL;
        return order.ascending ? result : -result;
    }

    void sortBy(int column, bool ascending) {
        SortOrder order{this, column, ascending};
        ListView_SortItems(list_.handle(), compareRows, reinterpret_cast<LPARAM>(&order));
        sortColumn_ = column;
        ascending_ = ascending;
        HWND header = ListView_GetHeader(list_.handle());
        for (int i = 0; i < Header_GetItemCount(header); ++i) {
            HDITEMA entry{};
            entry.mask = HDI_FORMAT | HDI_IMAGE;
            SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&entry));
            entry.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN | HDF_IMAGE | HDF_BITMAP_ON_RIGHT);
            entry.iImage = 0;
            if (i == column) {
                if (sortMarks_) {
                    entry.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
                } else {
                    entry.fmt |= HDF_IMAGE | HDF_BITMAP_ON_RIGHT;
                    entry.iImage = ascending ? kAscendingPicture : kDescendingPicture;
                }
            }
            SendMessageA(header, HDM_SETITEMA, i, reinterpret_cast<LPARAM>(&entry));
        }
    }

    // The list takes what the window gains; OK and Cancel keep to the lower right corner.
    void rememberLayout() {
        RECT window, client, list, ok;
        GetWindowRect(this->window(), &window);
        minimumSize_ = {window.right - window.left, window.bottom - window.top};
        GetClientRect(this->window(), &client);
        GetWindowRect(list_.handle(), &list);
        GetWindowRect(item(IDOK), &ok);
        MapWindowPoints(nullptr, this->window(), reinterpret_cast<POINT*>(&list), 2);
        MapWindowPoints(nullptr, this->window(), reinterpret_cast<POINT*>(&ok), 2);
        listMargin_ = {client.right - list.right, client.bottom - list.bottom};
        buttonMargin_ = {client.right - ok.left, client.bottom - ok.top};
        laidOut_ = true;
    }

    void layOut() {
        if (!laidOut_) return;
        RECT client, list, cancel, ok;
        GetClientRect(window(), &client);
        GetWindowRect(list_.handle(), &list);
        MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&list), 2);
        SetWindowPos(list_.handle(), nullptr, 0, 0, client.right - listMargin_.x - list.left,
                     client.bottom - listMargin_.y - list.top, SWP_NOMOVE | SWP_NOZORDER);
        GetWindowRect(item(IDOK), &ok);
        GetWindowRect(item(IDCANCEL), &cancel);
        int gap = cancel.left - ok.left;
        SetWindowPos(item(IDOK), nullptr, client.right - buttonMargin_.x, client.bottom - buttonMargin_.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
        SetWindowPos(item(IDCANCEL), nullptr, client.right - buttonMargin_.x + gap, client.bottom - buttonMargin_.y, 0,
                     0, SWP_NOSIZE | SWP_NOZORDER);
        InvalidateRect(window(), nullptr, TRUE);
    }

    ChosenAddress& chosen_;
    ListView list_;
    HIMAGELIST pictures_ = nullptr;
    std::vector<AddressBookContact> contacts_;
    const bool sortMarks_ = hasSortMarks();
    int sortColumn_ = kNameColumn;
    bool ascending_ = true;
    bool laidOut_ = false;
    POINT minimumSize_{}, listMargin_{}, buttonMargin_{};
};

}  // namespace

bool PickAddress(HWND owner, ChosenAddress& chosen) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    ChosenAddress picked;
    AddressBookPicker picker(picked);
    if (picker.RunModal(owner, IDD_ADDRESS_BOOK) != IDOK) return false;
    chosen = std::move(picked);
    return true;
}

}  // namespace velor
