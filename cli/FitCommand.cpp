#include "FitCommand.h"

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <memory>
#include <sstream>

#include <nlohmann/json.hpp>

#include "base/FileReplacement.h"
#include "base/RuntimeFailure.h"
#include "entry/DataSetAnalysis.h"
#include "format/NumberForms.h"
#include "kinetics/KineticResults.h"
#include "CommandOutput.h"
#include "CompareCommand.h"
#include "DataSetSources.h"
#include "FitStatistics.h"
#include "graphs/ExperimentPlots.h"
#include "graphs/ResidualPlot.h"
#include "report/StatisticsLines.h"
#include "stats/CalculatedCurve.h"
#include "OrderedBatch.h"

namespace kinetra::cli {

namespace {

using json = nlohmann::ordered_json;  // keys in the order they are written

// A curve's results as a JSON object, with the texts of the "Results" frame.
json curveObject(const DataSet& data, const CurveFit& r)
{
    const ResultsTexts texts = resultsTexts(r, data.rateUnit, data.concUnit);
    json display{{"title", texts.title}};
    for (std::size_t i = 0; i < texts.values.size(); ++i)
        display[trimBlanks(ResultsTexts::kRowNames[i])] = texts.values[i];
    return json{{"curve", r.curve},
                {"firstPoint", r.points.firstPoint},
                {"lastPoint", r.points.lastPoint},
                {"baseline", r.points.baseline},
                {"V", r.V},
                {"n", r.n},
                {"K", r.K},
                {"VK", r.VK},
                {"VKText", vkText(r, data.rateUnit, data.concUnit, '.')},
                {"r", r.r},
                {"totalActivity", r.totalActivity},
                {"searchPasses", r.searchPasses},
                {"warnings", r.warnings},
                {"display", std::move(display)}};
}

// The scale the fit divides the concentrations by, as the JSON has always shown it: 0 until a
// calculation starts, and when the scale is not a double.
double shownConcentrationScale(const DataSet& data)
{
    if (data.concentration.empty()) return 0.0;
    const double scale = data.concentration.front() / 0.0001;
    return std::isfinite(scale) ? scale : 0.0;
}

// The rows a data set adds to the CSV tables, kept apart so that data sets can be fitted
// side by side.
struct TableRows {
    std::vector<std::vector<std::string>> csv, band;
};

// What every data set's JSON line repeats: the program and the settings that re-run it (but
// for the curves, which each data set's checks decide).
struct LineContext {
    json program;
    json fileSettings, tableSettings;
    bool severalDataSets = false;
};

// One data set, from reading to the graphs. Returns its exit status.
class DataSetRun {
public:
    DataSetRun(const FitOptions& options, const DataSetSource& source, const LineContext& context, std::ostream& out,
               std::ostream& err, const CommandEnvironment& env, TableRows& rows)
        : options_(options), source_(source), file_(source.label), context_(context), out_(out), err_(err), env_(env),
          rows_(rows)
    {
        if (options.reportFile.empty()) report_ = std::make_unique<ReportStream>(out);
        else report_ = std::make_unique<ReportFileReplacement>(options.reportFile);
    }

    int run()
    {
        if (read()) {
            std::vector<std::pair<int, int>> points;
            if (const auto message = checkCurvePoints(options_, data_.pointCount(), &points)) {
                end(endObject(kTitleCritica, *message, true), kExitUsage);
            } else {
                curvesSetting_ = json::array();
                if (!options_.curves.empty())
                    for (const auto& [first, last] : points)
                        curvesSetting_.push_back(std::to_string(first) + "-" + std::to_string(last));
                startReport();
                drawGraph1();
                calculate(std::move(points));
                finishReport();
            }
        }
        if (options_.json) {
            json object{{"file", source_.file}};
            if (source_.inTable) object["dataSet"] = source_.dataSet;
            object["pointCount"] = data_.pointCount();
            object["concScale"] = concScale_;
            object["readWarnings"] = std::move(readWarnings_);
            object["curves"] = std::move(curves_);
            object["end"] = std::move(end_);
            object["settings"] = settings();
            object["program"] = context_.program;
            out_ << object.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
        }
        return exit_;
    }

private:
    bool read()
    {
        for (const std::string& warning : source_.tableWarnings) {
            readWarnings_.push_back(json{{"message", warning}});
            err_ << source_.file << ": " << warning << '\n';
        }
        Outcome<DataSet> data = source_.read ? *source_.read : readDataSet(file_, labels(), [this](int point) {
            readWarnings_.push_back(json{{"point", point}, {"message", kReadWarningText}});
            if (!options_.json)
                err_ << file_ << ": point " << point << ": " << kTitleCritica << ": " << kReadWarningText << '\n';
        });
        if (!data) {
            end(endObject(data.failure()), kExitUsage);
            return false;
        }
        data_ = std::move(data).value();
        return true;
    }

