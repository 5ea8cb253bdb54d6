#include "platform/data/table.h"

#include <algorithm>

#include "platform/base/error.h"

namespace vorlane::data {

void Table::Create(std::vector<FieldDef> fields, std::string indexField) {
    fields_ = std::move(fields);
    rows_.clear();
    state_ = State::Browse;
    current_ = -1;
    eof_ = true;
    indexField_ = indexField.empty() ? -1 : FieldIndex(indexField);
    Changed();
}

int Table::FieldIndex(const std::string& field) const {
    for (size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i].name == field) return static_cast<int>(i);
    throw Error("Field '" + field + "' not found");
}

void Table::Append() {
    if (state_ != State::Browse) Post();
    buffer_.assign(fields_.size(), std::string());
    state_ = State::Insert;
}

void Table::Edit() {
    if (state_ != State::Browse) return;
    if (current_ < 0) throw Error("Cannot perform this operation on an empty dataset");
    buffer_ = rows_[current_];
    state_ = State::Edit;
}

void Table::Post() {
    if (state_ == State::Browse) return;
    if (state_ == State::Edit) rows_.erase(rows_.begin() + current_);
    int pos = static_cast<int>(rows_.size());
    if (indexField_ >= 0) {
        int key = std::stoi(buffer_[indexField_].empty() ? "0" : buffer_[indexField_]);
        pos = 0;
        while (pos < static_cast<int>(rows_.size()) && std::stoi(rows_[pos][indexField_]) <= key) ++pos;
    } else if (state_ == State::Edit) {
        pos = current_;
    }
    if (indexField_ >= 0 && buffer_[indexField_].empty()) buffer_[indexField_] = "0";
    rows_.insert(rows_.begin() + pos, buffer_);
    current_ = pos;
    eof_ = false;
    state_ = State::Browse;
    Changed();
}

void Table::Cancel() { state_ = State::Browse; }

void Table::Delete() {
    if (state_ == State::Insert) { Cancel(); return; }
    state_ = State::Browse;
    if (current_ < 0) throw Error("Cannot perform this operation on an empty dataset");
    rows_.erase(rows_.begin() + current_);
    if (rows_.empty()) {
        current_ = -1;
        eof_ = true;
    } else {
        current_ = std::min(current_, static_cast<int>(rows_.size()) - 1);
        eof_ = false;
    }
    Changed();
}

const Table::Row& Table::CurrentBuffer() const {
    if (state_ != State::Browse) return buffer_;
    if (current_ < 0) {
        static const Row empty;
        return empty;
    }
    return rows_[current_];
}

Table::Row& Table::WritableBuffer() {
    if (state_ == State::Browse) throw Error("Dataset not in edit or insert mode");
    return buffer_;
}

void Table::SetText(const std::string& field, const std::string& value) {
    int f = FieldIndex(field);
    std::string v = value;
    if (fields_[f].type == FieldType::Text && fields_[f].size > 0 && v.size() > size_t(fields_[f].size))
        v.resize(fields_[f].size);
    WritableBuffer()[f] = v;
}

void Table::SetInteger(const std::string& field, int value) {
    WritableBuffer()[FieldIndex(field)] = std::to_string(value);
}

std::string Table::Text(const std::string& field) const {
    int f = FieldIndex(field);
    const Row& r = CurrentBuffer();
    return r.empty() ? std::string() : r[f];
}

int Table::Integer(const std::string& field) const {
    std::string t = Text(field);
    return t.empty() ? 0 : std::stoi(t);
}

void Table::First() {
    if (state_ != State::Browse) Post();
    current_ = rows_.empty() ? -1 : 0;
    eof_ = rows_.empty();
    Changed();
}

void Table::Next() {
    if (state_ != State::Browse) Post();
    if (current_ + 1 < static_cast<int>(rows_.size())) {
        ++current_;
        eof_ = false;
    } else {
        eof_ = true;
    }
    Changed();
}

void Table::Prior() {
    if (state_ != State::Browse) Post();
    if (current_ > 0) --current_;
    eof_ = rows_.empty();
    Changed();
}

void Table::Last() {
    if (state_ != State::Browse) Post();
    current_ = static_cast<int>(rows_.size()) - 1;
    eof_ = rows_.empty();
    Changed();
}

void Table::MoveTo(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size()) || row == current_) return;
    if (state_ != State::Browse) Post();
    current_ = row;
    eof_ = false;
    Changed();
}

bool Table::Locate(const std::string& field, const std::string& value) {
    int f = FieldIndex(field);
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i][f] == value) {
            if (state_ != State::Browse) Post();
            current_ = static_cast<int>(i);
            eof_ = false;
            Changed();
            return true;
        }
    }
    return false;
}

void Table::EnableControls() {
    if (suspended_ > 0 && --suspended_ == 0) Changed();
}

int Table::AddObserver(Observer observer) {
    observers_.emplace_back(nextObserver_, std::move(observer));
    return nextObserver_++;
}

void Table::RemoveObserver(int handle) {
    std::erase_if(observers_, [handle](const auto& o) { return o.first == handle; });
}

std::string Table::CellText(int row, const std::string& field) const {
    return rows_.at(static_cast<size_t>(row))[FieldIndex(field)];
}

void Table::Changed() {
    if (suspended_ > 0) return;
    auto copy = observers_;
    for (auto& o : copy) o.second();
}

}  // namespace vorlane::data
