#include "FitStatistics.h"

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

}  // namespace

json statisticsObject(const CurveStatistics& st)
{
    json o;
    o["source"] = st.source == StatisticsSource::DescribedFit ? "describedFit" : "leastSquares";
    o["determined"] = st.determined;
    o["reason"] = st.determined ? json(nullptr) : json(st.reason);
    o["points"] = st.points;
    o["degreesOfFreedom"] = st.degreesOfFreedom;
    const std::pair<const char*, const ParameterStatistics*> params[4] = {
        {"V", &st.V}, {"n", &st.n}, {"K", &st.K}, {"VK", &st.VK}};
    if (!st.determined) {
        for (const char* key : {"estimates", "standardErrors", "ci95", "profileCi95", "ssr", "syx", "r2",
                                "hyperbolic", "fTest", "deltaAICc", "residuals", "verdict"})
            o[key] = nullptr;
        return o;
    }
    json estimates, errors, ci, profile;
    for (const auto& [key, p] : params) {
        estimates[key] = p->estimate;
        errors[key] = orNull(p->standardError);
        ci[key] = limitsJson(p->ci95);
        if (p != &st.VK) profile[key] = limitsJson(p->profileCi95);
    }
    o["estimates"] = std::move(estimates);
    o["standardErrors"] = std::move(errors);
    o["ci95"] = std::move(ci);
    o["profileCi95"] = std::move(profile);
    o["ssr"] = st.ssr;
    o["syx"] = orNull(st.syx);
    o["r2"] = orNull(st.r2);
    o["hyperbolic"] = st.hyperbolic ? json{{"V", st.hyperbolic->V}, {"K", st.hyperbolic->K}, {"ssr", st.hyperbolic->ssr}}
                                    : json(nullptr);
    o["fTest"] = st.fTest ? json{{"F", st.fTest->F}, {"p", st.fTest->p}} : json(nullptr);
    o["deltaAICc"] = orNull(st.deltaAICc);
    o["residuals"] = st.residuals;
    o["verdict"] = st.verdict;
    return o;
}

void StatisticsCurves::presentCurve(const CurveFit& fit)
{
    ChosenCurves::presentCurve(fit);
    if (!enabled_) return;
    stats_.emplace_back(fit.curve, computeCurveStatistics(curveStatisticsInput(
                                       data_, fit.points, HillEstimates{fit.V, fit.n, fit.K})));
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
    const auto section = statisticsReportLines(pending->second, pending->first, data_.rateUnit, data_.concUnit,
                                               inner_.form(), '.');
    all.insert(all.end(), section.begin(), section.end());
    inner_.append(all);
}

}  // namespace kinetra::cli
