#include "FitStatistics.h"

#include <algorithm>

#include "format/NumberForms.h"
#include "report/StatisticsLines.h"
#include "stats/CalculatedCurve.h"

namespace kinetra::cli {

namespace {

using json = nlohmann::ordered_json;

json orNull(std::optional<double> v) { return v ? json(*v) : json(nullptr); }

json limitsJson(const std::optional<Limits>& l)
{
    if (!l) return nullptr;
    return json::array({orNull(l->low), orNull(l->high)});
}

// An object's members appended in order, without the search for an existing key that
// operator[] makes on every insertion (each key is added once).
class Members {
public:
    Members(json& o, std::size_t count) : list_(o.get_ref<json::object_t&>()) { list_.reserve(count); }
    Members& add(const char* key, json value)
    {
        list_.emplace_back(key, std::move(value));
        return *this;
    }

private:
    std::vector<std::pair<const std::string, json>>& list_;
};

json replicatesObject(const std::optional<ReplicatesTest>& t)
{
    if (!t) return nullptr;
    json o = json::object();
    Members(o, 8)
        .add("concentrations", t->concentrations)
        .add("pureErrorSS", t->pureErrorSs)
        .add("pureErrorDf", t->pureErrorDf)
        .add("lackOfFitSS", t->lackOfFitSs)
        .add("lackOfFitDf", t->lackOfFitDf)
        .add("F", t->F)
        .add("p", t->p)
        .add("verdict", t->verdict);
    return o;
}

}  // namespace

json statisticsObject(const CurveStatistics& st)
{
    json o = json::object();
    Members m(o, 19);
    m.add("source", st.source == StatisticsSource::DescribedFit ? "describedFit" : "leastSquares")
        .add("determined", st.determined)
        .add("reason", st.determined ? json(nullptr) : json(st.reason))
        .add("points", st.points)
        .add("degreesOfFreedom", st.degreesOfFreedom);
    const std::pair<const char*, const ParameterStatistics*> params[4] = {
        {"V", &st.V}, {"n", &st.n}, {"K", &st.K}, {"VK", &st.VK}};
    if (!st.determined) {
        for (const char* key : {"estimates", "standardErrors", "ci95", "profileCi95", "ssr", "syx", "r2",
                                "hyperbolic", "fTest", "deltaAICc", "residuals", "verdict", "replicates"})
            m.add(key, nullptr);
        m.add("weighting", weightingName(st.weighting));
        return o;
    }
    json estimates = json::object(), errors = json::object(), ci = json::object(), profile = json::object();
    Members e(estimates, 4), se(errors, 4), c(ci, 4), pr(profile, 3);
    for (const auto& [key, p] : params) {
        e.add(key, p->estimate);
        se.add(key, orNull(p->standardError));
        c.add(key, limitsJson(p->ci95));
        if (p != &st.VK) pr.add(key, limitsJson(p->profileCi95));
    }
    json hyperbolic = nullptr, fTest = nullptr;
    if (st.hyperbolic)
        Members(hyperbolic = json::object(), 3)
            .add("V", st.hyperbolic->V)
            .add("K", st.hyperbolic->K)
            .add("ssr", st.hyperbolic->ssr);
    if (st.fTest) Members(fTest = json::object(), 2).add("F", st.fTest->F).add("p", st.fTest->p);
    m.add("estimates", std::move(estimates))
        .add("standardErrors", std::move(errors))
        .add("ci95", std::move(ci))
        .add("profileCi95", std::move(profile))
        .add("ssr", st.ssr)
        .add("syx", orNull(st.syx))
        .add("r2", orNull(st.r2))
        .add("hyperbolic", std::move(hyperbolic))
        .add("fTest", std::move(fTest))
        .add("deltaAICc", orNull(st.deltaAICc))
        .add("residuals", st.residuals)
        .add("verdict", st.verdict)
        .add("replicates", replicatesObject(st.replicates))
        .add("weighting", weightingName(st.weighting));
    return o;
}

std::vector<std::string> statisticsSection(const CurveStatistics& st, int curve, const std::string& rateUnit,
                                           const std::string& concUnit, ReportForm form)
{
    std::vector<std::string> lines = statisticsReportLines(st, curve, rateUnit, concUnit, form, '.');
    const std::string m(kReportMargin);
    auto number = [](double v) { return formatReportNumber(v, '.'); };
    // below the rule, the title, the rule and the section's first line
    if (st.weighting != Weighting::None && lines.size() > 4)
        lines.insert(lines.begin() + 4, m + (st.weighting == Weighting::Relative
                                                 ? "Weighted least squares: relative weights 1/v^2"
                                                 : "Weighted least squares: Poisson weights 1/v"));
    if (!st.determined || !st.replicates) return lines;
    const ReplicatesTest& t = *st.replicates;
    const std::vector<std::string> test = {
        " ",
        m + "Lack of fit: replicates at" + number(t.concentrations) + "concentrations",
        m + "Pure error SS =" + number(t.pureErrorSs) + " Degrees of freedom =" + number(t.pureErrorDf),
        m + "Lack of fit SS =" + number(t.lackOfFitSs) + " Degrees of freedom =" + number(t.lackOfFitDf),
        m + "F =" + number(t.F) + " p =" + number(t.p),
        m + replicatesVerdict(t, '.')};
    const auto closing = std::find(lines.rbegin(), lines.rend(), ruleLine());
    lines.insert(closing == lines.rend() ? lines.end() : std::prev(closing.base()), test.begin(), test.end());
    return lines;
}

std::vector<std::string> csvColumns(bool withStatistics)
{
    std::vector<std::string> h = csvHeader(withStatistics);
    if (withStatistics)
        h.insert(h.end(), {"replicateConcentrations", "pureErrorSS", "pureErrorDf", "lackOfFitSS", "lackOfFitDf",
                           "lackOfFitF", "lackOfFitP"});
    return h;
}

std::vector<std::string> csvCurveRow(const std::string& file, const CurveFit& results, const CurveStatistics* st)
{
    std::vector<std::string> row = csvRow(file, results, st);
    if (!st) return row;
    if (!st->determined || !st->replicates) {
        row.insert(row.end(), 7, std::string());
        return row;
    }
    const ReplicatesTest& t = *st->replicates;
    row.insert(row.end(), {std::to_string(t.concentrations), csvNumber(t.pureErrorSs), std::to_string(t.pureErrorDf),
                           csvNumber(t.lackOfFitSs), std::to_string(t.lackOfFitDf), csvNumber(t.F), csvNumber(t.p)});
    return row;
}

std::optional<std::string> unweightablePoint(const DataSet& data, const CurveChoice& curve, int curveNumber,
                                             Weighting weighting)
{
    if (weighting == Weighting::None) return std::nullopt;
    for (int i = std::max(curve.firstPoint, 1); i <= std::min(curve.lastPoint, data.pointCount()); ++i) {
        const double y = data.rate[static_cast<std::size_t>(i - 1)] - curve.baseline;
        if (y > 0.0) continue;
        return "point " + std::to_string(i) + " has a rate of " + formatGeneralNumber(y) +
               " above the baseline of curve " + std::to_string(curveNumber) + ": " +
               (weighting == Weighting::Relative ? "relative" : "Poisson") +
               " weights need every rate above the baseline to be greater than 0";
    }
    return std::nullopt;
}

CurveBands bandsOverCurve(const CurveStatistics& stats, const std::vector<double>& concentration, int count)
{
    if (concentration.empty()) return curveBands(stats, 0.0, 0.0, count);
    const auto [low, high] = std::minmax_element(concentration.begin(), concentration.end());
    return curveBands(stats, *low, *high, count);
}

std::vector<std::string> bandCsvHeader()
{
    return {"file", "curve", "S", "fit", "confidenceLow", "confidenceHigh", "predictionLow", "predictionHigh"};
}

void appendBandRows(std::vector<std::vector<std::string>>& rows, const std::string& file, int curve,
                    const CurveBands& bands)
{
    for (const BandPoint& b : bands.points)
        rows.push_back({file, std::to_string(curve), csvNumber(b.concentration), csvNumber(b.fit),
                        csvNumber(b.confidenceLow), csvNumber(b.confidenceHigh), csvNumber(b.predictionLow),
                        csvNumber(b.predictionHigh)});
}

void StatisticsCurves::presentCurve(const CurveFit& fit)
{
    ChosenCurves::presentCurve(fit);
    if (!enabled_) return;
    StatisticsInput input = curveStatisticsInput(data_, fit.points, HillEstimates{fit.V, fit.n, fit.K});
    input.weighting = weighting_;
    stats_.emplace_back(fit.curve, computeCurveStatistics(input));
    pending_ = stats_.size() - 1;
}

std::optional<std::pair<int, CurveStatistics>> StatisticsCurves::takePending()
{
    if (!pending_) return std::nullopt;
    const std::size_t i = *pending_;
    pending_.reset();
    return stats_[i];
}

void ReportWithStatistics::append(const std::vector<std::string>& lines)
{
    const auto pending = curves_.takePending();
    if (!pending) {
        inner_.append(lines);
        return;
    }
    std::vector<std::string> all = lines;
    const auto section = statisticsSection(pending->second, pending->first, data_.rateUnit, data_.concUnit,
                                           inner_.form());
    all.insert(all.end(), section.begin(), section.end());
    inner_.append(all);
}

}  // namespace kinetra::cli
