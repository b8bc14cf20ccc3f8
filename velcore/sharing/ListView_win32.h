// A thin wrapper over one list-view control of the sharing windows: each method is one message
// of the control. The control owns nothing of the wrapper; copy it freely.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace velor {

class ListView {
public:
    ListView() = default;
    explicit ListView(HWND list) : list_(list) {}
    HWND handle() const { return list_; }

    void SetExtendedStyle(DWORD style) const { ListView_SetExtendedListViewStyleEx(list_, style, style); }
    void SetSmallImages(HIMAGELIST images) const { ListView_SetImageList(list_, images, LVSIL_SMALL); }
    bool AddColumn(int column, const std::string& caption, int width) const;
    // Inserts a row at the position with its first cell, picture and value; its index, or -1.
    int InsertRow(int at, const std::string& text, int picture, LPARAM value, int indent = 0) const;
    bool SetCell(int row, int column, const std::string& text) const;
    std::string CellText(int row, int column, int limit = 1000) const;
    LPARAM RowValue(int row) const;
    int RowCount() const { return ListView_GetItemCount(list_); }
    bool DeleteRow(int row) const { return ListView_DeleteItem(list_, row) != FALSE; }
    bool Clear() const { return ListView_DeleteAllItems(list_) != FALSE; }
    int SelectedRow() const { return ListView_GetNextItem(list_, -1, LVNI_SELECTED); }
    // Selects and focuses the row (none with -1) and scrolls it into view.
    void Select(int row) const;
    bool Checked(int row) const { return ListView_GetCheckState(list_, row) != FALSE; }
    void SetChecked(int row, bool checked) const { ListView_SetCheckState(list_, row, checked ? TRUE : FALSE); }
    void SetOverlay(int row, int overlay) const {
        ListView_SetItemState(list_, row, INDEXTOOVERLAYMASK(overlay), LVIS_OVERLAYMASK);
    }
    void Enable(bool enabled) const { EnableWindow(list_, enabled ? TRUE : FALSE); }

private:
    HWND list_ = nullptr;
};

// A strip of 16-pixel pictures from a bitmap resource, magenta as transparent; null when the
// bitmap is missing. The caller destroys it unless a control takes it over.
HIMAGELIST LoadPictureStrip(unsigned bitmapId);

}  // namespace velor
