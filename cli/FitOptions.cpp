// kinetra-fit's command line: the options it takes and the checks the windows make on the
// same values (baseline, new concentration range), before any file is touched.
#include "FitCommand.h"

#include <filesystem>
#include <memory>
#include <sstream>

#include <CLI/CLI.hpp>

#include "format/NumberForms.h"
#include "base/Outcome.h"
#include "stats/Bands.h"

namespace kinetra::cli {

namespace {

constexpr const char* kBaseLineWrong = "Base Line wrong";
constexpr const char* kWrongLow = "Wrong Low Substrate Concentration";
constexpr const char* kWrongHigh = "Wrong Highest Substrate Concentration";


// "3-12" -> "3", "12": the dash that separates is the first one after the first character
// that is not an exponent's sign.
std::pair<std::string, std::string> splitRange(const std::string& text)
{
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '-' && text[i - 1] != 'e' && text[i - 1] != 'E')
            return {text.substr(0, i), text.substr(i + 1)};
    }
    return {text, ""};
}

std::optional<double> number(const std::string& text) { return parseDecimal(text, '.'); }

ParseOutcome usageError(const std::string& message)
{
    ParseOutcome p;
    p.exitCode = kExitUsage;
    p.err = "kinetra-fit: " + message + "\n";
    return p;
}

}  // namespace

std::string programVersion()
{
    return std::to_string(KINETRA_VERSION_MAJOR) + "." + std::to_string(KINETRA_VERSION_MINOR) + "." +
           std::to_string(KINETRA_VERSION_REVISION);
}

namespace {

// The option table, bound to the values a parse fills in; each parse starts from the defaults
// again. Building CLI11's table is nine tenths of a parse, so a thread keeps one for a while;
// not for ever, since CLI11's clear() keeps the list of the options in the order they were
// parsed, which grows by every argument of every parse.
constexpr int kParsesPerTable = 1000;

struct CommandLine {
    CLI::App app{"Fits the Hill rate law v = V*S^n/(K^n+S^n) above a baseline to the points of "
                 "data files of (concentration, rate) records, and reports V, n, K, V/K, the "
                 "correlation and the total activity of each curve.",
                 "kinetra-fit"};
    FitOptions o;
    std::vector<std::string> curveTexts;
    std::string baselineText;
    std::string rangeText;
    std::string weightText;

    CommandLine();

    void reset()
    {
        app.clear();
        o = FitOptions{};
        curveTexts.clear();
        baselineText.clear();
        rangeText.clear();
        weightText.clear();
    }
};

CommandLine::CommandLine()
{
    app.add_option("DATAFILE", o.dataFiles, "data files; each is a data set of its own");
    app.add_option("--table", o.tables,
                   "a table a spreadsheet or a plate reader exported (CSV, semicolons, tabs or blanks; long "
                   "or wide); each of its data sets is fitted as a data file is; give it once per table")
        ->type_name("FILE")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false);
    app.add_option("--columns", o.columnsText,
                   "the columns of the tables: concentration, rate and optionally the data sets' names, each "
                   "a column number or a header (default: chosen from the header)")
        ->type_name("S,v[,set]");
    app.add_option("--curve", curveTexts,
                   "points of a curve, numbered from 1 after the sort; give it once or twice "
                   "(default: one curve over all points)")
        ->type_name("FIRST-LAST")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false);
    app.add_option("--baseline", baselineText,
                   "baseline of the first curve (default 0); the second curve's baseline is the "
                   "first curve's V plus this baseline")
        ->type_name("RATE");
    app.add_option("--rate-unit", o.rateUnit, "unit of the rates")->type_name("TEXT");
    app.add_option("--conc-unit", o.concUnit, "unit of the substrate concentrations")->type_name("TEXT");
    app.add_option("--ligand", o.ligand, "substrate (ligand)")->type_name("TEXT");
    app.add_option("--user", o.user, "user named in the report")->type_name("TEXT");
    app.add_option("--experiment", o.experiment, "experiment named in the report")->type_name("TEXT");
    app.add_option("--report", o.reportFile, "write the report (header, data, one section per curve) to FILE")
        ->type_name("FILE");
    app.add_flag("--json", o.json, "print the results as JSON instead of the report");
    app.add_option("--graph1", o.graph1File, "write graph 1 of the data set as SVG")->type_name("FILE");
    auto* graph2 = app.add_option("--graph2", o.graph2File, "write graph 2 after the fit as SVG")->type_name("FILE");
    app.add_option("--graph2-range", rangeText, "draw graph 2 over that concentration range instead")
        ->type_name("LOW-HIGH")
        ->needs(graph2);
    app.add_flag("--consider-baseline", o.considerBaseline, "graph 2 with the baseline");
    app.add_flag("--stats", o.stats,
                 "add the fit statistics of each curve: standard errors, 95 % and profile limits, "
                 "the test of n = 1, residuals (JSON, report)");
    app.add_option("--csv", o.csvFile, "write one row per curve of every data file to FILE as CSV")->type_name("FILE");
    app.add_option("--residuals", o.residualsFile, "write the residual plot of the curves as SVG")->type_name("FILE");
    app.add_option("--weight", weightText,
                   "weighting of least squares in the statistics, bands and comparisons: none (default), "
                   "relative (1/v^2) or poisson (1/v); the fitted V, n, K stay unweighted")
        ->type_name("none|relative|poisson");
    app.add_option("--band", o.bandFile,
                   "write the 95 % confidence and prediction bands of every fitted curve to FILE as CSV")
        ->type_name("FILE");
    app.add_option("--band-points", o.bandPoints, "concentrations of each band, 2 to 10000 (default 100)")
        ->type_name("N");
    app.add_option("--fit-plot", o.fitPlotFile,
                   "write the points, the fitted curve and its bands as SVG; with several data files or "
                   "curves the data file's stem and the curve go into the name (plot-a-curve2.svg)")
        ->type_name("FILE");
    app.add_flag("--compare", o.compare,
                 "compare the data files as data sets of one experiment: V, n, K and all three shared, "
                 "each tested against separate fits (one --curve at most)");
    app.add_option("--compare-plot", o.comparePlotFile, "with --compare: every set's points and curve as SVG")
        ->type_name("FILE");
    app.add_option("-j,--jobs", o.jobs, "data files fitted at once (default: the number of cores)")
        ->type_name("N")
        ->check(CLI::PositiveNumber);
    app.set_version_flag("--version", "kinetra-fit " + programVersion());
}

}  // namespace

