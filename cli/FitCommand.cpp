#include "FitCommand.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <sstream>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "base/FileReplacement.h"
#include "base/RuntimeFailure.h"
#include "entry/DataSetAnalysis.h"
#include "format/NumberForms.h"
#include "kinetics/KineticResults.h"
#include "StatisticsOutput.h"
#include "stats/ResidualPlot.h"
#include "stats/StatisticsOutput.h"
#include "OrderedBatch.h"

namespace kinetra::cli {

namespace {

using json = nlohmann::ordered_json;  // keys in the order they are written

constexpr const char* kBaseLineWrong = "Base Line wrong";
constexpr const char* kWrongLow = "Wrong Low Substrate Concentration";
constexpr const char* kWrongHigh = "Wrong Highest Substrate Concentration";

std::string versionText()
{
    return "kinetra-fit " + std::to_string(KINETRA_VERSION_MAJOR) + "." +
           std::to_string(KINETRA_VERSION_MINOR) + "." + std::to_string(KINETRA_VERSION_REVISION);
}

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

// Texts for a terminal: the program's CR LF become plain line ends.
std::string forTerminal(std::string text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out.push_back(text[i]);
    }
    return out;
}

json endObject(const std::string& title, const std::string& message, ReturnTo returnTo)
{
    return json{{"title", title},
                {"message", message},
                {"returnTo", returnTo == ReturnTo::Menu ? "menu" : "dataEntry"}};
}

// A curve's results as a JSON object, with the texts of the "Results" frame.
json curveObject(const SharedState& st, const CurveResults& r)
{
    const ResultsTexts texts = resultsTexts(r, st.rateUnit, st.concUnit);
    json display{{"title", texts.title}};
    for (std::size_t i = 0; i < texts.values.size(); ++i)
        display[trimBlanks(ResultsTexts::kRowNames[i])] = texts.values[i];
    return json{{"curve", r.curve},
                {"firstPoint", static_cast<int>(r.firstPoint)},
                {"lastPoint", static_cast<int>(r.lastPoint)},
                {"baseline", r.baseline},
                {"V", r.V},
                {"n", r.n},
                {"K", r.K},
                {"VK", r.VK},
                {"VKText", r.vkText},
                {"r", r.r},
                {"totalActivity", r.totalActivity},
                {"searchPasses", r.searchPasses},
                {"warnings", r.warnings},
                {"display", std::move(display)}};
}

// One data file, from reading to the graphs. Returns its exit status.
class DataSetRun {
public:
    DataSetRun(const FitOptions& options, const std::string& file, std::ostream& out, std::ostream& err,
               const CommandEnvironment& env, std::vector<std::vector<std::string>>& csvRows)
        : options_(options), file_(file), out_(out), err_(err), env_(env), csvRows_(csvRows), analysis_(st_, '.')
    {
        if (options.reportFile.empty()) report_ = std::make_unique<ReportStream>(out);
        else report_ = std::make_unique<ReportFileReplacement>(options.reportFile);
    }

    int run()
    {
        resetForCalculation(st_);
        if (read() && handOff()) {
            std::vector<std::pair<int, int>> points;
            if (const auto message = checkCurvePoints(options_, st_.pointCount, &points)) {
                end(kTitleCritica, *message, ReturnTo::DataEntry, kExitUsage);
            } else {
                startReport();
                drawGraph1();
                calculate(std::move(points));
                finishReport();
            }
        }
        if (options_.json) {
            const json object{{"pointCount", st_.pointCount}, {"concScale", st_.concScale},
                              {"readWarnings", readWarnings_}, {"curves", curves_}, {"end", end_}};
            out_ << object.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
        }
        return exit_;
    }

private:
    bool read()
    {
        ListedFile listed = analysis_.readDataFile(file_, [this](int point) {
            readWarnings_.push_back(json{{"point", point}, {"message", kReadWarningText}});
            if (!options_.json)
                err_ << file_ << ": point " << point << ": " << kTitleCritica << ": " << kReadWarningText << '\n';
        });
        if (listed.failure) end(*listed.failure, kExitUsage);
        rows_ = std::move(listed.rows);
        return !listed.failure;
    }

