#include "CompareCommand.h"

#include <algorithm>
#include <charconv>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <array>

#include <nlohmann/json.hpp>

#include "CommandOutput.h"
#include "entry/DataSetAnalysis.h"
#include "graphs/ExperimentPlots.h"
#include "report/StatisticsLines.h"
#include "stats/Comparison.h"

namespace kinetra::cli {

namespace {

using json = nlohmann::ordered_json;

json orNull(std::optional<double> v) { return v ? json(*v) : json(nullptr); }

json parameters(const HillEstimates& e) { return json{{"V", e.V}, {"n", e.n}, {"K", e.K}}; }

json setObject(const ComparedSet& s, const DataSetSource& source, json readWarnings)
{
    const CurveEstimates& own = s.own;
    json o{{"file", source.file}};
    if (source.inTable) o["dataSet"] = source.dataSet;
    o["points"] = s.points;
    o["estimates"] = own.determined ? parameters(own.estimates) : json(nullptr);
    o["standardErrors"] = own.determined && own.standardErrors ? parameters(*own.standardErrors) : json(nullptr);
    o["ssr"] = own.determined ? json(own.ssr) : json(nullptr);
    o["degreesOfFreedom"] = own.determined ? json(own.degreesOfFreedom) : json(nullptr);
    o["leftOut"] = s.leftOut;
    o["readWarnings"] = std::move(readWarnings);
    if (!own.determined) o["reason"] = own.reason;
    return o;
}

json testObject(const SharedTest& t)
{
    json o{{"shared", sharedParameterName(t.shared)}};
    if (!t.fit) {
        for (const char* key : {"sharedValue", "estimates", "ssr", "degreesOfFreedom", "F", "p", "deltaAICc", "verdict"})
            o[key] = nullptr;
        o["reason"] = t.reason;
        return o;
    }
    const SharedFit& f = *t.fit;
    json estimates = json::array();
    for (const auto& e : f.estimates) estimates.push_back(e ? parameters(*e) : json(nullptr));
    o["sharedValue"] = orNull(f.sharedValue);
    o["estimates"] = std::move(estimates);
    o["ssr"] = f.ssr;
    o["degreesOfFreedom"] = f.degreesOfFreedom;
    o["F"] = f.F;
    o["p"] = f.p;
    o["deltaAICc"] = orNull(f.deltaAICc);
    o["verdict"] = t.verdict;
    return o;
}

json comparisonObject(const Comparison& c, const std::vector<DataSetSource>& sources, std::vector<json>& readWarnings)
{
    json sets = json::array(), tests = json::array();
    for (std::size_t i = 0; i < c.sets.size(); ++i)
        sets.push_back(setObject(c.sets[i], sources[i], std::move(readWarnings[i])));
    if (c.refusal.empty())
        for (const SharedTest& t : c.tests) tests.push_back(testObject(t));
    json o{{"sets", std::move(sets)},
           {"separate",
            c.separateSsr ? json{{"ssr", *c.separateSsr}, {"degreesOfFreedom", c.separateDf}} : json(nullptr)},
           {"tests", std::move(tests)},
           {"weighting", weightingName(c.weighting)},
           {"messages", c.messages}};
    if (!c.refusal.empty()) o["refusal"] = c.refusal;
    return o;
}

// Six significant digits, with the point whatever the locale.
std::string shortNumber(double v)
{
    if (!std::isfinite(v)) return kNotDetermined;
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 6);
    return std::string(buffer, r.ptr);
}

std::string weightingText(Weighting w)
{
    switch (w) {
    case Weighting::Relative: return "least squares with relative weights 1/v^2";
    case Weighting::Poisson: return "least squares with Poisson weights 1/v";
    case Weighting::None: break;
    }
    return "unweighted least squares";
}

std::string comparisonText(const Comparison& c, std::size_t given)
{
    std::string out = "Comparison of " + std::to_string(given) + " data sets, " + weightingText(c.weighting) + "\n";
    if (!c.refusal.empty()) return out + c.refusal + "\n";
    const char* names[3] = {"V", "n", "K"};
    auto values = [](const HillEstimates& e) { return std::array<double, 3>{e.V, e.n, e.K}; };
    for (std::size_t i = 0; i < c.sets.size(); ++i) {
        const ComparedSet& s = c.sets[i];
        out += "\nData set " + std::to_string(i + 1) + ": " + s.name + " (" + std::to_string(s.points) + " points)\n";
        if (!s.own.determined) {
            out += "  " + std::string(s.leftOut ? "left out: " : "") + s.own.reason + "\n";
            continue;
        }
        const auto e = values(s.own.estimates);
        for (std::size_t p = 0; p < 3; ++p) {
            out += "  " + std::string(names[p]) + " = " + shortNumber(e[p]);
            if (s.own.standardErrors) out += " +/- " + shortNumber(values(*s.own.standardErrors)[p]);
            out += "\n";
        }
        out += "  SSR = " + shortNumber(s.own.ssr) + ", " + std::to_string(s.own.degreesOfFreedom) +
               " degrees of freedom\n";
    }
    if (c.separateSsr)
        out += "\nSeparate fits: SSR = " + shortNumber(*c.separateSsr) + ", " + std::to_string(c.separateDf) +
               " degrees of freedom\n";
    for (const SharedTest& t : c.tests) {
        const std::string name = sharedParameterName(t.shared);
        out += "\n" + (t.shared == SharedParameter::All ? std::string("V, n and K shared (one curve)") : name + " shared");
        if (!t.fit) {
            out += ": " + t.reason + "\n";
            continue;
        }
        const SharedFit& f = *t.fit;
        if (f.sharedValue) out += ": " + name + " = " + shortNumber(*f.sharedValue);
        out += "\n  SSR = " + shortNumber(f.ssr) + ", " + std::to_string(f.degreesOfFreedom) + " degrees of freedom; F = " +
               shortNumber(f.F) + ", p = " + significantP(f.p) + ", AICc shared minus separate = " +
               (f.deltaAICc ? shortNumber(*f.deltaAICc) : std::string(kNotDetermined)) + "\n  " + t.verdict + "\n";
    }
    return out;
}

// One row per test: the figures, then each set's V, n and K under that test.
std::vector<std::vector<std::string>> comparisonCsv(const Comparison& c)
{
    std::vector<std::string> header = {"shared", "sharedValue", "ssr", "degreesOfFreedom", "separateSsr",
                                       "separateDegreesOfFreedom", "F", "p", "deltaAICc", "verdict", "reason"};
    for (std::size_t i = 1; i <= c.sets.size(); ++i)
        for (const char* p : {"V_", "n_", "K_"}) header.push_back(p + std::to_string(i));
    std::vector<std::vector<std::string>> rows{header};
    if (!c.refusal.empty()) return rows;
    for (const SharedTest& t : c.tests) {
        std::vector<std::string> row = {sharedParameterName(t.shared)};
        const SharedFit* f = t.fit ? &*t.fit : nullptr;
        auto figure = [&](auto get) { return f ? csvNumber(get(*f)) : std::string(); };
        row.push_back(figure([](const SharedFit& s) { return s.sharedValue; }));
        row.push_back(figure([](const SharedFit& s) { return std::optional<double>(s.ssr); }));
        row.push_back(f ? std::to_string(f->degreesOfFreedom) : "");
        row.push_back(csvNumber(c.separateSsr));
        row.push_back(c.separateSsr ? std::to_string(c.separateDf) : "");
        row.push_back(figure([](const SharedFit& s) { return std::optional<double>(s.F); }));
        row.push_back(figure([](const SharedFit& s) { return std::optional<double>(s.p); }));
        row.push_back(figure([](const SharedFit& s) { return s.deltaAICc; }));
        row.push_back(t.verdict);
        row.push_back(t.reason);
        for (std::size_t i = 0; i < c.sets.size(); ++i) {
            const std::optional<HillEstimates> e = f && i < f->estimates.size() ? f->estimates[i] : std::nullopt;
            for (double v : {e ? e->V : 0.0, e ? e->n : 0.0, e ? e->K : 0.0})
                row.push_back(e ? csvNumber(v) : std::string());
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// The same text but for the case of its first letter.
bool sameSentence(std::string a, std::string b)
{
    if (a.empty() || b.empty()) return a == b;
    a[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(a[0])));
    b[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(b[0])));
    return a == b;
}

// What keeps the comparison from being whole, said on standard error: the sets' messages,
// then each reason a test was not computed for that they do not already say, once, with the
// tests it holds for ("the tests of V, n and K shared: ...").
int sayProblems(const Comparison& c, std::ostream& err)
{
    if (!c.refusal.empty()) {
        err << "kinetra-fit: " << c.refusal << '\n';
        return kExitEnded;
    }
    for (const std::string& m : c.messages) err << "kinetra-fit: " << m << '\n';
    std::vector<std::pair<std::string, std::vector<std::string>>> reasons;  // reason, the tests
    bool incomplete = !c.messages.empty();
    for (const SharedTest& t : c.tests) {
        if (t.fit) continue;
        incomplete = true;
        const std::string why = t.reason.substr(t.reason.find(": ") + 2);
        if (std::any_of(c.messages.begin(), c.messages.end(), [&](const auto& m) { return sameSentence(m, why); }))
            continue;
        auto same = std::find_if(reasons.begin(), reasons.end(), [&](const auto& r) { return r.first == t.reason; });
        const std::string name = t.shared == SharedParameter::All ? "all three" : sharedParameterName(t.shared);
        if (same == reasons.end()) reasons.push_back({t.reason, {name}});
        else same->second.push_back(name);
    }
    for (const auto& [reason, tests] : reasons) {
        std::string names = tests.front();
        for (std::size_t i = 1; i < tests.size(); ++i) names += (i + 1 == tests.size() ? " and " : ", ") + tests[i];
        err << "kinetra-fit: the test" << (tests.size() > 1 ? "s" : "") << " of " << names << " shared: " << reason
            << '\n';
    }
    return incomplete ? kExitEnded : kExitFitted;
}

}  // namespace

int runComparison(const FitOptions& options, const std::vector<DataSetSource>& sources, std::ostream& out,
                  std::ostream& err)
{
    std::vector<DataSetPoints> sets;
    std::string rateUnit, concUnit;
    json curves = json::array();  // the curve's points as checked, for the settings
    std::vector<json> readWarnings;  // each source's, as the JSON lines of the data sets give them
    int exitCode = kExitFitted;
    for (const DataSetSource& source : sources) {
        const std::string& name = source.label;
        json& warnings = readWarnings.emplace_back(json::array());
        for (const std::string& warning : source.tableWarnings) {
            warnings.push_back(json{{"message", warning}});
            err << source.file << ": " << warning << '\n';
        }
        Outcome<DataSet> data = source.read ? *source.read
                                            : readDataSet(source.file, sourceLabels(options, source), [&](int point) {
                                                  warnings.push_back(json{{"point", point}, {"message", kReadWarningText}});
                                                  err << name << ": point " << point << ": " << kTitleCritica << ": "
                                                      << kReadWarningText << '\n';
                                              });
        if (!data) {
            const json end = endObject(data.failure());
            err << name << ": " << end["title"].get<std::string>() << ": "
                << forTerminal(end["message"].get<std::string>()) << '\n';
            exitCode = kExitUsage;
            continue;
        }
        std::vector<std::pair<int, int>> chosen;
        if (const auto message = checkCurvePoints(options, data->pointCount(), &chosen)) {
            err << name << ": " << kTitleCritica << ": " << *message << '\n';
            exitCode = kExitUsage;
            continue;
        }
        DataSetPoints set{name, {}, {}, std::nullopt};
        for (int i = chosen.front().first; i <= chosen.front().second; ++i) {
            set.concentration.push_back(data->concentration[static_cast<std::size_t>(i - 1)]);
            set.rate.push_back(data->rate[static_cast<std::size_t>(i - 1)] - options.baseline);
        }
        if (sets.empty()) {  // the plot's axes take the first set's units
            rateUnit = data->rateUnit;
            concUnit = data->concUnit;
            if (!options.curves.empty())
                curves.push_back(std::to_string(chosen.front().first) + "-" + std::to_string(chosen.front().second));
        }
        sets.push_back(std::move(set));
    }
    if (exitCode != kExitFitted) return exitCode;

    const Comparison c = compareDataSets(sets, options.weighting);
    if (options.json)
        out << json{{"comparison", comparisonObject(c, sources, readWarnings)},
                    {"settings", settingsObject(options, SettingsFor::Comparison, curves)},
                    {"program", programObject()}}
                   .dump(-1, ' ', false, json::error_handler_t::replace)
            << '\n';
    else
        out << comparisonText(c, sets.size());
    exitCode = sayProblems(c, err);
    if (standardOutputLost(out, err)) exitCode = std::max(exitCode, kExitEnded);
    if (!c.refusal.empty()) return exitCode;
    if (!options.csvFile.empty()) exitCode = std::max(exitCode, writeCsv(options.csvFile, comparisonCsv(c), err));
    if (!options.comparePlotFile.empty()) {
        std::vector<OverlaySet> overlay;
        for (std::size_t i = 0; i < sets.size(); ++i) {
            const CurveEstimates& own = c.sets[i].own;
            overlay.push_back({std::filesystem::path(sets[i].name).filename().string(), sets[i].concentration, sets[i].rate,
                               own.determined ? std::optional<HillEstimates>(own.estimates) : std::nullopt});
        }
        exitCode = std::max(exitCode, writePictureFile(options.comparePlotFile,
                                                   buildComparisonPlot(overlay, rateUnit, concUnit), err));
    }
    return exitCode;
}

}  // namespace kinetra::cli
