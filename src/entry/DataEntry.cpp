#include "entry/DataEntry.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/RuntimeFailure.h"
#include "format/NumberForms.h"

namespace kinetra {

DataEntry::DataEntry(EntryCounts& counts, Separator sep) : counts_(counts), sep_(std::move(sep)) {}

void DataEntry::activate()
{
    if (counts_.firstActivation) {
        points_.clear();
        counts_.firstActivation = false;
    }
    points_.forgetDeletedRows();
    if (counts_.pointCount != 0) {
        counts_.nextPointNumber = static_cast<std::int16_t>(counts_.pointCount + 1);
        points_.setActiveCount(counts_.pointCount);
    }
    dataEdited_ = false;
}

Status DataEntry::readFile(const std::string& localPath, const std::string& shownPath, const ReadWarning& onWarning)
{
    dataFileName_ = shownPath;  // also when the file cannot be read
    Outcome<std::vector<ListRow>> listed = listDataFile(localPath, sep_(), onWarning);
    if (!listed) return listed.failure();
    listRows(*listed, shownPath);
    return Done{};
}

void DataEntry::listRows(const std::vector<ListRow>& rows, const std::string& shownPath)
{
    dataFileName_ = shownPath;
    const auto k = static_cast<std::int16_t>(rows.size());
    counts_.pointCount = k;
    counts_.nextPointNumber = static_cast<std::int16_t>(k + 1);
    counts_.savedPointCount = k;
    points_.load(rows);
    points_.countRows();
}

void DataEntry::listTableSet(const TableDataSet& set, const std::string& shownPath)
{
    const char sep = sep_();
    std::vector<ListRow> rows;
    const std::size_t n = std::min(set.concentration.size(), set.rate.size());
    rows.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        rows.push_back(ListRow{std::to_string(i + 1), formatE3(set.concentration[i], sep), formatE3(set.rate[i], sep)});
    listRows(rows, shownPath);
}

PasteDone DataEntry::paste(const std::vector<PastedPoint>& pasted)
{
    // the points entered so far; a list emptied since they were counted (a new calculation
    // keeps the counts) holds none
    const int last = std::clamp(static_cast<int>(counts_.pointCount), 0, points_.rowCount());
    const int room = std::max(kMaxPoints - last, 0);
    const int added = std::min(static_cast<int>(pasted.size()), room);
    const PasteDone done{added, added < static_cast<int>(pasted.size())};
    if (added == 0) return done;
    const char sep = sep_();
    for (int i = 0; i < added; ++i) {
        const PastedPoint& p = pasted[static_cast<std::size_t>(i)];
        points_.enterPoint(last + 1 + i, p.concentration, p.rate, sep);
    }
    counts_.pointCount = static_cast<std::int16_t>(last + added);
    counts_.nextPointNumber = static_cast<std::int16_t>(last + added + 1);
    points_.countPoints(counts_.pointCount);
    dataEdited_ = true;
    return done;
}

void DataEntry::startKeyboardEntry()
{
    dataEdited_ = true;
    points_.clear();
    counts_.nextPointNumber = 1;
}

void DataEntry::keyboardEntryOver()
{
    points_.countRows();
    dataEdited_ = true;
}

void DataEntry::addedPointsEnded() { points_.countPoints(counts_.pointCount); }

bool DataEntry::deleteRow(int row)
{
    return points_.deleteRow(row, counts_.nextPointNumber);
}

const ListRow& DataEntry::startCorrection(int row)
{
    editRow_ = row;
    return points_.row(row);
}

Correction DataEntry::correctConcentration(std::string_view text, bool typed)
{
    return points_.correctConcentration(editRow_, text, typed, sep_());
}

Correction DataEntry::correctRate(std::string_view text, bool typed)
{
    return points_.correctRate(editRow_, text, typed, sep_());
}

std::optional<std::string> DataEntry::savePoints(const std::string& localPath, const std::string& shownPath)
{
    changedDataFileName_ = shownPath;
    if (shownPath.empty()) return std::nullopt;
    try {
        const int wanted = pointsToHandOn(counts_.pointCount, points_.rowCount(), points_.deletedCount());
        kinetra::savePoints(localPath, points_.rows(), wanted, sep_());
    } catch (const RuntimeFailure& f) {
        return "The data points could not be saved in the file " + shownPath + "\r\n" + f.description();
    }
    return std::nullopt;
}

Outcome<DataSet> DataEntry::handOff(const ReportLabels& labels)
{
    std::vector<ListRow> rows = points_.rows();
    const int wanted = pointsToHandOn(counts_.pointCount, points_.rowCount(), points_.deletedCount());
    Outcome<DataSet> data = kinetra::handOff(rows, wanted, labels, sep_());
    if (!data) return data;
    // the points actually handed on: rows that ran out, or a list whose points were not yet
    // counted, never leave the counts disagreeing with the data set
    const auto count = static_cast<std::int16_t>(data->pointCount());
    counts_.pointCount = count;
    counts_.nextPointNumber = static_cast<std::int16_t>(count + 1);
    points_.rewrite(rows);
    points_.setActiveCount(count);
    handedOn_ = *data;
    return data;
}

std::optional<std::string> DataEntry::startReport(ReportOutput& output, bool printer, const std::string& path,
                                                  const ReportLabels& labels, const ReportClock& clock)
{
    if (!handedOn_) return std::nullopt;  // nothing handed on yet
    const Status begun = kinetra::startReport(output, labels, clock, *handedOn_, sep_());
    if (begun) return std::nullopt;
    const std::string& reason = begun.failure().text;
    const std::string said = printer ? "The report cannot be printed (" + reason + ")."
                                     : "The report file " + path + " cannot be written (" + reason + ").";
    return said + "\r\nThe calculation goes on without a report.";
}

DataSet tableDataSet(const TableDataSet& set, const ReportLabels& labels)
{
    std::vector<ReadRecord> records;
    const std::size_t n = std::min(set.concentration.size(), set.rate.size());
    records.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        // the list keeps four significant digits, so the analysis sees the listed value
        ReadRecord r;
        r.concentrationText = formatScientific(set.concentration[i], 3, '.', &r.concentration);
        r.rateText = formatScientific(set.rate[i], 3, '.', &r.rate);
        if (std::isfinite(r.concentration) && std::isfinite(r.rate)) records.push_back(std::move(r));
    }
    return relabelled({dataSetOfRecords(records)}, labels).front();
}

std::vector<DataSet> otherTableSets(const std::vector<TableDataSet>& sets, std::size_t chosen,
                                    const ReportLabels& labels)
{
    std::vector<DataSet> others;
    for (std::size_t i = 0; i < sets.size(); ++i)
        if (i != chosen) others.push_back(tableDataSet(sets[i], labels));
    return others;
}

std::vector<DataSet> relabelled(std::vector<DataSet> sets, const ReportLabels& labels)
{
    for (DataSet& d : sets) {
        d.rateUnit = trimBlanks(labels.rateUnit);
        d.concUnit = trimBlanks(labels.concUnit);
        d.ligandName = trimBlanks(labels.ligand);
    }
    return sets;
}

std::string tableSetCaption(const TableDataSet& set)
{
    const std::size_t n = set.concentration.size();
    const std::string name = set.name.empty() ? std::string("(no name)") : set.name;
    return name + " (" + std::to_string(n) + (n == 1 ? " point)" : " points)");
}

}  // namespace kinetra
