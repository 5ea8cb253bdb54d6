#pragma once
// In-memory table with a cursor, as the module choice keeps its two lists: rows of named text
// and integer fields, an optional ascending index on one integer field, and views (grids)
// that follow the table unless their updating is suspended.
#include <functional>
#include <string>
#include <vector>

namespace vorlane::data {

enum class FieldType { Text, Integer };

struct FieldDef {
    std::string name;
    FieldType type = FieldType::Text;
    int size = 0;  // maximum length of a text field
};

class Table {
public:
    using Observer = std::function<void()>;

    // Creates the table empty with these fields; rows are ordered by indexField (an integer
    // field) when one is named, otherwise kept in the order they were posted.
    void Create(std::vector<FieldDef> fields, std::string indexField = {});

    void Append();  // starts a new row; it is not counted until Post
    void Edit();    // starts changing the current row
    void Post();    // stores the new or changed row; the cursor stays on it
    void Cancel();  // drops a pending Append or Edit
    void Delete();  // removes the current row; the next row (or the new last row) becomes current

    void SetText(const std::string& field, const std::string& value);
    void SetInteger(const std::string& field, int value);
    std::string Text(const std::string& field) const;
    int Integer(const std::string& field) const;

    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const { return eof_; }
    bool IsEmpty() const { return rows_.empty(); }
    int RecordCount() const { return static_cast<int>(rows_.size()); }
    int RecNo() const { return current_; }  // index of the current row, -1 when empty
    void MoveTo(int row);                    // used by a view when the user picks a row
    // Makes the first row whose field equals value exactly current; false when none does.
    bool Locate(const std::string& field, const std::string& value);

    // Suspends and resumes the updating of the bound views; calls nest.
    void DisableControls() { ++suspended_; }
    void EnableControls();
    bool ControlsDisabled() const { return suspended_ > 0; }

    // A view registers here and is told after every change while updates are not suspended.
    int AddObserver(Observer observer);
    void RemoveObserver(int handle);

    // Row values for views: row r, field f, as text.
    std::string CellText(int row, const std::string& field) const;

private:
    enum class State { Browse, Insert, Edit };
    using Row = std::vector<std::string>;  // integers are kept as their decimal text
    int FieldIndex(const std::string& field) const;
    const Row& CurrentBuffer() const;
    Row& WritableBuffer();
    void Changed();

    std::vector<FieldDef> fields_;
    int indexField_ = -1;
    std::vector<Row> rows_;
    Row buffer_;
    State state_ = State::Browse;
    int current_ = -1;
    bool eof_ = true;
    int suspended_ = 0;
    std::vector<std::pair<int, Observer>> observers_;
    int nextObserver_ = 1;
};

}  // namespace vorlane::data
