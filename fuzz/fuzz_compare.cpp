// Comparing arbitrary small data sets, with any weighting: the comparison ends with every
// figure it gives a finite number and every figure it withholds explained; the same for the
// statistics of the first set alone, its replicates and its bands.
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "stats/Bands.h"
#include "stats/Comparison.h"

using namespace kinetra;

namespace {

void finite(double x, const char* what)
{
    if (!std::isfinite(x)) fuzz::fail(what, std::to_string(x));
}

void finite(const std::optional<double>& x, const char* what)
{
    if (x) finite(*x, what);
}

void finite(const HillEstimates& e, const char* what)
{
    finite(e.V, what);
    finite(e.n, what);
    finite(e.K, what);
}

void explained(const std::string& text, const char* what)
{
    if (text.empty() || fuzz::showsNonNumber(text)) fuzz::fail(what, text);
}

void checkComparison(const Comparison& c, std::size_t given)
{
    if (!c.refusal.empty()) {
        explained(c.refusal, "refusal");
        return;
    }
    if (c.sets.size() != given) fuzz::fail("sets lost");
    for (const std::string& m : c.messages) explained(m, "message");
    for (const ComparedSet& s : c.sets) {
        if (!s.own.determined) {
            explained(s.own.reason, "own fit withheld");
            continue;
        }
        finite(s.own.estimates, "own estimate");
        finite(s.own.ssr, "own SSR");
        if (s.own.standardErrors) finite(*s.own.standardErrors, "own SE");
    }
    finite(c.separateSsr, "separate SSR");
    for (const SharedTest& t : c.tests) {
        if (!t.fit) {
            explained(t.reason, "test withheld");
            continue;
        }
        explained(t.verdict, "verdict");
        finite(t.fit->sharedValue, "shared value");
        for (const auto& e : t.fit->estimates)
            if (e) finite(*e, "shared fit estimate");
        finite(t.fit->ssr, "shared SSR");
        finite(t.fit->F, "F");
        finite(t.fit->deltaAICc, "deltaAICc");
        if (!(t.fit->p >= 0.0 && t.fit->p <= 1.0)) fuzz::fail("p outside 0..1", std::to_string(t.fit->p));
    }
}

void checkCurve(const DataSetPoints& d, Weighting weighting, int bandCount)
{
    const CurveStatistics st = computeCurveStatistics(StatisticsInput{d.concentration, d.rate, std::nullopt, weighting});
    if (!st.determined) {
        explained(st.reason, "curve withheld");
        return;
    }
    finite(st.residualVariance, "s^2");
    if (st.covariance)
        for (double c : *st.covariance) finite(c, "covariance");
    if (st.replicates) {
        explained(st.replicates->verdict, "replicates verdict");
        for (double x : {st.replicates->pureErrorSs, st.replicates->lackOfFitSs, st.replicates->F, st.replicates->p})
            finite(x, "replicates");
    }
    double low = HUGE_VAL, high = 0.0;
    for (double s : d.concentration) {
        low = std::min(low, s);
        high = std::max(high, s);
    }
    const CurveBands b = curveBands(st, low, high, bandCount);
    if (b.points.empty()) explained(b.reason, "band withheld");
    for (const BandPoint& p : b.points)
        for (double x : {p.concentration, p.fit, p.confidenceLow, p.confidenceHigh, p.predictionLow, p.predictionHigh})
            finite(x, "band");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const Weighting weighting = static_cast<Weighting>(in.below(3));
    // mostly 2 to 4 sets, now and then none, one, or more than may be compared
    const int setCount = in.below(16) == 0 ? in.below(kMaxComparedSets + 3) : 2 + in.below(3);
    const bool wide = in.flag();
    const int lo = wide ? -300 : -4, hi = wide ? 300 : 4;
    std::vector<DataSetPoints> sets(static_cast<std::size_t>(setCount));
    for (DataSetPoints& d : sets) {
        // mostly 4 to 12 points on a Hill law with some scatter (so that the joint fits are
        // reached, also when the input runs out), now and then any number of any values
        const int points = in.below(8) == 7 ? in.below(13) : 4 + in.below(9);
        const bool hill = in.below(4) != 3;
        const double V = in.listedValue(lo, hi), n = 0.2 + in.below(50) / 10.0, K = std::fabs(in.listedValue(lo, hi));
        const double scatter = in.below(30) / 100.0;
        for (int i = 0; i < points; ++i) {
            const bool repeat = in.below(4) == 3 && !d.concentration.empty();
            const double S = repeat ? d.concentration.back() : hill ? K * std::pow(1.6, i - points / 2) : in.listedValue(lo, hi);
            const double noise = 1.0 + scatter * (in.byte() - 127.5) / 127.5;
            d.concentration.push_back(S);
            d.rate.push_back(hill ? V / (1.0 + std::pow(K / S, n)) * noise : in.listedValue(lo, hi));
        }
    }
    const int bandCount = in.flag() ? 100 : in.below(kMaxBandPoints + 3);
    checkComparison(compareDataSets(sets, weighting), sets.size());
    if (!sets.empty()) checkCurve(sets[0], weighting, bandCount);
    return 0;
}