    // The settings of the line: the curves as checked against the data set (none when the
    // checks refused them), then the rest.
    json settings() const
    {
        json s;
        if (!curvesSetting_.is_null()) s["curves"] = curvesSetting_;
        s.update(source_.inTable ? context_.tableSettings : context_.fileSettings);
        return s;
    }

    bool reporting() const { return !options_.reportFile.empty() || !options_.json; }

    ReportLabels labels() const { return sourceLabels(options_, source_); }

    // The header and the data section; a report that cannot be begun is said and dropped,
    // and the data set goes on without it.
    void startReport()
    {
        if (!reporting()) return;
        const Status begun = kinetra::startReport(*report_, labels(), env_.clock(), data_, '.');
        if (!begun) {
            reportDropped_ = true;
            // the file that could not be begun is the report's (the data file when it goes to the terminal)
            const std::string& where = options_.reportFile.empty() ? file_ : options_.reportFile;
            err_ << where << ": " << kTitleWrongData << ": " << forTerminal(failureMessage(begun.failure())) << '\n';
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
            if (end_.is_null()) end_ = endObject(Failure::runTime(f));
            err_ << options_.reportFile << ": " << kTitleWrongData << ": " << forTerminal(failureText(f)) << '\n';
            exit_ = std::max(exit_, kExitEnded);
        }
    }

    void writeGraph(const std::string& path, const Outcome<DisplayList>& drawn)
    {
        if (!drawn) {
            err_ << file_ << ": " << kTitleCritica << ": " << forTerminal(failureMessage(drawn.failure())) << '\n';
            exit_ = std::max(exit_, kExitEnded);
            return;
        }
        exit_ = std::max(exit_, writePictureFile(path, *drawn, err_));
    }

    void drawGraph1()
    {
        if (options_.graph1File.empty()) return;
        writeGraph(options_.graph1File, kinetra::drawGraph1(data_, [this](const std::string& text, const std::string& title) {
            err_ << file_ << ": " << title << ": " << text << '\n';
        }));
    }

    void drawGraph2(const std::vector<CurveFit>& curves)
    {
        if (options_.graph2File.empty()) return;
        Graph2State g;
        Outcome<DisplayList> drawn = kinetra::drawGraph2(data_, curves, options_.considerBaseline, g);
        if (drawn && options_.rangeLow && options_.rangeHigh) {
            // the second way of drawing, over the range asked for
            g.firstDrawing = false;
            drawn = kinetra::drawGraph2(data_, curves, options_.considerBaseline, g, *options_.rangeLow,
                                        *options_.rangeHigh);
        }
        writeGraph(options_.graph2File, drawn);
    }

