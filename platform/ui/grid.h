#pragma once
// A read-only grid bound to one field of an in-memory table: one column, no title row, no
// indicator, no grid lines, no editing. The highlighted row is the table's current row, both
// ways; while the table suspends its views the grid does not change.
#include <functional>
#include <string>

#include "platform/data/table.h"
#include "platform/ui/control.h"

namespace vorlane::ui {

class Grid : public Control {
public:
    Grid(HWND parent, int id, const Rect& r, int columnWidth);
    ~Grid() override;
    void Bind(data::Table& table, const std::string& field);
    std::function<void()> onDblClick;
    // The texts shown, top to bottom (what a user sees).
    std::vector<std::string> Rows() const;
    int SelectedRow() const;
    bool OnNotify(NMHDR* header, LRESULT& result) override;

private:
    void Refresh();
    data::Table* table_ = nullptr;
    std::string field_;
    int observer_ = 0;
    bool refreshing_ = false;
};

}  // namespace vorlane::ui
