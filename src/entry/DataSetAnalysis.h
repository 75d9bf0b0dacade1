#pragma once
// One data set from its records to its report, the road both front ends take (the data
// entry and calculation windows, and kinetra-fit):
//
//   readDataFile   a data file into the rows of the point list, texts as the list shows them
//   savePoints     the points in use written as a saved point file (when the user asks)
//   handOff        the rows copied into the shared record, the labels, the sort, the rows
//                  rewritten sorted
//   startReport    the report's header and data section
//   calculate      each curve through the curve loop, with its report section
//   graph1/graph2  the display lists of the two graphs
//
// The front end keeps what the user sees: it lists the rows, shows the messages and the
// results, and says where the report goes (ReportOutput). Everything here reaches it
// through return values and callbacks.

#include <functional>
#include <memory>
#include <ostream>
#include <optional>
#include <string>
#include <vector>

#include "base/FileReplacement.h"
#include "entry/DataFileReader.h"
#include "entry/HandOff.h"
#include "graphs/GraphGeometry.h"
#include "kinetics/CurveLoop.h"
#include "report/ReportLines.h"

namespace kinetra {

// The labels of the data set as typed: the report header shows them as they are, the
// shared record takes the units and the substrate with their blanks trimmed.
struct ReportLabels {
    std::string user;
    std::string experiment;
    std::string rateUnit;
    std::string concUnit;
    std::string ligand;
    std::string numberOfPoints;  // the hidden field's text (always empty)
};

// Where the report goes: a file, a print job, standard output. Both calls may throw
// RuntimeFailure.
class ReportOutput {
public:
    virtual ~ReportOutput() = default;
    virtual ReportForm form() const { return ReportForm::File; }
    // The file name the header shows (empty for a printer or a terminal).
    virtual std::string fileName() const { return {}; }
    // A new report: its header and data section (an older report is replaced).
    virtual void begin(const std::vector<std::string>& lines) = 0;
    // One curve's section, after everything written before.
    virtual void append(const std::vector<std::string>& lines) = 0;
    // The calculation is over: `completed` is false when it ended early.
    virtual void finish(bool completed) { (void)completed; }
};

// A report file created at the hand-off and appended to by each curve; each part reaches
// the file whole or not at all.
class ReportFile : public ReportOutput {
public:
    explicit ReportFile(std::string path) : path_(std::move(path)) {}
    std::string fileName() const override { return path_; }
    void begin(const std::vector<std::string>& lines) override;
    void append(const std::vector<std::string>& lines) override;

private:
    std::string path_;
};

// A report file that replaces an older file only once it was written whole, at commit();
// a device or a pipe named as the report is written directly. After a failure the report
// is dropped and the older file stays as it was.
class ReportFileReplacement : public ReportOutput {
public:
    explicit ReportFileReplacement(std::string path);
    ~ReportFileReplacement() override;
    std::string fileName() const override;  // the whole path
    void begin(const std::vector<std::string>& lines) override;
    void append(const std::vector<std::string>& lines) override;
    // Puts the report in place. Throws RuntimeFailure.
    void commit();

private:
    std::string path_;
    std::unique_ptr<FileReplacement> file_;
};

// A report on a stream (a terminal), one line each.
class ReportStream : public ReportOutput {
public:
    explicit ReportStream(std::ostream& out) : out_(out) {}
    void begin(const std::vector<std::string>& lines) override { append(lines); }
    void append(const std::vector<std::string>& lines) override;

private:
    std::ostream& out_;
};

// The points of one curve as typed (first, last), checked as the points window checks
// them against the data set's point count: the message ("Wrong First Point", "Wrong Last
// Point") of the first wrong one, or nothing; then `points` receives the whole first and
// last point of each curve. Each curve starts after the last point of the one before.
std::optional<std::string> curvePointsError(const std::vector<std::pair<std::string, std::string>>& curves,
                                            int pointCount, std::vector<std::pair<int, int>>* points);

// The curve loop's hooks of a calculation whose curves were chosen beforehand (a batch):
// each curve's first and last point, the first curve's baseline; warnings go to a callback,
// results are not shown.
class ChosenCurves : public CalculationHooks {
public:
    ChosenCurves(std::vector<std::pair<int, int>> points, double baseline, WarningCallback onWarning)
        : points_(std::move(points)), baseline_(baseline), onWarning_(std::move(onWarning))
    {
    }
    void askCurvePoints(SharedState& st, int curve) override;
    void showWarning(const std::string& message) override
    {
        if (onWarning_) onWarning_(message);
    }
    void presentCurve(const SharedState&, const CurveResults&) override {}

private:
    std::vector<std::pair<int, int>> points_;
    double baseline_;
    WarningCallback onWarning_;
};

// Rows of a data file as the point list shows them, or the failure that refused the file.
struct ListedFile {
    std::vector<ListRow> rows;
    std::optional<CalculationEnd> failure;  // "Wrong Data" and the failure text, back to the menu
};

// A drawn graph, or the text of the failure that stopped the drawing.
struct GraphDrawing {
    std::optional<DisplayList> list;
    std::string failure;
};

// Rows rewritten after the sort are what the list and the report data lines show; a front
// end that shows neither may skip them.
enum class RowsAfterSort { Rewrite, Leave };

class DataSetAnalysis {
public:
    // `sep` is the decimal separator of the list texts and the report numbers.
    DataSetAnalysis(SharedState& st, char sep);