    void calculate(std::vector<std::pair<int, int>> points)
    {
        const WarningCallback warn = [this](const std::string& message) {
            if (!options_.json) err_ << file_ << ": " << kTitleCritica << ": " << message << '\n';
        };
        const bool withStats = options_.stats || !options_.residualsFile.empty() || !options_.bandFile.empty() ||
                               !options_.fitPlotFile.empty();
        StatisticsCurves hooks(data_, std::move(points), options_.baseline, warn, withStats, options_.weighting);
        ReportOutput* report = reporting() && !reportDropped_ ? report_.get() : nullptr;
        ReportWithStatistics statsReport(*report_, hooks, data_);
        ReportOutput* output = report && options_.stats ? &statsReport : report;
        const int curveCount = options_.curves.empty() ? 1 : static_cast<int>(options_.curves.size());
        concScale_ = shownConcentrationScale(data_);
        const CalculationOutcome outcome = kinetra::calculate(data_, curveCount, hooks, output, '.');
        const auto& stats = hooks.statistics();
        for (std::size_t i = 0; i < outcome.curves.size(); ++i) {
            const CurveFit& r = outcome.curves[i];
            json curve = curveObject(data_, r);
            const CurveStatistics* s = i < stats.size() ? &stats[i].second : nullptr;
            if (options_.stats && s) curve["statistics"] = statisticsObject(*s);
            curves_.push_back(std::move(curve));
            if (!options_.csvFile.empty()) rows_.csv.push_back(csvCurveRow(file_, r, options_.stats ? s : nullptr));
            if (s) bands(r, *s);
        }
        // the points of curve c: a curve fitted, or the one the calculation ended on
        auto pointsOf = [&outcome](int c) {
            if (c >= 1 && c <= static_cast<int>(outcome.curves.size()))
                return outcome.curves[static_cast<std::size_t>(c - 1)].points;
            return c == outcome.endedOnCurve ? outcome.endedOnPoints : CurveChoice{};
        };
        std::vector<ResidualSeries> series;
        for (const auto& [c, s] : stats) series.push_back(residualSeries(c, pointsOf(c), s));
        if (outcome.end) {
            end(endObject(*outcome.end), kExitEnded);
            // what least squares says about the curve the fit ended on
            const int c = outcome.endedOnCurve;
            StatisticsInput input = curveStatisticsInput(data_, outcome.endedOnPoints, std::nullopt);
            input.weighting = options_.weighting;
            if (withStats && c > static_cast<int>(outcome.curves.size()) && !input.concentration.empty()) {
                const CurveStatistics s = computeCurveStatistics(input);
                json o = statisticsObject(s);
                o["curve"] = c;
                o["firstPoint"] = outcome.endedOnPoints.firstPoint;
                o["lastPoint"] = outcome.endedOnPoints.lastPoint;
                if (options_.stats) end_["statistics"] = std::move(o);
                sayUnweightable(outcome.endedOnPoints, c);
                series.push_back(residualSeries(c, outcome.endedOnPoints, s));
            }
        } else {
            drawGraph2(outcome.curves);
        }
        if (!options_.residualsFile.empty())
            writeGraph(options_.residualsFile, buildResidualPlot(series, data_.rateUnit, data_.concUnit));
    }

    // A curve whose rates cannot be weighted is said, naming the point. True when said.
    bool sayUnweightable(const CurveChoice& points, int curve)
    {
        const auto why = unweightablePoint(data_, points, curve, options_.weighting);
        if (!why) return false;
        err_ << file_ << ": " << *why << '\n';
        exit_ = std::max(exit_, kExitEnded);
        return true;
    }

    // The band rows and the fit plot of a fitted curve.
    void bands(const CurveFit& r, const CurveStatistics& s)
    {
        if (sayUnweightable(r.points, r.curve) || (options_.bandFile.empty() && options_.fitPlotFile.empty())) return;
        const StatisticsInput input = curveStatisticsInput(data_, r.points, std::nullopt);
        const CurveBands b = bandsOverCurve(s, input.concentration, options_.bandPoints);
        if (!b.reason.empty()) {
            err_ << file_ << ": curve " << r.curve << ": " << b.reason << '\n';
            exit_ = std::max(exit_, kExitEnded);
        }
        appendBandRows(rows_.band, file_, r.curve, b);
        if (options_.fitPlotFile.empty()) return;
        const std::string path = fitPlotPath(options_.fitPlotFile, source_.plotStem, r.curve, context_.severalDataSets,
                                             options_.curves.size() > 1);
        writeGraph(path, buildFitPlot(input.concentration, input.rate, b.points, data_.rateUnit, data_.concUnit));
    }

    ResidualSeries residualSeries(int curve, const CurveChoice& points, const CurveStatistics& s) const
    {
        ResidualSeries r{curve, curveStatisticsInput(data_, points, std::nullopt).concentration, s.residuals};
        if (!s.determined) r.concentration.clear();
        return r;
    }

    void end(json object, int exitCode)
    {
        err_ << file_ << ": " << object["title"].get<std::string>() << ": "
             << forTerminal(object["message"].get<std::string>()) << '\n';
        end_ = std::move(object);
        exit_ = std::max(exit_, exitCode);
    }