    bool reporting() const { return !options_.reportFile.empty() || !options_.json; }

    ReportLabels labels() const
    {
        return ReportLabels{options_.user, options_.experiment, options_.rateUnit, options_.concUnit,
                            options_.ligand, ""};
    }

    bool handOff()
    {
        // the rewritten rows give the report's data lines; without a report they are not made
        const auto after = reporting() ? RowsAfterSort::Rewrite : RowsAfterSort::Leave;
        const std::optional<CalculationEnd> failed = analysis_.handOff(rows_, 0, labels(), after);
        if (failed) end(*failed, kExitEnded);
        return !failed;
    }

    // The header and the data section; a report that cannot be begun is said and dropped,
    // and the data set goes on without it.
    void startReport()
    {
        if (const auto failed = analysis_.startReport(report(), labels(), env_.clock(), rows_)) {
            err_ << file_ << ": " << kTitleWrongData << ": " << forTerminal(failureText(*failed)) << '\n';
            exit_ = std::max(exit_, kExitEnded);
        }
    }

    void finishReport()
    {
        auto* file = dynamic_cast<ReportFileReplacement*>(report_.get());
        if (!file) return;
        try {
            file->commit();
        } catch (const RuntimeFailure& f) {
            if (end_.is_null()) end_ = endObject(kTitleWrongData, failureText(f), ReturnTo::Menu);
            err_ << options_.reportFile << ": " << kTitleWrongData << ": " << forTerminal(failureText(f)) << '\n';
            exit_ = std::max(exit_, kExitEnded);
        }
    }

    void writeGraph(const std::string& path, const GraphDrawing& drawn)
    {
        if (!drawn.list) {
            err_ << file_ << ": " << kTitleCritica << ": " << forTerminal(drawn.failure) << '\n';
            exit_ = std::max(exit_, kExitEnded);
            return;
        }
        try {
            // replaces an older file only once written whole; a device or a pipe is written directly
            replaceFile(path, writeSvg(*drawn.list), FileReplacement::OtherTargets::WriteDirectly, FileAccess::Read);
        } catch (const RuntimeFailure& f) {
            err_ << path << ": " << kTitleWrongData << ": " << forTerminal(failureText(f)) << '\n';
            exit_ = std::max(exit_, kExitEnded);
        }
    }

    void drawGraph1()
    {
        if (options_.graph1File.empty()) return;
        writeGraph(options_.graph1File, analysis_.graph1([this](const std::string& text, const std::string& title) {
            err_ << file_ << ": " << title << ": " << text << '\n';
        }));
    }

    void drawGraph2()
    {
        if (options_.graph2File.empty()) return;
        Graph2State g;
        writeGraph(options_.graph2File,
                   options_.rangeLow && options_.rangeHigh
                       ? analysis_.graph2(g, options_.considerBaseline, *options_.rangeLow, *options_.rangeHigh)
                       : analysis_.graph2(g, options_.considerBaseline));
    }

