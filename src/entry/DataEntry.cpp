#include "entry/DataEntry.h"

#include <vector>

#include "base/RuntimeFailure.h"

namespace kinetra {

DataEntry::DataEntry(SharedState& st, Separator sep) : st_(st), sep_(std::move(sep)) {}

void DataEntry::activate()
{
    if (st_.firstActivation) {
        points_.clear();
        st_.firstActivation = false;
    }
    points_.forgetDeletedRows();
    if (st_.pointCount != 0) {
        st_.nextPointNumber = static_cast<std::int16_t>(st_.pointCount + 1);
        points_.setActiveCount(st_.pointCount);
    }
    dataEdited_ = false;
}

std::optional<CalculationEnd> DataEntry::readFile(const std::string& localPath, const std::string& shownPath,
                                                  const ReadWarning& onWarning)
{
    dataFileName_ = shownPath;
    ListedFile listed = DataSetAnalysis(st_, sep_()).readDataFile(localPath, onWarning);
    if (listed.failure) return listed.failure;
    points_.load(listed.rows);
    points_.countRows();
    return std::nullopt;
}

void DataEntry::startKeyboardEntry()
{
    dataEdited_ = true;
    points_.clear();
    st_.nextPointNumber = 1;
}

void DataEntry::keyboardEntryOver()
{
    points_.countRows();
    dataEdited_ = true;
}

void DataEntry::addedPointsEnded() { points_.countPoints(st_.pointCount); }

bool DataEntry::deleteRow(int row)
{
    st_.loopIndex = row;
    return points_.deleteRow(row, st_.nextPointNumber);
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
        DataSetAnalysis(st_, sep_()).savePoints(localPath, points_.rows(), points_.deletedCount());
    } catch (const RuntimeFailure& f) {
        return "The data points could not be saved in the file " + shownPath + "\r\n" + f.description();
    }
    return std::nullopt;
}

std::optional<CalculationEnd> DataEntry::handOff(const ReportLabels& labels)
{
    std::vector<ListRow> rows = points_.rows();
    DataSetAnalysis& analysis = analysis_.emplace(st_, sep_());
    if (std::optional<CalculationEnd> failed = analysis.handOff(rows, points_.deletedCount(), labels))
        return failed;
    points_.rewrite(rows);
    handedRows_ = std::move(rows);
    points_.setActiveCount(analysis.activeCount());
    return std::nullopt;
}

std::optional<std::string> DataEntry::startReport(ReportOutput* output, const ReportLabels& labels,
                                                  const ReportClock& clock)
{
    // the destination as chosen: a report that fails is dropped, and the choice with it
    const bool printer = st_.outputDestination == "P";
    const std::string path = st_.outputFileName;
    if (!analysis_) return std::nullopt;  // nothing handed on yet
    const std::optional<RuntimeFailure> failed = analysis_->startReport(output, labels, clock, handedRows_);
    if (!failed) return std::nullopt;
    const std::string reason = failed->description();
    const std::string said = printer ? "The report cannot be printed (" + reason + ")."
                                     : "The report file " + path + " cannot be written (" + reason + ").";
    return said + "\r\nThe calculation goes on without a report.";
}

}  // namespace kinetra
