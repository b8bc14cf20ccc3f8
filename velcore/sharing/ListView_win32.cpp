#include "velcore/sharing/ListView_win32.h"

#include "velcore/protocol/ResourceModule_win32.h"

#include <vector>

namespace velor {
namespace {

constexpr int kPictureSize = 16;

}  // namespace

bool ListView::AddColumn(int column, const std::string& caption, int width) const {
    LVCOLUMNA entry{};
    entry.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    entry.pszText = const_cast<char*>(caption.c_str());
    entry.cx = width;
    entry.iSubItem = column;
    return ListView_InsertColumn(list_, column, &entry) >= 0;
}

int ListView::InsertRow(int at, const std::string& text, int picture, LPARAM value, int indent) const {
    LVITEMA entry{};
    entry.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_INDENT;
    entry.iItem = at;
    entry.pszText = const_cast<char*>(text.c_str());
    entry.iImage = picture;
    entry.lParam = value;
    entry.iIndent = indent;
    return static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&entry)));
}

bool ListView::SetCell(int row, int column, const std::string& text) const {
    LVITEMA entry{};
    entry.iSubItem = column;
    entry.pszText = const_cast<char*>(text.c_str());
    return SendMessageA(list_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&entry)) != FALSE;
}

std::string ListView::CellText(int row, int column, int limit) const {
    std::vector<char> text(static_cast<std::size_t>(limit) + 1, '\0');
    LVITEMA entry{};
    entry.iSubItem = column;
    entry.pszText = text.data();
    entry.cchTextMax = limit + 1;
    SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&entry));
    return text.data();
}

LPARAM ListView::RowValue(int row) const {
    LVITEMA entry{};
    entry.mask = LVIF_PARAM;
    entry.iItem = row;
    if (!SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&entry))) return -1;
    return entry.lParam;
}

void ListView::Select(int row) const {
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row < 0) return;
    ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list_, row, FALSE);
}

HIMAGELIST LoadPictureStrip(unsigned bitmapId) {
    // Loaded as a bitmap and masked by the list itself: the pictures keep their edges exact.
    auto strip = static_cast<HBITMAP>(
        LoadImageA(ResourceModuleFor(RT_BITMAP, bitmapId), MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, 0));
    if (!strip) return nullptr;
    BITMAP size{};
    GetObjectA(strip, sizeof size, &size);
    HIMAGELIST pictures = ImageList_Create(kPictureSize, kPictureSize, ILC_COLOR24 | ILC_MASK, size.bmWidth / kPictureSize, 1);
    if (pictures) ImageList_AddMasked(pictures, strip, RGB(255, 0, 255));
    DeleteObject(strip);
    return pictures;
}

}  // namespace velor
