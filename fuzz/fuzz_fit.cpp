// A whole calculation on arbitrary data: up to 200 sorted points as a data file and the
// hand-off can leave them, one or two curves with points and a baseline the points window
// accepts. It must end, with finite results for every curve it presents or with one of its
// ending messages; the first curve fitted again alone gives the same numbers bit for bit;
// then graph 2 draws the outcome or fails with a run-time failure.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "FuzzInput.h"
#include "graphs/GraphGeometry.h"
#include "kinetics/CurveLoop.h"
#include "kinetics/KineticResults.h"

using namespace kinetra;

namespace {

class Hooks : public CalculationHooks {
public:
    Hooks(fuzz::Input& in, const DataSet& data, int curveCount) : in_(in), data_(data), curveCount_(curveCount) {}

    // Points that the points window accepts: first from the point after the last curve on,
    // at least two points, room for a second curve after the first when two are asked for.
    CurveChoice askCurvePoints(int curve) override
    {
        const int highestLast = data_.pointCount() - (curve == 1 && curveCount_ == 2 ? 2 : 0);
        if (lowest_ + 1 > highestLast) fuzz::fail("no points left for the curve");
        const int first = lowest_ + in_.below(highestLast - lowest_);
        const int last = first + 1 + in_.below(highestLast - first);
        lowest_ = last + 1;
        const double baseline = curve == 1 && !in_.flag() ? std::fabs(in_.listedValue(-300, 300)) : 0.0;
        return CurveChoice{first, last, baseline};
    }

    void showWarning(const std::string& message) override
    {
        if (fuzz::showsNonNumber(message)) fuzz::fail("warning shows nan or inf", message);
        shown.push_back(message);
    }

    void presentCurve(const CurveFit& r) override
    {
        for (const double v : {r.V, r.n, r.K, r.VK, r.r, r.totalActivity, r.points.baseline}) {
            if (!std::isfinite(v)) fuzz::fail("result not finite");
        }
        const ResultsTexts texts = resultsTexts(r, data_.rateUnit, data_.concUnit);
        if (fuzz::showsNonNumber(texts.title)) fuzz::fail("title shows nan or inf", texts.title);
        for (const std::string& t : texts.values) {
            if (fuzz::showsNonNumber(t)) fuzz::fail("result text shows nan or inf", t);
        }
        ++presented;
    }

    int presented = 0;
    std::vector<std::string> shown;  // the warnings, in order

private:
    fuzz::Input& in_;
    const DataSet& data_;
    int curveCount_;
    int lowest_ = 1;
};

bool sameBits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

bool sameFit(const CurveFit& a, const CurveFit& b)
{
    return a.curve == b.curve && a.points.firstPoint == b.points.firstPoint &&
           a.points.lastPoint == b.points.lastPoint && sameBits(a.points.baseline, b.points.baseline) &&
           sameBits(a.V, b.V) && sameBits(a.n, b.n) && sameBits(a.K, b.K) && sameBits(a.VK, b.VK) &&
           sameBits(a.r, b.r) && sameBits(a.totalActivity, b.totalActivity) &&
           a.searchPasses == b.searchPasses && a.warnings == b.warnings;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const int curveCount = in.flag() ? 2 : 1;
    const int minPoints = curveCount == 2 ? 4 : 2;
    const int count = minPoints + in.below(kMaxPoints - minPoints + 1);
    // exponents of a narrow or of the whole range of the doubles
    const bool wide = in.flag();
    const int lo = wide ? -300 : -6;
    const int hi = wide ? 300 : 6;

    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < count && in.left() > 0; ++i) points.emplace_back(in.listedValue(lo, hi), in.listedValue(lo, hi));
    if (static_cast<int>(points.size()) < minPoints) return 0;
    std::sort(points.begin(), points.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    DataSet set;
    for (const auto& [conc, rate] : points) {
        set.concentration.push_back(conc);
        set.rate.push_back(rate);
    }
    set.rateUnit = "U/mg";
    set.concUnit = "mM";

    Hooks hooks(in, set, curveCount);
    const CalculationOutcome out = runCalculation(set, curveCount, hooks);
    if (static_cast<int>(out.curves.size()) != hooks.presented) fuzz::fail("curves kept and presented differ");
    if (!out.end && static_cast<int>(out.curves.size()) != curveCount) fuzz::fail("ended without all curves");
    if (out.end) {
        const std::string message = failureMessage(*out.end);
        if (message.empty() || fuzz::showsNonNumber(message)) fuzz::fail("ending message empty or shows nan or inf", message);
        if (out.endedOnCurve != static_cast<int>(out.curves.size()) + (out.endedOnCurve ? 1 : 0))
            fuzz::fail("ended on another curve than the one after those kept");
    }
    // the warnings kept with the curves are the first ones shown, all of them when it ended well
    std::vector<std::string> kept;
    for (const CurveFit& c : out.curves) kept.insert(kept.end(), c.warnings.begin(), c.warnings.end());
    if (kept.size() > hooks.shown.size() || !std::equal(kept.begin(), kept.end(), hooks.shown.begin()) ||
        (!out.end && kept.size() != hooks.shown.size()))
        fuzz::fail("warnings kept and shown differ");
    if (!out.curves.empty()) {
        const Outcome<CurveFit> again = fitCurve(set, 1, out.curves[0].points);
        if (!again || !sameFit(*again, out.curves[0])) fuzz::fail("the first curve fitted again differs");
    }

    if (!out.end) {
        Graph2State g;
        try {
            buildGraph2(set, out.curves, in.flag(), g);
        } catch (const RuntimeFailure&) {
        }
    }
    return 0;
}
