#include "entry/PointList.h"

#include "format/NumberForms.h"
#include "kinetics/DataSet.h"

namespace kinetra {

namespace {

std::string& column(ListRow& row, int column)
{
    return column == 1 ? row.concentration : row.rate;
}

}  // namespace

void PointList::onChange(RowChanged rowChanged, Emptied emptied)
{
    rowChanged_ = std::move(rowChanged);
    emptied_ = std::move(emptied);
}

void PointList::clear()
{
    rows_.clear();
    deleted_.clear();
    if (emptied_) emptied_();
}

void PointList::load(const std::vector<ListRow>& rows)
{
    clear();
    rows_ = rows;
    for (int r = 1; r <= rowCount(); ++r) changed(r);
}

void PointList::rewrite(const std::vector<ListRow>& rows)
{
    deleted_.clear();
    for (int r = 1; r <= rowCount() && r <= static_cast<int>(rows.size()); ++r) {
        rows_[static_cast<std::size_t>(r - 1)] = rows[static_cast<std::size_t>(r - 1)];
        changed(r);
    }
}

bool PointList::deleteRow(int row, int nextPointNumber)
{
    if (row > nextPointNumber - 1 || !hasRow(row)) return false;
    ListRow& r = rows_[static_cast<std::size_t>(row - 1)];
    r.concentration = "0";
    r.rate = "0";
    deleted_.insert(row);
    changed(row);
    return true;
}

Correction PointList::correct(int row, int col, std::string_view text, bool typed, char sep)
{
    const std::optional<double> value = parseDecimal(text, sep);
    if (!value || *value <= 0.0) return typed ? Correction::Refused : Correction::Untouched;
    if (hasRow(row)) {
        column(rows_[static_cast<std::size_t>(row - 1)], col) = formatE3(*value, sep);
        if (col == 1) deleted_.erase(row);
        changed(row);
    }
    return Correction::Accepted;
}

Correction PointList::correctConcentration(int row, std::string_view text, bool typed, char sep)
{
    return correct(row, 1, text, typed, sep);
}

Correction PointList::correctRate(int row, std::string_view text, bool typed, char sep)
{
    return correct(row, 2, text, typed, sep);
}

void PointList::append(std::string number)
{
    rows_.push_back({std::move(number), {}, {}});
    changed(rowCount());
}

void PointList::setNumber(int row, std::string number)
{
    if (!hasRow(row)) return;
    rows_[static_cast<std::size_t>(row - 1)].number = std::move(number);
    changed(row);
}

void PointList::startPoint(int n, int savedPointCount)
{
    if (savedPointCount < rowCount() && n <= rowCount())
        setNumber(n, std::to_string(n));
    else
        append(std::to_string(n));
}

void PointList::nextPoint(int n)
{
    if (rowCount() < n)
        append(std::to_string(n));
    else
        setNumber(n, std::to_string(n));
}

bool PointList::enterValue(int n, int col, std::string_view text, char sep)
{
    const std::optional<double> value = parseDecimal(text, sep);
    if (!value || *value <= 0.0) return false;
    if (hasRow(n)) {
        column(rows_[static_cast<std::size_t>(n - 1)], col) = formatE7(*value, sep);
        changed(n);
    }
    return true;
}

void PointList::enterPoint(int n, double concentration, double rate, char sep)
{
    nextPoint(n);
    if (!hasRow(n)) return;
    ListRow& r = rows_[static_cast<std::size_t>(n - 1)];
    r.concentration = formatE7(concentration, sep);
    r.rate = formatE7(rate, sep);
    deleted_.erase(n);
    changed(n);
}

bool PointList::roomFor(int nextPointNumber)
{
    return nextPointNumber <= kMaxPoints;
}

}  // namespace kinetra
