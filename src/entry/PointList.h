#pragma once
// The point list of a data set as the data entry window shows it: one row per point, each
// with its number, concentration and rate texts, and the rules for editing it: a row
// deleted (both values read 0, counted once), a row corrected (concentration or rate,
// checked and written in three decimals), and the rows a keyboard entry fills in (values
// in seven decimals, at most kMaxPoints points). Rows are numbered from 1.
//
// The front end shows the rows: it is told through callbacks which row changed and when
// the list was emptied.

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "entry/HandOff.h"

namespace kinetra {

// What a correction field's text does to its row.
enum class Correction {
    Accepted,   // a positive number: the row takes it
    Refused,    // typed, and not a positive number: the field holds the user
    Untouched,  // the program's own text (a deleted row's "0", an emptied row's ""): the row
                // stays as it is and the user may leave
};

class PointList {
public:
    using RowChanged = std::function<void(int row)>;
    using Emptied = std::function<void()>;

    // A row changed or was added (added rows come in order); the list was emptied.
    void onChange(RowChanged rowChanged, Emptied emptied);

    int rowCount() const { return static_cast<int>(rows_.size()); }
    bool hasRow(int row) const { return row >= 1 && row <= rowCount(); }
    const ListRow& row(int row) const { return rows_.at(static_cast<std::size_t>(row - 1)); }
    const std::vector<ListRow>& rows() const { return rows_; }

    // Empties the list; no row is deleted any more.
    void clear();
    // The rows of a data file, in place of the rows before.
    void load(const std::vector<ListRow>& rows);
    // The rows rewritten by the hand-off (as many as before); the deleted rows are gone.
    void rewrite(const std::vector<ListRow>& rows);

    // Deletes a row: both values read "0" and the row is counted once however often it is
    // deleted. Only a row that holds a point (below nextPointNumber) can be deleted: false
    // for any other, and nothing changes.
    bool deleteRow(int row, int nextPointNumber);
    // Rows deleted since the list was last filled, emptied or handed on, or since the
    // deleted rows were forgotten (the window shown again).
    int deletedCount() const { return static_cast<int>(deleted_.size()); }
    void forgetDeletedRows() { deleted_.clear(); }

    // A correction field's text for a row's concentration or rate; `typed` says whether the
    // user typed in the field. An accepted concentration puts a deleted row in use again.
    Correction correctConcentration(int row, std::string_view text, bool typed, char sep);
    Correction correctRate(int row, std::string_view text, bool typed, char sep);

    // The points in use, as the hand-off will count them.
    int activeCount() const { return activeCount_; }
    void setActiveCount(int count) { activeCount_ = count; }
    // All rows but the deleted ones are in use (a file read, a keyboard entry).
    void countRows() { activeCount_ = rowCount() - deletedCount(); }
    // The entered points but the deleted ones are in use (an entry of added points ended).
    void countPoints(int pointCount) { activeCount_ = pointCount - deletedCount(); }

    // Keyboard entry. The row for point `n` when the entry window opens: a row beyond the
    // `savedPointCount` points already there (emptied by a hand-off, or made before a
    // return) is reused, else a row is added.
    void startPoint(int n, int savedPointCount);
    // The row for the next point `n` within a running entry: reused when it exists.
    void nextPoint(int n);
    // A typed concentration (column 1) or rate (column 2) of the row of point `n`: false,
    // and nothing written, unless it is a positive number.
    bool enterValue(int n, int column, std::string_view text, char sep);
    // A whole point `n` entered at once (pasted): into the row of point `n`, reused when it
    // exists, else added after the last row; its values written as typed values are.
    void enterPoint(int n, double concentration, double rate, char sep);
    // Whether point `nextPointNumber` may still be entered.
    static bool roomFor(int nextPointNumber);

private:
    void append(std::string number);
    void setNumber(int row, std::string number);
    Correction correct(int row, int column, std::string_view text, bool typed, char sep);
    void changed(int row) const
    {
        if (rowChanged_) rowChanged_(row);
    }

    std::vector<ListRow> rows_;
    std::set<int> deleted_;
    int activeCount_ = 0;
    RowChanged rowChanged_;
    Emptied emptied_;
};

}  // namespace kinetra