    void calculate(std::vector<std::pair<int, int>> points)
    {
        const WarningCallback warn = [this](const std::string& message) {
            if (!options_.json) err_ << file_ << ": " << kTitleCritica << ": " << message << '\n';
        };
        const bool withStats = options_.stats || !options_.residualsFile.empty();
        StatisticsCurves hooks(std::move(points), options_.baseline, warn, withStats);
        ReportWithStatistics statsReport(*report_, hooks, st_);
        ReportOutput* output = report() && options_.stats ? &statsReport : report();
        FitWork work;
        const int curveCount = options_.curves.empty() ? 1 : static_cast<int>(options_.curves.size());
        const CalculationOutcome outcome = analysis_.calculate(work, curveCount, hooks, output);
        const auto& stats = hooks.statistics();
        for (std::size_t i = 0; i < outcome.curves.size(); ++i) {
            const CurveResults& r = outcome.curves[i];
            json curve = curveObject(st_, r);
            const CurveStatistics* s = i < stats.size() ? &stats[i].second : nullptr;
            if (options_.stats && s) curve["statistics"] = statisticsObject(*s);
            curves_.push_back(std::move(curve));
            csvRows_.push_back(csvRow(file_, r, options_.stats ? s : nullptr));
        }
        std::vector<ResidualSeries> series;
        for (const auto& [c, s] : stats) series.push_back(residualSeries(c, s));
        if (outcome.end) {
            end(*outcome.end, kExitEnded);
            // what least squares says about the curve the fit ended on
            const int c = st_.curveNumber;
            const StatisticsInput input = curveStatisticsInput(st_, c, std::nullopt);
            if (withStats && c > static_cast<int>(outcome.curves.size()) && !input.concentration.empty()) {
                const CurveStatistics s = computeCurveStatistics(input);
                json o = statisticsObject(s);
                o["curve"] = c;
                o["firstPoint"] = static_cast<int>(st_.curveFirstPoint[c]);
                o["lastPoint"] = static_cast<int>(st_.curveLastPoint[c]);
                if (options_.stats) end_["statistics"] = std::move(o);
                series.push_back(residualSeries(c, s));
            }
        } else {
            drawGraph2();
        }
        if (!options_.residualsFile.empty())
            writeGraph(options_.residualsFile,
                       GraphDrawing{buildResidualPlot(series, st_.rateUnit, st_.concUnit), std::string()});
    }

    ResidualSeries residualSeries(int curve, const CurveStatistics& s) const
    {
        ResidualSeries r{curve, curveStatisticsInput(st_, curve, std::nullopt).concentration, s.residuals};
        if (!s.determined) r.concentration.clear();
        return r;
    }

    void end(const CalculationEnd& e, int exitCode) { end(e.title, e.message, e.returnTo, exitCode); }
    void end(const std::string& title, const std::string& message, ReturnTo returnTo, int exitCode)
    {
        end_ = endObject(title, message, returnTo);
        err_ << file_ << ": " << title << ": " << forTerminal(message) << '\n';
        exit_ = std::max(exit_, exitCode);
    }

    ReportOutput* report() const { return reporting() ? report_.get() : nullptr; }

    const FitOptions& options_;
    const std::string& file_;
    std::ostream& out_;
    std::ostream& err_;
    const CommandEnvironment& env_;
    std::vector<std::vector<std::string>>& csvRows_;

    SharedState st_;
    DataSetAnalysis analysis_;
    std::unique_ptr<ReportOutput> report_;  // a file replaced whole (--report) or standard output
    std::vector<ListRow> rows_;
    json readWarnings_ = json::array();
    json curves_ = json::array();
    json end_ = nullptr;
    int exit_ = kExitFitted;
};

// Standard output that could not take everything written to it: the failure is said on
// standard error. Returns true when output was lost.
bool standardOutputLost(std::ostream& out, std::ostream& err)
{
    const bool goodBefore = out.good();
    errno = 0;
    out.flush();
    if (out.good()) return false;
    // the system's reason is known only when this flush failed; otherwise the disk was full
    const int number = goodBefore && errno != 0 ? failureNumberForErrno(errno, FileAccess::Write) : failure::DiskFull;
    err << "kinetra-fit: standard output: " << kTitleWrongData << ": " << forTerminal(failureText(RuntimeFailure(number)))
        << '\n';
    return true;
}

// The CSV table, written whole or not at all.
int writeCsv(const std::string& path, const std::vector<std::vector<std::string>>& rows, std::ostream& err)
{
    try {
        replaceFile(path, csvText(rows), FileReplacement::OtherTargets::WriteDirectly, FileAccess::Read);
        return kExitFitted;
    } catch (const RuntimeFailure& f) {
        err << path << ": " << kTitleWrongData << ": " << forTerminal(failureText(f)) << '\n';
        return kExitEnded;
    }
}

ParseOutcome usageError(const std::string& message)
{
    ParseOutcome p;
    p.exitCode = kExitUsage;
    p.err = "kinetra-fit: " + message + "\n";
    return p;
}

}  // namespace

