#include "platform/ui/grid.h"

#include <commctrl.h>

#include "platform/base/encoding.h"
#include "platform/ui/app.h"

namespace vorlane::ui {

Grid::Grid(HWND parent, int id, const Rect& r, int columnWidth) {
    CreateWindowOf(WC_LISTVIEWW,
                   WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                   WS_EX_CLIENTEDGE, parent, id, r);
    ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_FULLROWSELECT);
    LVCOLUMNW col{};
    col.mask = LVCF_WIDTH;
    col.cx = Scale(columnWidth);
    ListView_InsertColumn(hwnd_, 0, &col);
}

Grid::~Grid() {
    if (table_) table_->RemoveObserver(observer_);
}

void Grid::Bind(data::Table& table, const std::string& field) {
    table_ = &table;
    field_ = field;
    observer_ = table.AddObserver([this] { Refresh(); });
    Refresh();
}

void Grid::Refresh() {
    if (!table_) return;
    refreshing_ = true;
    int count = table_->RecordCount();
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    while (ListView_GetItemCount(hwnd_) > count) ListView_DeleteItem(hwnd_, ListView_GetItemCount(hwnd_) - 1);
    for (int i = 0; i < count; ++i) {
        std::wstring text = WideFromCp1252(table_->CellText(i, field_));
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = text.data();
        if (i >= ListView_GetItemCount(hwnd_)) ListView_InsertItem(hwnd_, &item);
        else ListView_SetItem(hwnd_, &item);
    }
    int current = table_->RecNo();
    for (int i = 0; i < count; ++i) {
        UINT state = i == current ? (LVIS_SELECTED | LVIS_FOCUSED) : 0;
        ListView_SetItemState(hwnd_, i, state, LVIS_SELECTED | LVIS_FOCUSED);
    }
    if (current >= 0) ListView_EnsureVisible(hwnd_, current, FALSE);
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
    refreshing_ = false;
}

std::vector<std::string> Grid::Rows() const {
    std::vector<std::string> rows;
    int n = ListView_GetItemCount(hwnd_);
    for (int i = 0; i < n; ++i) {
        wchar_t buf[256] = {};
        ListView_GetItemText(hwnd_, i, 0, buf, 256);
        rows.push_back(Cp1252FromWide(buf));
    }
    return rows;
}

int Grid::SelectedRow() const { return ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); }

bool Grid::OnNotify(NMHDR* header, LRESULT& result) {
    result = 0;
    if (header->code == LVN_ITEMCHANGED) {
        auto* change = reinterpret_cast<NMLISTVIEW*>(header);
        if (!refreshing_ && table_ && (change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED))
            table_->MoveTo(change->iItem);
        return true;
    }
    if (header->code == NM_DBLCLK) {
        if (onDblClick) onDblClick();
        return true;
    }
    return false;
}

}  // namespace vorlane::ui