    // Reads the data file into list rows. On success: pointCount = n, nextPointNumber =
    // n + 1, loopIndex = n, savedPointCount = n. A file that cannot be read leaves the counts
    // as they were and comes back as a failure.
    ListedFile readDataFile(const std::string& path, const ReadWarning& onWarning = {}) const;

    // The points in use, in list order, as a saved point file, copied on a scratch record so
    // that a file that cannot be written leaves the shared record as it was. Throws
    // RuntimeFailure.
    void savePoints(const std::string& path, const std::vector<ListRow>& rows, int deletedCount) const;

    // The hand-off: the rows in use copied into the shared arrays, rateUnit, concUnit and
    // ligandName set from the labels with their blanks trimmed, the points sorted,
    // pointCount = the points handed on, nextPointNumber = pointCount + 1, and the rows
    // rewritten sorted. A list text too large for a double or a 201st point comes back as
    // a failure ("Wrong Data").
    std::optional<CalculationEnd> handOff(std::vector<ListRow>& rows, int deletedCount,
                                          const ReportLabels& labels,
                                          RowsAfterSort after = RowsAfterSort::Rewrite);
    // The points handed on by the last hand-off.
    int activeCount() const { return activeCount_; }

    // The report's header and data section (rows 1..activeCount of the rewritten list) to
    // `output`; no output, no report. A report
    // that cannot be begun is dropped for the rest of the data set (outputDestination "N",
    // no file name) and its failure comes back for the front end to say; the analysis goes
    // on without it.
    std::optional<RuntimeFailure> startReport(ReportOutput* output, const ReportLabels& labels,
                                              const ReportClock& clock,
                                              const std::vector<ListRow>& rows);

    // The curves. Each curve's results go to the front end (hooks.presentCurve), then its
    // section to the report, unless the report was dropped; a section that cannot be
    // written ends the calculation ("Wrong Data", menu). The output's finish() follows.
    CalculationOutcome calculate(FitWork& work, int curveCount, CalculationHooks& hooks,
                                 ReportOutput* output);

    // Graph 1 of the points handed on.
    GraphDrawing graph1(const GraphMessage& onMessage = {}) const;
    // Graph 2 after the fit, with or without the baseline; with a range, drawn again over
    // it (the second way of drawing).
    GraphDrawing graph2(Graph2State& g, bool considerBaseline);
    GraphDrawing graph2(Graph2State& g, bool considerBaseline, double lowConc, double highConc);

    // Whether the report goes on: a destination other than "N".
    bool reporting() const;

private:
    SharedState& st_;
    char sep_;
    int activeCount_ = 0;
};

}  // namespace kinetra
