#include "FitCommand.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <sstream>
#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "entry/DataFileReader.h"
#include "entry/HandOff.h"
#include "format/NumberForms.h"
#include "graphs/GraphGeometry.h"
#include "kinetics/CurveLoop.h"
#include "kinetics/KineticResults.h"
#include "kinetics/SigmoidFit.h"
#include "base/FileReplacement.h"
#include "report/ReportLines.h"
#include "base/RuntimeFailure.h"
#include "state/SharedState.h"

namespace kinetra::cli {

namespace {

using json = nlohmann::ordered_json;  // keys in the order they are written

constexpr const char* kWrongFirstPoint = "Wrong First Point";
constexpr const char* kWrongLastPoint = "Wrong Last Point";
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

std::string trimmed(const std::string& s)
{
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

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

// An output file replaces an older one only once it was written whole; a device or a pipe
// named as the output is written directly.
constexpr auto kOtherTargets = FileReplacement::OtherTargets::WriteDirectly;

// A graph file: the exact bytes.
void writeTextFile(const std::string& path, const std::string& text)
{
    replaceFile(path, text, kOtherTargets, FileAccess::Read);
}

std::string crLfLines(const std::vector<std::string>& lines)
{
    std::string bytes;
    for (const std::string& l : lines) {
        bytes += l;
        bytes += "\r\n";
    }
    return bytes;
}

json endObject(const std::string& title, const std::string& message, ReturnTo returnTo)
{
    return json{{"title", title},
                {"message", message},
                {"returnTo", returnTo == ReturnTo::Menu ? "menu" : "dataEntry"}};
}

// The hooks of the calculation: the points come from the command line, the results go to
// the JSON object, the report and standard error.
class CommandHooks : public CalculationHooks {
public:
    CommandHooks(const FitOptions& options, std::vector<std::pair<int, int>> points,
                 std::function<void(const std::vector<std::string>&)> report, std::ostream& err,
                 const std::string& file)
        : options_(options), points_(std::move(points)), report_(std::move(report)), err_(err), file_(file)
    {
    }

    void askCurvePoints(SharedState& st, int curve) override
    {
        const auto [first, last] = points_.at(static_cast<std::size_t>(curve - 1));
        st.firstPoint = static_cast<std::int16_t>(first);
        st.lastPoint = static_cast<std::int16_t>(last);
        if (curve != 2) st.baseline = options_.baseline;
    }

    void showWarning(const std::string& message) override
    {
        if (!options_.json) err_ << file_ << ": " << kTitleCritica << ": " << message << '\n';
    }

    void presentCurve(const SharedState& st, const CurveResults& r) override
    {
        if (report_) report_(reportCurveLines(r, st.rateUnit, st.concUnit, ReportForm::File));
        const ResultsTexts texts = resultsTexts(r, st.rateUnit, st.concUnit);
        json display{{"title", texts.title}};
        for (std::size_t i = 0; i < texts.values.size(); ++i)
            display[trimmed(ResultsTexts::kRowNames[i])] = texts.values[i];
        curves.push_back(json{{"curve", r.curve},
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
                              {"display", std::move(display)}});
    }

    json curves = json::array();

private:
    const FitOptions& options_;
    std::vector<std::pair<int, int>> points_;
    std::function<void(const std::vector<std::string>&)> report_;
    std::ostream& err_;
    const std::string& file_;
};

// One data file, from reading to the graphs. Returns its exit status.
class DataSetRun {
public:
    DataSetRun(const FitOptions& options, const std::string& file, std::ostream& out, std::ostream& err,
               const CommandEnvironment& env)
        : options_(options), file_(file), out_(out), err_(err), env_(env)
    {
    }

    int run()
    {
        resetForCalculation(st_);
        if (read() && handOff()) {
            std::vector<std::pair<int, int>> points;
            if (const auto message = checkCurvePoints(options_, st_.pointCount, &points)) {
                end(kTitleCritica, *message, ReturnTo::DataEntry, kExitUsage);
            } else if (writeReportStart()) {
                drawGraph1();
                calculate(std::move(points));
                finishReport();
            }
        }
        if (options_.json) {
            json object{{"pointCount", st_.pointCount},
                        {"concScale", st_.concScale},
                        {"readWarnings", readWarnings_},
                        {"curves", curves_},
                        {"end", end_}};
            out_ << object.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
        }
        return exit_;
    }

private:
    bool read()
    {
        try {
            records_ = readDataFile(file_, [this](int point) {
                readWarnings_.push_back(json{{"point", point}, {"message", kReadWarningText}});
                if (!options_.json)
                    err_ << file_ << ": point " << point << ": " << kTitleCritica << ": " << kReadWarningText
                         << '\n';
            });
        } catch (const RuntimeFailure& f) {
            end(kTitleWrongData, failureText(f), ReturnTo::Menu, kExitUsage);
            return false;
        }
        const int n = static_cast<int>(records_.size());
        st_.pointCount = static_cast<std::int16_t>(n);
        st_.nextPointNumber = static_cast<std::int16_t>(n + 1);
        st_.loopIndex = n;
        st_.savedPointCount = static_cast<std::int16_t>(n);
        return true;
    }

    // The copy into the shared arrays, the labels, the sort and the rewritten list.
    bool handOff()
    {
        int k = 0;
        for (const ReadRecord& r : records_)
            rows_.push_back(ListRow{std::to_string(++k), r.concentrationText, r.rateText});
        try {
            const HandOffCopy copy = copyListToState(st_, rows_, 0, '.', false);
            activeCount_ = copy.activeCount;
            st_.rateUnit = trimmed(options_.rateUnit);
            st_.concUnit = trimmed(options_.concUnit);
            st_.ligandName = trimmed(options_.ligand);
            OrdenaVetor(st_, activeCount_, 0);
            if (reporting()) rewriteList(st_, rows_, activeCount_, '.');  // the report's data lines
        } catch (const RuntimeFailure& f) {
            end(kTitleWrongData, failureText(f), ReturnTo::Menu, kExitEnded);
            return false;
        }
        return true;
    }

    bool reporting() const { return !options_.reportFile.empty() || !options_.json; }

    // The report file stays open for the whole data set and replaces an older file only in
    // finishReport(); after a failure it is dropped and the older file stays as it was.
    void reportLines(const std::vector<std::string>& lines)
    {
        if (options_.reportFile.empty()) {
            for (const std::string& l : lines) out_ << l << '\n';
            return;
        }
        if (!report_) throw RuntimeFailure(failure::PathFileAccessError);  // it failed before
        try {
            report_->write(crLfLines(lines));
        } catch (const RuntimeFailure&) {
            report_.reset();
            throw;
        }
    }

    void finishReport()
    {
        if (!report_) return;
        try {
            report_->commit();
        } catch (const RuntimeFailure& f) {
            if (end_.is_null()) end_ = endObject(kTitleWrongData, failureText(f), ReturnTo::Menu);
            err_ << options_.reportFile << ": " << kTitleWrongData << ": " << forTerminal(failureText(f)) << '\n';
            exit_ = std::max(exit_, kExitEnded);
        }
        report_.reset();
    }

    // The header and the data section of the report.
    bool writeReportStart()
    {
        if (!reporting()) return true;
        const ReportClock clock = env_.clock();
        ReportHeader h;
        h.date = clock.date;
        h.time = clock.time;
        h.user = options_.user;
        h.experiment = options_.experiment;
        h.rateUnit = options_.rateUnit;
        h.concUnit = options_.concUnit;
        h.ligand = options_.ligand;
        if (!options_.reportFile.empty()) {
            std::error_code ec;
            const std::filesystem::path full = std::filesystem::absolute(options_.reportFile, ec);
            h.fileName = ec ? options_.reportFile : full.lexically_normal().string();
        }
        std::vector<std::string> lines = reportHeaderLines(h, ReportForm::File);
        std::vector<ListedPoint> listed;
        for (int r = 0; r < activeCount_; ++r)
            listed.push_back(ListedPoint{rows_[static_cast<std::size_t>(r)].concentration,
                                         rows_[static_cast<std::size_t>(r)].rate});
        const std::vector<std::string> data = reportDataLines(listed, ReportForm::File);
        lines.insert(lines.end(), data.begin(), data.end());
        try {
            if (!options_.reportFile.empty())
                report_ = std::make_unique<FileReplacement>(options_.reportFile, kOtherTargets, FileAccess::Read);
            reportLines(lines);
        } catch (const RuntimeFailure& f) {
            end(kTitleWrongData, failureText(f), ReturnTo::Menu, kExitEnded);
            return false;
        }
        return true;
    }

    void graphFailure(const RuntimeFailure& f)
    {
        err_ << file_ << ": " << kTitleCritica << ": " << forTerminal(failureText(f)) << '\n';
        exit_ = std::max(exit_, kExitEnded);
    }

    void writeGraph(const std::string& path, const DisplayList& list)
    {
        try {
            writeTextFile(path, writeSvg(list));
        } catch (const RuntimeFailure& f) {
            err_ << path << ": " << kTitleWrongData << ": " << forTerminal(failureText(f)) << '\n';
            exit_ = std::max(exit_, kExitEnded);
        }
    }

    void drawGraph1()
    {
        if (options_.graph1File.empty()) return;
        std::optional<DisplayList> list;
        try {
            list = buildGraph1(st_, [this](const std::string& text, const std::string& title) {
                err_ << file_ << ": " << title << ": " << text << '\n';
            });
        } catch (const RuntimeFailure& f) {
            graphFailure(f);
            return;
        }
        writeGraph(options_.graph1File, *list);
    }

    void drawGraph2()
    {
        if (options_.graph2File.empty()) return;
        st_.considerBaseline = options_.considerBaseline;
        Graph2State g;
        std::optional<DisplayList> list;
        try {
            list = buildGraph2(st_, g);
            if (options_.rangeLow && options_.rangeHigh) {
                // the new concentration range: the second way of drawing
                st_.rangeLowConc = *options_.rangeLow;
                st_.rangeHighConc = *options_.rangeHigh;
                g.firstDrawing = false;
                list = buildGraph2(st_, g);
            }
        } catch (const RuntimeFailure& f) {
            graphFailure(f);
            return;
        }
        writeGraph(options_.graph2File, *list);
    }

    void calculate(std::vector<std::pair<int, int>> points)
    {
        std::function<void(const std::vector<std::string>&)> report;
        if (reporting())
            report = [this](const std::vector<std::string>& lines) { reportLines(lines); };
        CommandHooks hooks(options_, std::move(points), report, err_, file_);
        FitWork work;
        const int curveCount = options_.curves.empty() ? 1 : static_cast<int>(options_.curves.size());
        const CalculationOutcome outcome = runCalculation(st_, work, curveCount, hooks);
        curves_ = std::move(hooks.curves);
        if (outcome.end) {
            end(outcome.end->title, outcome.end->message, outcome.end->returnTo, kExitEnded);
            return;
        }
        drawGraph2();
    }

    void end(const std::string& title, const std::string& message, ReturnTo returnTo, int exitCode)
    {
        end_ = endObject(title, message, returnTo);
        err_ << file_ << ": " << title << ": " << forTerminal(message) << '\n';
        exit_ = std::max(exit_, exitCode);
    }

    const FitOptions& options_;
    const std::string& file_;
    std::ostream& out_;
    std::ostream& err_;
    const CommandEnvironment& env_;

    SharedState st_;
    std::vector<ReadRecord> records_;
    std::vector<ListRow> rows_;
    std::unique_ptr<FileReplacement> report_;
    int activeCount_ = 0;
    json readWarnings_ = json::array();
    json curves_ = json::array();
    json end_ = nullptr;
    int exit_ = kExitFitted;
};

// What tells two names of one file apart from two files: the device and inode of an existing
// regular file, the resolved path of one not made yet. Nothing for a device, a pipe or a
// directory (nothing is replaced there) nor for a name that cannot be looked at (its own
// failure comes when it is read or written).
std::optional<std::string> fileIdentity(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) return std::nullopt;
        return "inode " + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
    }
    if (errno != ENOENT) return std::nullopt;
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    if (ec) return std::nullopt;
    return "path " + resolved.string();
}

// An output named as a data file, or two outputs named as one file, would overwrite what
// it is made from or what was just written: a usage error, before anything is read.
std::optional<std::string> outputClash(const FitOptions& options)
{
    struct Output {
        const char* option;
        const std::string& path;
    };
    const Output outputs[] = {
        {"--report", options.reportFile}, {"--graph1", options.graph1File}, {"--graph2", options.graph2File}};
    std::vector<std::pair<const char*, std::string>> seen;
    for (const Output& o : outputs) {
        if (o.path.empty()) continue;
        const std::optional<std::string> id = fileIdentity(o.path);
        if (!id) continue;
        for (const std::string& data : options.dataFiles) {
            if (fileIdentity(data) == id)
                return std::string(o.option) + " " + o.path + " is the data file " + data +
                       ": the output would overwrite it; name another file";
        }
        for (const auto& [option, other] : seen) {
            if (other == *id)
                return std::string(option) + " and " + o.option + " name the same file " + o.path +
                       ": one would overwrite the other; name two files";
        }
        seen.emplace_back(o.option, *id);
    }
    return std::nullopt;
}

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
        (!o.reportFile.empty() || !o.graph1File.empty() || !o.graph2File.empty()))
        return usageError("--report, --graph1, --graph2 and --graph2-range take exactly one DATAFILE");

    ParseOutcome p;
    p.options = std::move(o);
    return p;
}