    const FitOptions& options_;
    const DataSetSource& source_;
    const std::string& file_;  // how messages name the data set
    const LineContext& context_;
    std::ostream& out_;
    std::ostream& err_;
    const CommandEnvironment& env_;
    TableRows& rows_;

    DataSet data_;
    double concScale_ = 0.0;
    bool reportDropped_ = false;
    std::unique_ptr<ReportOutput> report_;  // a file replaced whole (--report) or standard output
    json readWarnings_ = json::array();
    json curves_ = json::array();
    json end_ = nullptr;
    json curvesSetting_ = nullptr;
    int exit_ = kExitFitted;
};

}  // namespace

std::optional<std::string> checkCurvePoints(const FitOptions& options, int pointCount,
                                            std::vector<std::pair<int, int>>* points)
{
    std::vector<std::pair<std::string, std::string>> curves;
    for (const CurveTexts& c : options.curves) curves.emplace_back(c.first, c.last);
    if (curves.empty()) curves.emplace_back("1", std::to_string(pointCount));
    auto chosen = chosenCurvePoints(curves, pointCount);
    if (!chosen) return chosen.failure().text;
    if (points != nullptr) *points = std::move(chosen).value();
    return std::nullopt;
}

int runFitCommand(const FitOptions& options, std::ostream& out, std::ostream& err,
                  const CommandEnvironment& env)
{
    std::vector<std::string> inputs = options.dataFiles;
    inputs.insert(inputs.end(), options.tables.begin(), options.tables.end());
    std::vector<std::pair<std::string, std::string>> outputs = {
        {"--report", options.reportFile},   {"--graph1", options.graph1File},
        {"--graph2", options.graph2File},   {"--csv", options.csvFile},
        {"--residuals", options.residualsFile}, {"--band", options.bandFile},
        {"--compare-plot", options.comparePlotFile}};
    if (const std::optional<std::string> clash = outputsClash(outputs, inputs)) {
        err << "kinetra-fit: " << *clash << '\n';
        return kExitUsage;
    }
    const std::vector<DataSetSource> sources = dataSetSources(options);
    if (options.compare) return runComparison(options, sources, out, err);
    if (sources.size() > 1 && (!options.reportFile.empty() || !options.graph1File.empty() ||
                               !options.graph2File.empty() || !options.residualsFile.empty())) {
        err << "kinetra-fit: " << kOneDataSetOnly << '\n';
        return kExitUsage;
    }
    if (!options.fitPlotFile.empty()) {
        const int curves = std::max<int>(1, static_cast<int>(options.curves.size()));
        for (const DataSetSource& source : sources)
            for (int c = 1; c <= curves; ++c)
                outputs.emplace_back("--fit-plot", fitPlotPath(options.fitPlotFile, source.plotStem, c,
                                                               sources.size() > 1, curves > 1));
        if (const std::optional<std::string> clash = outputsClash(outputs, inputs)) {
            err << "kinetra-fit: " << *clash << '\n';
            return kExitUsage;
        }
    }
    const LineContext context{programObject(), settingsObject(options, SettingsFor::DataFile, nullptr),
                              settingsObject(options, SettingsFor::Table, nullptr), sources.size() > 1};
    std::vector<TableRows> rowsOfSet(sources.size());
    BatchSettings batch = env.batch;
    batch.jobs = options.jobs;
    bool lost = false;
    int exitCode = runOrderedBatch(
        sources.size(),
        [&](std::size_t i, std::ostream& setOut, std::ostream& setErr) {
            return DataSetRun(options, sources[i], context, setOut, setErr, env, rowsOfSet[i]).run();
        },
        out, err, batch,
        // what the remaining data sets would print is lost as well
        [&] { return lost = standardOutputLost(out, err); });
    if (lost) return std::max(exitCode, kExitEnded);
    auto table = [&](const std::string& path, std::vector<std::string> header,
                     std::vector<std::vector<std::string>> TableRows::*part) {
        if (path.empty()) return;
        std::vector<std::vector<std::string>> rows{std::move(header)};
        for (TableRows& r : rowsOfSet) rows.insert(rows.end(), (r.*part).begin(), (r.*part).end());
        exitCode = std::max(exitCode, writeCsv(path, rows, err));
    };
    table(options.csvFile, csvColumns(options.stats), &TableRows::csv);
    table(options.bandFile, bandCsvHeader(), &TableRows::band);
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
