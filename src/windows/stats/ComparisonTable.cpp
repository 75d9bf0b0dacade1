#include "windows/stats/ComparisonTable.h"

#include "report/StatisticsLines.h"

namespace kinetra {

namespace {

// "V shared", ..., and for all three the one curve.
std::string sharedCaption(SharedParameter shared)
{
    if (shared == SharedParameter::All) return "all shared (one curve)";
    return std::string(sharedParameterName(shared)) + " shared";
}

// A test's figures: F, p and deltaAICc only where the fit exists.
std::optional<double> maybe(const std::optional<SharedFit>& fit, double SharedFit::*member)
{
    return fit ? std::optional<double>((*fit).*member) : std::nullopt;
}

}  // namespace

ComparisonTable comparisonTable(const Comparison& c, const FigureForm& figure, char sep)
{
    ComparisonTable t;
    t.setHeader = {"Data set", "Points", "V", "SE of V", "n", "SE of n", "K", "SE of K"};
    for (const ComparedSet& s : c.sets) {
        std::vector<std::string> row{s.name, std::to_string(s.points)};
        if (s.leftOut) {
            row.push_back("left out: its rates cannot be weighted");
        } else if (!s.own.determined) {
            row.push_back(s.own.reason);
        } else {
            const auto& e = s.own.estimates;
            const auto& se = s.own.standardErrors;
            row.insert(row.end(), {figure(e.V), figure(se ? std::optional<double>(se->V) : std::nullopt), figure(e.n),
                                   figure(se ? std::optional<double>(se->n) : std::nullopt), figure(e.K),
                                   figure(se ? std::optional<double>(se->K) : std::nullopt)});
        }
        t.sets.push_back(std::move(row));
    }

    t.testHeader = {"Shared", "Shared value", "SSR", "df", "F", "p", "deltaAICc", "Verdict"};
    for (const SharedTest& test : c.tests) {
        std::vector<std::string> row{sharedCaption(test.shared)};
        if (!test.fit) {
            row.insert(row.end(), 6, std::string());
            row.push_back(test.reason.empty() ? c.refusal : test.reason);
        } else {
            const SharedFit& f = *test.fit;
            // one curve for all has no single shared value
            row.insert(row.end(), {f.sharedValue ? figure(f.sharedValue) : std::string(), figure(f.ssr), std::to_string(f.degreesOfFreedom),
                                   figure(f.F), figure(f.p),
                                   figure(f.deltaAICc), sharedTestVerdict(test.shared, f.p, sep)});
        }
        t.tests.push_back(std::move(row));
    }
    return t;
}

std::string tabSeparated(const ComparisonTable& t)
{
    std::string out;
    auto line = [&out](const std::vector<std::string>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) out += (i > 0 ? "\t" : "") + cells[i];
        out += "\r\n";
    };
    line(t.setHeader);
    for (const auto& row : t.sets) line(row);
    out += "\r\n";
    line(t.testHeader);
    for (const auto& row : t.tests) line(row);
    return out;
}

std::vector<std::vector<std::string>> comparisonCsvRows(const Comparison& c)
{
    std::vector<std::vector<std::string>> rows{{"weighting", "shared", "sharedValue", "ssr", "df", "separateSsr",
                                                "separateDf", "F", "p", "deltaAICc", "verdict"}};
    const std::string separateDf = c.separateSsr ? std::to_string(c.separateDf) : std::string();
    for (const SharedTest& test : c.tests) {
        const auto& f = test.fit;
        rows.push_back({weightingName(c.weighting), sharedParameterName(test.shared),
                        csvNumber(f ? f->sharedValue : std::nullopt), csvNumber(maybe(f, &SharedFit::ssr)),
                        f ? std::to_string(f->degreesOfFreedom) : std::string(), csvNumber(c.separateSsr), separateDf,
                        csvNumber(maybe(f, &SharedFit::F)), csvNumber(maybe(f, &SharedFit::p)),
                        csvNumber(f ? f->deltaAICc : std::nullopt),
                        f ? test.verdict : (test.reason.empty() ? c.refusal : test.reason)});
    }
    return rows;
}

}  // namespace kinetra