std::optional<std::string> checkCurvePoints(const FitOptions& options, int pointCount,
                                            std::vector<std::pair<int, int>>* points)
{
    std::vector<CurveChoice> curves = options.curves;
    if (curves.empty()) curves.push_back({"1", std::to_string(pointCount)});
    std::vector<std::pair<int, int>> chosen;
    double lowest = 1.0;  // the lowest first point: 1, then the last curve's last point + 1
    for (const CurveChoice& c : curves) {
        const std::optional<double> f = number(c.first);
        if (!f || *f < lowest || *f > pointCount || *f == 0.0) return kWrongFirstPoint;
        const std::optional<double> l = number(c.last);
        if (!l || *f + 1.0 > *l || *l > pointCount || *l == 0.0) return kWrongLastPoint;
        chosen.emplace_back(makeWhole16(*f), makeWhole16(*l));
        lowest = chosen.back().second + 1.0;
    }
    if (points != nullptr) *points = std::move(chosen);
    return std::nullopt;
}

int runFitCommand(const FitOptions& options, std::ostream& out, std::ostream& err,
                  const CommandEnvironment& env)
{
    if (const std::optional<std::string> clash = outputClash(options)) {
        err << "kinetra-fit: " << *clash << '\n';
        return kExitUsage;
    }
    int exitCode = kExitFitted;
    for (const std::string& file : options.dataFiles) {
        DataSetRun run(options, file, out, err, env);
        exitCode = std::max(exitCode, run.run());
        // what the remaining data sets would print is lost as well
        if (standardOutputLost(out, err)) return std::max(exitCode, kExitEnded);
    }
    return exitCode;
}

int runFitCommand(int argc, char** argv, std::ostream& out, std::ostream& err,
                  const CommandEnvironment& env)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    const ParseOutcome p = parse(args);
    out << p.out;
    err << p.err;
    if (!p.options) return standardOutputLost(out, err) ? std::max(p.exitCode, kExitEnded) : p.exitCode;
    return runFitCommand(*p.options, out, err, env);
}

int runFitCommand(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    return runFitCommand(argc, argv, out, err, CommandEnvironment{});
}

}  // namespace kinetra::cli
