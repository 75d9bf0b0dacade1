#pragma once
// The data entry window's state and steps, without its widgets: the point list and where
// its rows came from, the row being corrected, whether the user edited the points, and
// the steps that move the data set on (a data file read, a keyboard entry started and
// ended, a row deleted or corrected, the changed points saved, the hand-off and the start
// of the report). The window shows the list and the fields, asks the questions and shows
// the messages this class words for it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "entry/DataSetAnalysis.h"
#include "entry/PointList.h"

namespace kinetra {

// The data entry's counts as the windows keep them between steps, 16-bit as the user can
// overflow them: the points the list holds as entered (then as handed on), the number of the
// next point to type, the points there were when an entry of added points began, and whether
// the next showing of the window starts an empty list.
struct EntryCounts {
    std::int16_t pointCount = 0;
    std::int16_t nextPointNumber = 0;
    std::int16_t savedPointCount = 0;
    bool firstActivation = false;
};

class DataEntry {
public:
    // The decimal separator of the list texts and of the numbers typed, asked for at each
    // step (the user's locale may change while the window is open).
    using Separator = std::function<char()>;
    DataEntry(EntryCounts& counts, Separator sep);

    PointList& points() { return points_; }
    const PointList& points() const { return points_; }

    const std::string& dataFileName() const { return dataFileName_; }
    const std::string& changedDataFileName() const { return changedDataFileName_; }
    int editRow() const { return editRow_; }
    bool dataEdited() const { return dataEdited_; }
    // The user touched the list (chose a row, typed the points).
    void markEdited() { dataEdited_ = true; }

    // The window shown (again): the first time, an empty list; deleted rows are forgotten;
    // after a hand-off the numbering goes on after the points handed on. Nothing edited yet.
    void activate();

    // A data file's rows in place of the list. `localPath` opens the file, `shownPath` is
    // the name kept for the window. A file that cannot be read leaves the list as it was
    // and comes back as its failure (with the program's title, back to the menu).
    Status readFile(const std::string& localPath, const std::string& shownPath, const ReadWarning& onWarning);

    // Points typed in: the list emptied and numbered from 1; when the entry is over, every
    // row counts. An entry cancelled counts no point; an entry of added points ended
    // counts the points entered less the deleted rows.
    void startKeyboardEntry();
    void keyboardEntryOver();
    void keyboardEntryCancelled() { points_.setActiveCount(0); }
    void addedPointsEnded();

    // Deletes a row (it reads 0 and counts once): false when the row holds no point.
    bool deleteRow(int row);
    // The row whose values the correction fields show, and the fields' texts for it.
    const ListRow& startCorrection(int row);
    Correction correctConcentration(std::string_view text, bool typed);
    Correction correctRate(std::string_view text, bool typed);

    // The points in use written to a saved point file the user named (`shownPath`, empty
    // when the user cancelled: nothing is written). The message to show when the file
    // cannot be written; the hand-off then waits.
    std::optional<std::string> savePoints(const std::string& localPath, const std::string& shownPath);

    // The hand-off of the list: the points into a data set, sorted, and the list rewritten
    // sorted; pointCount and nextPointNumber count the points handed on. A list the analysis
    // refuses comes back as its failure and the list stays as it was.
    Outcome<DataSet> handOff(const ReportLabels& labels);
    // The report's header and data section of the data set handed on, to `output` (a printer
    // when `printer`, else the file `path`). A report that cannot be begun comes back as the
    // message to show; the caller drops it and the calculation goes on without it.
    std::optional<std::string> startReport(ReportOutput& output, bool printer, const std::string& path,
                                           const ReportLabels& labels, const ReportClock& clock);

private:
    EntryCounts& counts_;
    Separator sep_;
    PointList points_;
    std::optional<DataSet> handedOn_;  // by the last hand-off
    std::string dataFileName_;
    std::string changedDataFileName_;
    int editRow_ = 0;
    bool dataEdited_ = false;
};

}  // namespace kinetra