ParseOutcome parse(const std::vector<std::string>& args)
{
    thread_local std::unique_ptr<CommandLine> table;
    thread_local int parses = 0;
    if (!table || ++parses > kParsesPerTable) {
        table = std::make_unique<CommandLine>();
        parses = 1;
    }
    CommandLine& line = *table;
    line.reset();
    CLI::App& app = line.app;
    FitOptions& o = line.o;
    const std::vector<std::string>& curveTexts = line.curveTexts;
    const std::string& baselineText = line.baselineText;
    const std::string& rangeText = line.rangeText;
    const std::string& weightText = line.weightText;

    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them last first
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        std::ostringstream out, err;
        ParseOutcome p;
        const int code = app.exit(e, out, err);
        p.exitCode = code == 0 ? kExitFitted : kExitUsage;
        p.out = out.str();
        p.err = err.str();
        return p;
    }

    if (o.dataFiles.empty() && o.tables.empty()) return usageError("give a DATAFILE or a --table");
    if (app.count("--columns") > 0) {
        if (o.tables.empty()) return usageError("--columns goes with --table");
        if (const std::string wrong = parseColumnList(o.columnsText, o.columns); !wrong.empty())
            return usageError("--columns: " + wrong);
    }
    if (curveTexts.size() > 2) return usageError("--curve: give it once or twice");
    for (const std::string& t : curveTexts) {
        auto [first, last] = splitRange(t);
        o.curves.push_back(CurveTexts{first, last});
    }
    if (!baselineText.empty() || app.count("--baseline") > 0) {
        const std::optional<double> b = number(baselineText);
        if (!b || *b < 0.0) return usageError(std::string(kTitleCritica) + ": " + kBaseLineWrong);
        o.baseline = *b;
    }
    if (app.count("--graph2-range") > 0) {
        const auto [lowText, highText] = splitRange(rangeText);
        const std::optional<double> low = number(lowText);
        const std::optional<double> high = number(highText);
        if (!low || *low <= 0.0) return usageError(std::string(kTitleCritica) + ": " + kWrongLow);
        if (!high || *high <= 0.0 || *high <= *low)
            return usageError(std::string(kTitleCritica) + ": " + kWrongHigh);
        o.rangeLow = low;
        o.rangeHigh = high;
    }
    if (!weightText.empty() || app.count("--weight") > 0) {
        const std::optional<Weighting> w = parseWeighting(weightText);
        if (!w) return usageError("--weight: give none, relative or poisson");
        o.weighting = *w;
        if (!o.stats && !o.compare && o.bandFile.empty() && o.fitPlotFile.empty() && o.residualsFile.empty())
            return usageError("--weight goes with --stats, --compare, --band, --fit-plot or --residuals");
    }
    if (app.count("--band-points") > 0) {
        if (o.bandPoints < kMinBandPoints || o.bandPoints > kMaxBandPoints)
            return usageError("--band-points: give " + std::to_string(kMinBandPoints) + " to " +
                              std::to_string(kMaxBandPoints));
        if (o.bandFile.empty() && o.fitPlotFile.empty()) return usageError("--band-points goes with --band or --fit-plot");
    }
    if (!o.comparePlotFile.empty() && !o.compare) return usageError("--compare-plot goes with --compare");
    if (o.compare) {
        if (o.dataFiles.size() < 2 && o.tables.empty()) return usageError("--compare needs at least two data files");
        if (o.curves.size() > 1) return usageError("--compare takes one --curve at most");
        if (o.stats || !o.reportFile.empty() || !o.graph1File.empty() || !o.graph2File.empty() ||
            !o.residualsFile.empty() || !o.bandFile.empty() || !o.fitPlotFile.empty())
            return usageError("--compare takes none of --stats, --report, --graph1, --graph2, --residuals, --band "
                              "and --fit-plot");
    }
    if (o.dataFiles.size() + o.tables.size() > 1 &&
        (!o.reportFile.empty() || !o.graph1File.empty() || !o.graph2File.empty() || !o.residualsFile.empty()))
        return usageError(kOneDataSetOnly);

    ParseOutcome p;
    p.options = std::move(o);
    return p;
}

std::string fitPlotPath(const std::string& asGiven, const std::string& stem, int curve, bool severalDataSets,
                        bool severalCurves)
{
    std::string inserted;
    if (severalDataSets) inserted += "-" + stem;
    if (severalCurves) inserted += "-curve" + std::to_string(curve);
    if (inserted.empty()) return asGiven;
    const std::filesystem::path p(asGiven);
    return (p.parent_path() / (p.stem().string() + inserted + p.extension().string())).string();
}

}  // namespace kinetra::cli
