// A whole calculation on arbitrary data: up to 200 sorted points as a data file and the
// hand-off can leave them, one or two curves with points and a baseline the points window
// accepts. It must end, with finite results for every curve it presents or with one of its
// ending messages; then graph 2 draws the outcome or fails with a run-time failure.
#include <algorithm>
#include <cmath>
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
    Hooks(fuzz::Input& in, int curveCount) : in_(in), curveCount_(curveCount) {}

    // Points that the points window accepts: first from firstPoint on, at least two points,
    // room for a second curve after the first when two are asked for.
    void askCurvePoints(SharedState& st, int curve) override
    {
        const int lowest = st.firstPoint;
        const int highestLast = st.pointCount - (curve == 1 && curveCount_ == 2 ? 2 : 0);
        if (lowest + 1 > highestLast) fuzz::fail("no points left for the curve");
        const int first = lowest + in_.below(highestLast - lowest);
        const int last = first + 1 + in_.below(highestLast - first);
        st.firstPoint = static_cast<std::int16_t>(first);
        st.lastPoint = static_cast<std::int16_t>(last);
        if (curve == 1) st.baseline = in_.flag() ? 0.0 : std::fabs(in_.listedValue(-300, 300));
    }

    void showWarning(const std::string& message) override
    {
        if (fuzz::showsNonNumber(message)) fuzz::fail("warning shows nan or inf", message);
    }

    void presentCurve(const SharedState& st, const CurveResults& r) override
    {
        for (const double v : {r.V, r.n, r.K, r.VK, r.r, r.totalActivity, r.baseline}) {
            if (!std::isfinite(v)) fuzz::fail("result not finite");
        }
        const ResultsTexts texts = resultsTexts(r, st.rateUnit, st.concUnit);
        if (fuzz::showsNonNumber(texts.title)) fuzz::fail("title shows nan or inf", texts.title);
        for (const std::string& t : texts.values) {
            if (fuzz::showsNonNumber(t)) fuzz::fail("result text shows nan or inf", t);
        }
        ++presented;
    }

    int presented = 0;

private:
    fuzz::Input& in_;
    int curveCount_;
};

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

    SharedState st;
    resetForCalculation(st);
    st.pointCount = static_cast<std::int16_t>(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        st.concentration[static_cast<long long>(i + 1)] = points[i].first;
        st.rate[static_cast<long long>(i + 1)] = points[i].second;
    }
    st.rateUnit = "U/mg";
    st.concUnit = "mM";

    FitWork work;
    Hooks hooks(in, curveCount);
    const CalculationOutcome out = runCalculation(st, work, curveCount, hooks);
    if (static_cast<int>(out.curves.size()) != hooks.presented) fuzz::fail("curves stored and presented differ");
    if (!out.end && static_cast<int>(out.curves.size()) != curveCount) fuzz::fail("ended without all curves");
    if (out.end && (out.end->message.empty() || fuzz::showsNonNumber(out.end->message)))
        fuzz::fail("ending message empty or shows nan or inf", out.end ? out.end->message : std::string());

    if (!out.end) {
        st.considerBaseline = in.flag();
        Graph2State g;
        try {
            buildGraph2(st, g);
        } catch (const RuntimeFailure&) {
        }
    }
    return 0;
}