ParseOutcome parse(const std::vector<std::string>& args)
{
    CLI::App app{"Fits the Hill rate law v = V*S^n/(K^n+S^n) above a baseline to the points of "
                 "data files of (concentration, rate) records, and reports V, n, K, V/K, the "
                 "correlation and the total activity of each curve.",
                 "kinetra-fit"};
    FitOptions o;
    std::vector<std::string> curveTexts;
    std::string baselineText;
    std::string rangeText;

    app.add_option("DATAFILE", o.dataFiles, "data files; each is a data set of its own")->required();
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
    app.add_option("-j,--jobs", o.jobs, "data files fitted at once (default: the number of cores)")
        ->type_name("N")
        ->check(CLI::PositiveNumber);
    app.set_version_flag("--version", versionText());

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

    if (curveTexts.size() > 2) return usageError("--curve: give it once or twice");
    for (const std::string& t : curveTexts) {
        auto [first, last] = splitRange(t);
        o.curves.push_back(CurveChoice{first, last});
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
    if (o.dataFiles.size() > 1 &&
        (!o.reportFile.empty() || !o.graph1File.empty() || !o.graph2File.empty() || !o.residualsFile.empty()))
        return usageError("--report, --graph1, --graph2, --graph2-range and --residuals take exactly one DATAFILE");

    ParseOutcome p;
    p.options = std::move(o);
    return p;
}

std::optional<std::string> checkCurvePoints(const FitOptions& options, int pointCount,
                                            std::vector<std::pair<int, int>>* points)
{
    std::vector<std::pair<std::string, std::string>> curves;
    for (const CurveChoice& c : options.curves) curves.emplace_back(c.first, c.last);
    if (curves.empty()) curves.emplace_back("1", std::to_string(pointCount));
    return curvePointsError(curves, pointCount, points);
}

int runFitCommand(const FitOptions& options, std::ostream& out, std::ostream& err,
                  const CommandEnvironment& env)
{
    const std::optional<std::string> clash = outputsClash(
        {{"--report", options.reportFile},
         {"--graph1", options.graph1File},
         {"--graph2", options.graph2File},
         {"--csv", options.csvFile},
         {"--residuals", options.residualsFile}},
        options.dataFiles);
    if (clash) {
        err << "kinetra-fit: " << *clash << '\n';
        return kExitUsage;
    }
    // each data file's CSV rows apart, so that the files can be fitted side by side
    std::vector<std::vector<std::vector<std::string>>> csvOfFile(options.dataFiles.size());
    BatchSettings batch = env.batch;
    batch.jobs = options.jobs;
    bool lost = false;
    int exitCode = runOrderedBatch(
        options.dataFiles.size(),
        [&](std::size_t i, std::ostream& setOut, std::ostream& setErr) {
            return DataSetRun(options, options.dataFiles[i], setOut, setErr, env, csvOfFile[i]).run();
        },
        out, err, batch,
        // what the remaining data sets would print is lost as well
        [&] { return lost = standardOutputLost(out, err); });
    if (lost) return std::max(exitCode, kExitEnded);
    std::vector<std::vector<std::string>> csvRows{csvHeader(options.stats)};
    for (auto& rows : csvOfFile) csvRows.insert(csvRows.end(), rows.begin(), rows.end());
    if (!options.csvFile.empty()) exitCode = std::max(exitCode, writeCsv(options.csvFile, csvRows, err));
    return exitCode;
}

int runFitCommand(int argc, char** argv, std::ostream& out, std::ostream& err, const CommandEnvironment& env)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    const ParseOutcome p = parse(args);
    out << p.out;
    err << p.err;
    if (!p.options) return standardOutputLost(out, err) ? std::max(p.exitCode, kExitEnded) : p.exitCode;
    return runFitCommand(*p.options, out, err, env);
}

}  // namespace kinetra::cli
