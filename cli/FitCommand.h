#pragma once
// kinetra-fit: the windows' pipeline on data files, without windows. Each data file is a
// data set of its own: read, handed on, sorted, fitted with the same choices, reported. So is
// each data set of a table (--table, DataSetSources.h).
//
// With several data files, -j N fits N of them at once; the output is the same as one after
// another (see OrderedBatch.h). With --compare the data files are instead the data sets of
// one comparison (CompareCommand.h).
//
// Exit status: 0 every curve was fitted (warnings allowed); 1 a calculation ended with one
// of the program's messages, a run-time failure, statistics whose rates cannot be weighted,
// a band that does not exist, a report, graph or table that could not be drawn or written,
// or standard output that could not take what was printed; 2 a usage error (also an output
// named as a data file or table, or two outputs named as one file) or a data file or table
// that cannot be read. With several data sets, the highest.
//
// Every JSON line names what it is about ("file", and "dataSet" for a table's data set) and
// carries "settings" and "program" (CommandOutput.h); messages name a table's data set as
// "file#dataSet".
//
// Report, graph and table files are written beside their names and put in place only when
// whole: a failure leaves an older file as it was. A device or a pipe is written directly.

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "entry/TableReader.h"
#include "OrderedBatch.h"
#include "report/ReportLines.h"
#include "stats/Weighting.h"

namespace kinetra::cli {

inline constexpr int kExitFitted = 0;
inline constexpr int kExitEnded = 1;
inline constexpr int kExitUsage = 2;

inline constexpr const char* kOneDataSetOnly =
    "--report, --graph1, --graph2, --graph2-range and --residuals take exactly one DATAFILE, or a --table of one "
    "data set";

// The points of one curve as typed after --curve ("3-12"): the two texts, unchecked.
struct CurveTexts {
    std::string first;
    std::string last;
};

struct FitOptions {
    std::vector<std::string> dataFiles;
    std::vector<std::string> tables;  // --table: each of their data sets is fitted as a data file is
    std::string columnsText;          // --columns as typed ("S,v,set"), empty when not given
    TableOptions columns;             // the columns it names
    std::vector<CurveTexts> curves;  // none: one curve over all points
    double baseline = 0.0;
    std::string rateUnit, concUnit, ligand, user, experiment;  // as typed
    std::string reportFile;  // empty: the report goes to standard output (unless json)
    bool json = false;
    std::string graph1File;
    std::string graph2File;
    std::optional<double> rangeLow, rangeHigh;  // --graph2-range: graph 2's second way
    bool considerBaseline = false;
    bool stats = false;         // --stats: the fit statistics of each curve
    std::string csvFile;        // --csv: one row per curve per data file
    std::string residualsFile;  // --residuals: the residual plot as SVG
    Weighting weighting = Weighting::None;  // --weight: least squares of the statistics and comparisons
    std::string bandFile;       // --band: the 95 % bands of every fitted curve as CSV
    int bandPoints = 100;       // --band-points: the concentrations of each band
    std::string fitPlotFile;    // --fit-plot: points, curve and bands as SVG (see fitPlotPaths)
    bool compare = false;       // --compare: the data sets are compared (CompareCommand.h)
    std::string comparePlotFile;  // --compare-plot: every set's points and curve as SVG
    int jobs = 0;  // data sets fitted at once (-j); 0: as many as the machine has cores
};

// "2.2.0"
std::string programVersion();

// What the command line asks for: options to run, or an exit with texts for standard
// output (help, version) and standard error (usage errors).
struct ParseOutcome {
    std::optional<FitOptions> options;
    int exitCode = kExitFitted;
    std::string out;
    std::string err;
};

// Pure: no file is touched. `args` holds the arguments without the program's name.
ParseOutcome parse(const std::vector<std::string>& args);

// The checks of the points window for every curve asked for, against the data set's
// point count: the message ("Wrong First Point", "Wrong Last Point") or nothing. On success
// `points` receives the whole first and last point of each curve.
std::optional<std::string> checkCurvePoints(const FitOptions& options, int pointCount,
                                            std::vector<std::pair<int, int>>* points = nullptr);

// Where --fit-plot writes: the path as given for one data set of one curve; otherwise the
// data set's stem ("plot.svg" and the stem "a" of run/a.txt give "plot-a.svg") and, with two
// curves, the curve ("plot-a-curve2.svg") go before the extension.
std::string fitPlotPath(const std::string& asGiven, const std::string& stem, int curve, bool severalDataSets,
                        bool severalCurves);

// What the command takes from its surroundings; tests pin the clock.
struct CommandEnvironment {
    std::function<ReportClock()> clock = currentDateTime;
    BatchSettings batch;  // the terminals and the clock of the progress line (jobs: from -j)
};

int runFitCommand(int argc, char** argv, std::ostream& out, std::ostream& err,
                  const CommandEnvironment& env = {});

// One parsed command line over all its data files.
int runFitCommand(const FitOptions& options, std::ostream& out, std::ostream& err,
                  const CommandEnvironment& env);

}  // namespace kinetra::cli
