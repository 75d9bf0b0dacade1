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
#include "entry/PastedPoints.h"
#include "entry/PointList.h"
#include "entry/TableReader.h"

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

// What a paste did to the list.
struct PasteDone {
    int added = 0;              // points added
    bool limitReached = false;  // further points were left out: the list holds kMaxPoints
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

    // One data set of a table in place of the list, its rows listed as a data file's rows
    // are (four significant digits, the list's separator), the counts as a data file leaves
    // them.
    void listTableSet(const TableDataSet& set, const std::string& shownPath);

    // Pasted points after the list's last point, numbered on from it, as an entry of added
    // points ends: the counts cover them and the list counts as edited. The first points
    // that fit below kMaxPoints are added, the rest left out. Nothing added, nothing changes.
    PasteDone paste(const std::vector<PastedPoint>& points);

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
    void listRows(const std::vector<ListRow>& rows, const std::string& shownPath);

    EntryCounts& counts_;
    Separator sep_;
    PointList points_;
    std::optional<DataSet> handedOn_;  // by the last hand-off
    std::string dataFileName_;
    std::string changedDataFileName_;
    int editRow_ = 0;
    bool dataEdited_ = false;
};

// A table's data set as the hand-off of its listed rows would give it: each value rounded
// to four significant digits, points whose concentration is 0 passed over, sorted by
// OrdenaVetor, with the units and substrate of `labels` (blanks trimmed). A value that
// rounds beyond the largest double leaves its point out.
DataSet tableDataSet(const TableDataSet& set, const ReportLabels& labels);
// Every data set of the table but `chosen`, each as tableDataSet gives it.
std::vector<DataSet> otherTableSets(const std::vector<TableDataSet>& sets, std::size_t chosen,
                                    const ReportLabels& labels);
// The data sets with the units and substrate of `labels` instead of their own.
std::vector<DataSet> relabelled(std::vector<DataSet> sets, const ReportLabels& labels);
// How the choice among a table's data sets names one: "WT (12 points)".
std::string tableSetCaption(const TableDataSet& set);

}  // namespace kinetra
