#include "entry/DataEntry.h"

#include <vector>

#include "base/RuntimeFailure.h"

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
    dataFileName_ = shownPath;
    Outcome<std::vector<ListRow>> listed = listDataFile(localPath, sep_(), onWarning);
    if (!listed) return listed.failure();
    const auto k = static_cast<std::int16_t>(listed->size());
    counts_.pointCount = k;
    counts_.nextPointNumber = static_cast<std::int16_t>(k + 1);
    counts_.savedPointCount = k;
    points_.load(*listed);
    points_.countRows();
    return Done{};
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

}  // namespace kinetra
