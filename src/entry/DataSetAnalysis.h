#pragma once
// One data set from its records to its report, the road both front ends take (the data
// entry and calculation windows, and kinetra-fit):
//
//   listDataFile   a data file into the rows of the point list, texts as the list shows them
//   savePoints     the points in use written as a saved point file (when the user asks)
//   handOff        the rows in use into a data set: the labels, the sort, the rows rewritten
//   readDataSet    a data file straight into a data set (kinetra-fit: no list in between)
//   startReport    the report's header and data section
//   calculate      each curve through the curve loop, with its report section
//   drawGraph1/2   the display lists of the two graphs
//
// The front end keeps what the user sees: it lists the rows, shows the messages and the
// results, and says where the report goes (ReportOutput). Everything here reaches it
// through return values and callbacks.

#include <string>
#include <vector>

#include "base/Outcome.h"
#include "entry/DataFileReader.h"
#include "entry/HandOff.h"
#include "graphs/GraphGeometry.h"
#include "kinetics/CurveLoop.h"
#include "report/ReportOutput.h"

namespace kinetra {

// The labels of the data set as typed: the report header shows them as they are, the data
// set takes the units and the substrate with their blanks trimmed.
struct ReportLabels {
    std::string user;
    std::string experiment;
    std::string rateUnit;
    std::string concUnit;
    std::string ligand;
    std::string numberOfPoints;  // the hidden field's text (always empty)
};

// The rows of a data file as the point list shows them, values with the separator `sep`, or
// the failure that refused the file.
Outcome<std::vector<ListRow>> listDataFile(const std::string& path, char sep, const ReadWarning& onWarning = {});

// The `wanted` points in use of the rows, in list order, as a saved point file. Throws
// RuntimeFailure.
void savePoints(const std::string& path, const std::vector<ListRow>& rows, int wanted, char sep);

// The hand-off: the rows in use (see copyList) into a data set with the labels' units and
// substrate trimmed, sorted; `rows` rewritten sorted unless the front end shows neither list
// nor report data. A list text too large for a double or a 201st point is the failure.
enum class RowsAfterSort { Rewrite, Leave };
Outcome<DataSet> handOff(std::vector<ListRow>& rows, int wanted, const ReportLabels& labels, char sep,
                         RowsAfterSort after = RowsAfterSort::Rewrite);

// A data file read straight into a data set, with the numbers the hand-off of its list gives.
Outcome<DataSet> readDataSet(const std::string& path, const ReportLabels& labels, const ReadWarning& onWarning = {});

// The report's header and data section (the data set's points, with `sep`) to `output`. A
// report that cannot be begun comes back as its failure; the caller drops it and goes on.
Status startReport(ReportOutput& output, const ReportLabels& labels, const ReportClock& clock, const DataSet& data,
                   char sep);

// The curves. Each curve's results go to the front end (hooks.presentCurve), then its
// section to the report when there is one (numbers with `sep`); a section that cannot be
// written ends the calculation. The output's finish() follows.
CalculationOutcome calculate(const DataSet& data, int curveCount, CalculationHooks& hooks, ReportOutput* output,
                             char sep);

// Graph 1 of the points handed on.
Outcome<DisplayList> drawGraph1(const DataSet& data, const GraphMessage& onMessage = {});
// Graph 2 of the curves fitted (see buildGraph2).
Outcome<DisplayList> drawGraph2(const DataSet& data, const std::vector<CurveFit>& curves, bool considerBaseline,
                                Graph2State& g, double lowConc = 0.0, double highConc = 0.0);

}  // namespace kinetra
