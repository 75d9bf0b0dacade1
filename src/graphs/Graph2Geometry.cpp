// Graph 2: v/V against concentration on a logarithmic axis, the fitted rate law as a blue
// curve of 9000 steps and the measured points as red circles. Twips, x to the right and y
// downwards from the top-left corner; texts by their top-left corner; every coordinate goes
// to the list in single precision, and one that is not finite is an overflow, never drawn.
#include <cmath>
#include <string>

#include "base/CheckedMath.h"
#include "graphs/GraphGeometry.h"
#include "graphs/GraphNumbers.h"

namespace kinetra {

namespace {

using graphs::kFrameLeft;
using graphs::kFrameRight;
using graphs::kFrameTop;
using graphs::kFrameBottom;
using graphs::kTick;
// the frame's top is v/V = 1, its bottom v/V = 0: 6200 twips per unit of v/V
constexpr double kPlotHeight = kFrameBottom - kFrameTop;
constexpr int kCurveSteps = 9000;       // one step per twip of the frame's width
constexpr float kPointRadius = 30.0F;
constexpr double kAxisLabelSize = 12.0;

using graphs::twips;

struct HillTerm {
    double V = 0.0, n = 0.0, K = 0.0;

    // V S^n / (K^n + S^n), written as V / (1 + (K/S)^n) so that neither power leaves the
    // doubles at concentrations far from 1; an exponent 0 gives V / 2, and a curve with V
    // 0 adds nothing.
    double at(double S) const
    {
        if (V == 0.0) return 0.0;
        return checkedQuotient(V, 1.0 + std::pow(checkedQuotient(K, S), n));
    }
};

// y of a rate on the frame: vTop at the top edge, 0 at the bottom edge.
double rateY(double v, double vTop)
{
    return kFrameTop + kPlotHeight * (1.0 - checkedQuotient(v, vTop));
}

void blackLine(DisplayList& list, double x1, double y1, double x2, double y2)
{
    list.add(Line{{twips(x1), twips(y1)}, {twips(x2), twips(y2)}, graphs::kFramePen, kBlack});
}

HillTerm term(const std::vector<CurveFit>& curves, std::size_t i)
{
    return i < curves.size() ? HillTerm{curves[i].V, curves[i].n, curves[i].K} : HillTerm{};
}

}  // namespace

DisplayList buildGraph2(const DataSet& data, const std::vector<CurveFit>& curves, bool considerBaseline,
                        Graph2State& g, double lowConc, double highConc)
{
    DisplayList list;
    const std::vector<double>& conc = data.concentration;
    if (data.rate.size() != conc.size()) throw RuntimeFailure(failure::SubscriptOutOfRange);
    if (!g.firstDrawing) list.add(Clear{});

    const HillTerm curve1 = term(curves, 0);
    const HillTerm curve2 = term(curves, 1);

    // X range as whole powers of ten: the data's widened by two decades, or the chosen
    // range rounded down.
    int eLow = 0;
    int eHigh = 0;
    if (g.firstDrawing) {
        eLow = graphs::decadeOf(conc.empty() ? 0.0 : conc.front()) - 2;
        eHigh = graphs::decadeOf(conc.empty() ? 0.0 : conc.back()) + 2;
    } else {
        eLow = graphs::decadeOf(lowConc);
        eHigh = graphs::decadeOf(highConc);
    }
    const double lnLow = graphs::naturalLog(graphs::powerOfTen(eLow));
    const double lnHigh = graphs::naturalLog(graphs::powerOfTen(eHigh));

    const double b = considerBaseline ? 1.0 : 0.0;
    const double baseline = curves.empty() ? 0.0 : curves.front().points.baseline;
    const double step = (lnHigh - lnLow) / kCurveSteps;  // ln units per twip
    const double vTop = checkedFinite(b * baseline + curve1.V + curve2.V);
    if (vTop == 0.0) throw RuntimeFailure(failure::DivisionByZero);
    auto law = [&](double S) { return b * baseline + curve1.at(S) + curve2.at(S); };
    // room for the curve and the rest, taken once the checks before the curve have passed
    list.ops.reserve(list.ops.size() + kCurveSteps + 300);

    // The curve starts with a single dot one twip inside the frame; the first segment has
    // the dot's pen, every later one the axes' pen.
    double offset = step;
    PointF previous{twips(kFrameLeft + 1.0), twips(rateY(law(std::exp(lnLow + offset)), vTop))};
    list.ops.emplace_back(Dot{previous, kBlack});
    int pen = 1;
    for (int i = 2; i <= kCurveSteps; ++i) {
        offset += step;  // accumulated, as the curve always was
        const PointF next{twips(kFrameLeft + i), twips(rateY(law(std::exp(lnLow + offset)), vTop))};
        list.ops.emplace_back(Line{previous, next, pen, kBlue});  // made in place: no variant moved
        previous = next;
        pen = 3;
    }

    // Points strictly inside the frame, as drawn, are circled; the rest are skipped.
    for (std::size_t j = 0; j < conc.size(); ++j) {
        const double plotted = considerBaseline ? data.rate[j] : data.rate[j] - baseline;
        const double x = kFrameLeft + checkedQuotient(graphs::naturalLog(conc[j]) - lnLow, step);
        const double y = rateY(plotted, vTop);
        if (graphs::strictlyInsideAsDrawn(y, static_cast<float>(kFrameTop), static_cast<float>(kFrameBottom))
            && graphs::strictlyInsideAsDrawn(x, static_cast<float>(kFrameLeft), static_cast<float>(kFrameRight))) {
            list.add(Circle{{static_cast<float>(x), static_cast<float>(y)}, kPointRadius, pen, kRed, std::nullopt});
        }
    }

    graphs::addFrame(list);

    for (int i = 1; i <= 9; ++i) {
        const double y = kFrameTop + 620.0 * i;
        blackLine(list, kFrameLeft, y, kFrameLeft + kTick, y);
        blackLine(list, kFrameRight - kTick, y, kFrameRight, y);
        list.add(Text{{twips(400.0), twips(y - 80.0)}, "0." + std::to_string(10 - i), g.fontPointSize, kBlack});
    }

    // one tick per decade; both ends in one decade leave no decade to divide by
    const int decades = makeWhole16((lnHigh - lnLow) / std::log(10.0));
    const double tickStep = checkedQuotient(kFrameRight - kFrameLeft, decades);
    for (int k = 0; k <= decades; ++k) {
        const double x = kFrameLeft + k * tickStep;
        blackLine(list, x, kFrameBottom, x, kFrameBottom - kTick);
        blackLine(list, x, kFrameTop, x, kFrameTop + kTick);
        list.add(Text{{twips(x - 60.0), twips(6600.0)}, std::to_string(eLow + k), g.fontPointSize, kBlack});
    }

    // From the Y axis label on, the window writes in 12 pt, in this and every later drawing.
    g.fontPointSize = kAxisLabelSize;
    list.add(Text{{twips(150.0), twips(300.0)}, "v/V", g.fontPointSize, kBlack});

    const std::string title = graphs::axisTitle(data);
    const double length = static_cast<double>(graphs::characterCount(title));
    const double d2 = static_cast<double>(eHigh + 1) - static_cast<double>(eLow - 1);
    const double titleX = std::floor((std::floor(d2 * checkedQuotient(9000.0, d2)) - 10.0 * length) / 2.0);
    list.add(Text{{twips(titleX), twips(6830.0)}, title, g.fontPointSize, kBlack});
    return list;
}

}  // namespace kinetra
