// The statistics of one small curve (3 to 30 points: exact Hill law data, Hill law data with
// scatter, any listed values; duplicated concentrations and rates, magnitudes from 1e-300 to
// 1e300) with any weighting, and its 95 % bands. The statistics give finite figures, limits
// on either side of their estimates, or a reason; the bands give, at every concentration from
// the lowest to the highest asked for, finite limits in the order
//   lower prediction <= lower confidence <= fitted <= upper confidence <= upper prediction
// (to a relative 1e-12), or a reason and no points.
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "stats/Bands.h"

using namespace kinetra;

namespace {

constexpr double kSlack = 1e-12;

void finite(double x, const char* what)
{
    if (!std::isfinite(x)) fuzz::fail(what, std::to_string(x));
}

void explained(const std::string& text, const char* what)
{
    if (text.empty() || fuzz::showsNonNumber(text)) fuzz::fail(what, text);
}

// a <= b, but for a rounding of the larger magnitude involved
bool inOrder(double a, double b, double scale) { return a <= b + kSlack * scale; }

void checkParameter(const ParameterStatistics& p, const char* what)
{
    finite(p.estimate, what);
    if (p.standardError && !(*p.standardError >= 0.0 && std::isfinite(*p.standardError)))
        fuzz::fail("standard error not a finite number >= 0", what);
    for (const std::optional<Limits>& l : {p.ci95, p.profileCi95}) {
        if (!l) continue;
        const double scale = std::fabs(p.estimate);
        if (l->low && (!std::isfinite(*l->low) || !inOrder(*l->low, p.estimate, scale)))
            fuzz::fail("lower limit not finite or above the estimate", what);
        if (l->high && (!std::isfinite(*l->high) || !inOrder(p.estimate, *l->high, scale)))
            fuzz::fail("upper limit not finite or below the estimate", what);
    }
}

void checkStatistics(const CurveStatistics& st)
{
    if (!st.determined) {
        explained(st.reason, "statistics withheld");
        return;
    }
    checkParameter(st.V, "V");
    checkParameter(st.n, "n");
    checkParameter(st.K, "K");
    checkParameter(st.VK, "V/K");
    if (!(st.ssr >= 0.0)) fuzz::fail("SSR below 0");
    finite(st.ssr, "SSR");
    if (st.residualVariance && !(*st.residualVariance >= 0.0 && std::isfinite(*st.residualVariance)))
        fuzz::fail("s^2 not a finite number >= 0");
    if (st.covariance) {
        const std::array<double, 9>& c = *st.covariance;
        for (std::size_t i = 0; i < 3; ++i) {
            if (!(c[4 * i] >= 0.0)) fuzz::fail("a variance below 0");
            for (std::size_t j = 0; j < 3; ++j) finite(c[3 * i + j], "covariance");
        }
    }
    if (st.replicates) {
        explained(st.replicates->verdict, "replicates verdict");
        const ReplicatesTest& r = *st.replicates;
        if (!(r.p >= 0.0 && r.p <= 1.0)) fuzz::fail("replicates p outside 0..1");
        if (r.pureErrorDf + r.lackOfFitDf != st.degreesOfFreedom) fuzz::fail("replicates df do not add up");
        for (double x : {r.pureErrorSs, r.lackOfFitSs, r.F}) finite(x, "replicates");
    }
    if (st.fTest && !(st.fTest->p >= 0.0 && st.fTest->p <= 1.0)) fuzz::fail("F test p outside 0..1");
    if (st.residuals.size() != static_cast<std::size_t>(st.points)) fuzz::fail("a residual per point");
    for (double r : st.residuals) finite(r, "residual");
}

void checkBands(const CurveStatistics& st, const CurveBands& b, double low, double high, int count)
{
    if (b.points.empty()) {
        explained(b.reason, "band withheld");
        return;
    }
    if (!b.reason.empty()) fuzz::fail("band with a reason", b.reason);
    if (!st.determined) fuzz::fail("band of a curve not determined");
    if (static_cast<int>(b.points.size()) != count) fuzz::fail("band points not as many as asked");
    if (b.points.front().concentration != low || b.points.back().concentration != high)
        fuzz::fail("band does not run from the lowest to the highest concentration");
    double previous = 0.0;
    for (const BandPoint& p : b.points) {
        const double all[] = {p.concentration, p.fit, p.confidenceLow, p.confidenceHigh, p.predictionLow,
                              p.predictionHigh};
        double scale = 0.0;
        for (double x : all) {
            finite(x, "band figure");
            scale = std::max(scale, std::fabs(x));
        }
        if (!(p.concentration > previous)) fuzz::fail("band concentrations not rising");
        previous = p.concentration;
        if (!inOrder(p.predictionLow, p.confidenceLow, scale) || !inOrder(p.confidenceLow, p.fit, scale) ||
            !inOrder(p.fit, p.confidenceHigh, scale) || !inOrder(p.confidenceHigh, p.predictionHigh, scale))
            fuzz::fail("band limits out of order", std::to_string(p.concentration));
        // the Hill law lies between 0 and V
        if (!inOrder(std::fabs(p.fit), std::fabs(st.V.estimate), std::fabs(st.V.estimate)))
            fuzz::fail("fitted rate beyond V");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    StatisticsInput input;
    input.weighting = static_cast<Weighting>(in.below(3));
    const int count = 3 + in.below(28);
    const int kind = in.below(4);  // 0 exact Hill law, 1 and 2 with scatter, 3 any values
    const bool wide = in.flag();
    const int lo = wide ? -300 : -4, hi = wide ? 300 : 4;
    const double V = in.listedValue(lo, hi), n = 0.2 + in.below(50) / 10.0, K = std::fabs(in.listedValue(lo, hi));
    const double scatter = kind == 0 ? 0.0 : in.below(30) / 100.0;
    const double spacing = 1.1 + in.below(40) / 10.0;  // between neighbouring concentrations
    for (int i = 0; i < count; ++i) {
        // now and then the point before again: a replicate, the same to the last bit or not
        const bool repeat = !input.concentration.empty() && in.below(4) == 3;
        const double S = repeat      ? input.concentration.back()
                         : kind == 3 ? in.listedValue(lo, hi)
                                     : K * std::pow(spacing, i - count / 2);
        double v = kind == 3 ? in.listedValue(lo, hi) : V / (1.0 + std::pow(K / S, n));
        v *= 1.0 + scatter * (in.byte() - 127.5) / 127.5;
        if (repeat && in.flag()) v = input.rate.back();
        input.concentration.push_back(S);
        input.rate.push_back(v);
    }
    // where the search starts: automatic, the law the points came from, or near it
    switch (in.below(3)) {
    case 1: input.start = HillEstimates{V, n, K}; break;
    case 2: input.start = HillEstimates{V * (0.5 + in.byte() / 256.0), n * (0.5 + in.byte() / 256.0), K * 2.0}; break;
    default: break;
    }

    const CurveStatistics st = computeCurveStatistics(input);
    checkStatistics(st);

    // mostly the data's own range at up to 200 concentrations; now and then a count or a
    // range the bands refuse
    const auto [lowest, highest] = std::minmax_element(input.concentration.begin(), input.concentration.end());
    double low = *lowest, high = *highest;
    int bandCount = kMinBandPoints + in.below(199);
    switch (in.below(16)) {
    case 0: bandCount = in.flag() ? kMinBandPoints - 1 : kMaxBandPoints + 1; break;
    case 1: std::swap(low, high); break;
    case 2: low = in.listedValue(lo, hi); high = low * (1.0 + in.below(100)); break;
    default: break;
    }
    checkBands(st, curveBands(st, low, high, bandCount), low, high, bandCount);
    return 0;
}
