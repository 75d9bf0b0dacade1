#include "graphs/ExperimentPlots.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "format/NumberForms.h"
#include "graphs/GraphNumbers.h"

namespace kinetra {

namespace {

using graphs::kFrameBottom;
using graphs::kFrameLeft;
using graphs::kFrameRight;
using graphs::kFrameTop;
using graphs::kTick;

constexpr double kFontSize = 9.75;
constexpr float kMarkerRadius = 50.0F;
constexpr int kCurvePen = 2;
constexpr int kCurveSamples = 400;     // segments of a fitted curve across the frame
constexpr double kShadeStep = 20.0;    // twips between the strokes that shade a band
constexpr int kShadePen = 2;           // 30 twips wide: neighbouring strokes overlap
constexpr double kDash = 110.0;        // twips drawn, then as many left out
constexpr Rgb kBandShade{198, 219, 255};
constexpr Rgb kPredictionColour{70, 110, 200};

bool usable(double s, double v) { return s > 0.0 && std::isfinite(s) && std::isfinite(v); }

// 1, 2 or 5 times a power of ten, at least x > 0.
double niceStep(double x)
{
    const double p = std::pow(10.0, std::floor(std::log10(x)));
    for (double f : {1.0, 2.0, 5.0, 10.0})
        if (f * p >= x * (1.0 - 1e-12)) return f * p;
    return 10.0 * p;
}

// The axes of a plot: whole decades of concentration across the frame, rates from a multiple
// of a nice step below the lowest value (0 at most) to one above the highest.
class Axes {
public:
    void include(double s, double v)
    {
        if (!usable(s, v)) return;
        const double l = std::log10(s);
        lowLog_ = std::min(lowLog_, l);
        highLog_ = std::max(highLog_, l);
        lowV_ = std::min(lowV_, v);
        highV_ = std::max(highV_, v);
    }
    // A rate shown somewhere on the axis already set (a curve's value between the points).
    void includeRate(double v)
    {
        if (!std::isfinite(v)) return;
        lowV_ = std::min(lowV_, v);
        highV_ = std::max(highV_, v);
    }
    void settle()
    {
        if (lowLog_ <= highLog_) {
            xLow_ = static_cast<int>(std::floor(lowLog_));
            xHigh_ = std::max(static_cast<int>(std::ceil(highLog_)), xLow_ + 1);
        }
        const double span = highV_ > lowV_ ? highV_ - lowV_ : std::max(std::fabs(highV_), 1.0);
        step_ = niceStep(span / 5.0);
        if (!std::isfinite(step_) || step_ <= 0.0) step_ = 1.0;
        yLow_ = std::floor(lowV_ / step_) * step_;
        divisions_ = std::max(1, static_cast<int>(std::ceil((highV_ - yLow_) / step_ - 1e-9)));
        if (!std::isfinite(yLow_) || divisions_ > 1000) {
            yLow_ = 0.0;
            step_ = 1.0;
            divisions_ = 1;
        }
    }
    int xLow() const { return xLow_; }
    int xHigh() const { return xHigh_; }
    double x(double s) const
    {
        return kFrameLeft + (kFrameRight - kFrameLeft) * (std::log10(s) - xLow_) / (xHigh_ - xLow_);
    }
    double y(double v) const
    {
        return kFrameBottom - (kFrameBottom - kFrameTop) * (v - yLow_) / (step_ * divisions_);
    }
    double lowS() const { return std::pow(10.0, xLow_); }
    double highS() const { return std::pow(10.0, xHigh_); }
    int divisions() const { return divisions_; }
    double tickValue(int k) const { return yLow_ + k * step_; }

private:
    double lowLog_ = HUGE_VAL, highLog_ = -HUGE_VAL, lowV_ = 0.0, highV_ = 0.0;
    int xLow_ = 0, xHigh_ = 1;
    double yLow_ = 0.0, step_ = 1.0;
    int divisions_ = 1;
};

bool insideFrame(double x, double y)
{
    return std::isfinite(x) && std::isfinite(y) && x >= kFrameLeft - 0.5 && x <= kFrameRight + 0.5 &&
           y >= kFrameTop - 0.5 && y <= kFrameBottom + 0.5;
}

void line(DisplayList& list, double x1, double y1, double x2, double y2, int pen, Rgb colour)
{
    list.add(Line{{static_cast<float>(x1), static_cast<float>(y1)}, {static_cast<float>(x2), static_cast<float>(y2)},
                  pen, colour});
}

void text(DisplayList& list, double x, double y, std::string s, Rgb colour = kBlack)
{
    list.add(Text{{static_cast<float>(x), static_cast<float>(y)}, std::move(s), kFontSize, colour});
}

// The frame, its ticks, their labels and the axes' title.
void drawAxes(DisplayList& list, const Axes& axes, const std::string& rateUnit, const std::string& concUnit, char sep)
{
    graphs::addFrame(list);
    const int decades = axes.xHigh() - axes.xLow();
    for (int k = 0; k <= decades; ++k) {
        const double x = kFrameLeft + k * (kFrameRight - kFrameLeft) / decades;
        line(list, x, kFrameTop, x, kFrameTop + kTick, graphs::kFramePen, kBlack);
        line(list, x, kFrameBottom, x, kFrameBottom - kTick, graphs::kFramePen, kBlack);
        text(list, x - 60.0, 6600.0, std::to_string(axes.xLow() + k));
    }
    for (int k = 0; k <= axes.divisions(); ++k) {
        const double y = axes.y(axes.tickValue(k));
        line(list, kFrameLeft, y, kFrameLeft + kTick, y, graphs::kFramePen, kBlack);
        line(list, kFrameRight, y, kFrameRight - kTick, y, graphs::kFramePen, kBlack);
        const double value = axes.tickValue(k);
        text(list, 50.0, y - 80.0, std::fabs(value) < 1e-12 * std::fabs(axes.tickValue(1)) ? std::string("0")
                                                                                        : formatGeneralNumber(value, sep));
    }
    const std::string conc = trimBlanks(concUnit), rate = trimBlanks(rateUnit);
    text(list, 3000.0, 6850.0,
         "Log [S]" + (conc.empty() ? std::string() : " (" + conc + ")") + "   v above the baseline" +
             (rate.empty() ? std::string() : " (" + rate + ")"));
}

// A polyline through the points, each segment drawn only when both its ends lie in the frame.
void polyline(DisplayList& list, const std::vector<std::array<double, 2>>& points, int pen, Rgb colour)
{
    for (std::size_t i = 1; i < points.size(); ++i) {
        const auto& a = points[i - 1];
        const auto& b = points[i];
        if (insideFrame(a[0], a[1]) && insideFrame(b[0], b[1])) line(list, a[0], a[1], b[0], b[1], pen, colour);
    }
}

// The same polyline in dashes of kDash twips with gaps as long, measured along the line.
void dashedPolyline(DisplayList& list, const std::vector<std::array<double, 2>>& points, Rgb colour)
{
    double along = 0.0;  // position within the current dash and gap period
    for (std::size_t i = 1; i < points.size(); ++i) {
        double ax = points[i - 1][0], ay = points[i - 1][1];
        const double bx = points[i][0], by = points[i][1];
        if (!insideFrame(ax, ay) || !insideFrame(bx, by)) continue;
        double left = std::hypot(bx - ax, by - ay);
        while (left > 1e-9) {
            const bool drawing = along < kDash;
            const double room = (drawing ? kDash : 2.0 * kDash) - along;
            const double piece = std::min(room, left);
            const double f = piece / left;
            const double cx = ax + f * (bx - ax), cy = ay + f * (by - ay);
            if (drawing) line(list, ax, ay, cx, cy, 1, colour);
            ax = cx;
            ay = cy;
            left -= piece;
            along = std::fmod(along + piece, 2.0 * kDash);
        }
    }
}

void points(DisplayList& list, const Axes& axes, const std::vector<double>& s, const std::vector<double>& v,
            Rgb colour)
{
    for (std::size_t i = 0; i < std::min(s.size(), v.size()); ++i) {
        if (!usable(s[i], v[i])) continue;
        const double x = axes.x(s[i]), y = axes.y(v[i]);
        if (insideFrame(x, y))
            list.add(Circle{{static_cast<float>(x), static_cast<float>(y)}, kMarkerRadius, 1, colour, colour});
    }
}

double hill(const HillEstimates& e, double s)
{
    if (e.V == 0.0) return 0.0;
    return e.V / (1.0 + std::pow(e.K / s, e.n));
}

}  // namespace

Rgb overlayColour(std::size_t i)
{
    static constexpr std::array<Rgb, 10> kPalette = {
        Rgb{220, 30, 30},  Rgb{30, 80, 220},  Rgb{20, 150, 60}, Rgb{230, 130, 0},  Rgb{140, 50, 180},
        Rgb{0, 150, 160},  Rgb{200, 60, 140}, Rgb{120, 90, 40}, Rgb{90, 90, 90},   Rgb{150, 160, 0}};
    return kPalette[i % kPalette.size()];
}

DisplayList buildFitPlot(const std::vector<double>& concentration, const std::vector<double>& rate,
                         const std::vector<BandPoint>& band, const std::string& rateUnit,
                         const std::string& concUnit, char sep)
{
    DisplayList list;
    Axes axes;
    for (std::size_t i = 0; i < std::min(concentration.size(), rate.size()); ++i) axes.include(concentration[i], rate[i]);
    for (const BandPoint& b : band) {
        axes.include(b.concentration, b.predictionLow);
        axes.include(b.concentration, b.predictionHigh);
    }
    axes.settle();

    // the confidence band, shaded by strokes across it, its ends taken between the band's
    // points (evenly spaced in log S, so straight in the plot)
    std::vector<std::array<double, 5>> at;  // x, confidence low, high, prediction low, high (as y)
    for (const BandPoint& b : band) {
        if (!usable(b.concentration, b.fit) || !std::isfinite(b.confidenceLow) || !std::isfinite(b.confidenceHigh) ||
            !std::isfinite(b.predictionLow) || !std::isfinite(b.predictionHigh))
            continue;
        at.push_back({axes.x(b.concentration), axes.y(b.confidenceLow), axes.y(b.confidenceHigh),
                      axes.y(b.predictionLow), axes.y(b.predictionHigh)});
    }
    for (std::size_t i = 1; i < at.size(); ++i) {
        const auto& a = at[i - 1];
        const auto& b = at[i];
        for (double x = a[0]; x < b[0] || (i + 1 == at.size() && x <= b[0]); x += kShadeStep) {
            const double f = b[0] > a[0] ? (x - a[0]) / (b[0] - a[0]) : 0.0;
            const double low = std::clamp(a[1] + f * (b[1] - a[1]), kFrameTop, kFrameBottom);
            const double high = std::clamp(a[2] + f * (b[2] - a[2]), kFrameTop, kFrameBottom);
            if (insideFrame(x, low)) line(list, x, low, x, high, kShadePen, kBandShade);
        }
    }

    drawAxes(list, axes, rateUnit, concUnit, sep);

    std::vector<std::array<double, 2>> fit, predLow, predHigh;
    for (const BandPoint& b : band) {
        if (!usable(b.concentration, b.fit)) continue;
        fit.push_back({axes.x(b.concentration), axes.y(b.fit)});
    }
    for (const auto& a : at) {
        predLow.push_back({a[0], a[3]});
        predHigh.push_back({a[0], a[4]});
    }
    dashedPolyline(list, predLow, kPredictionColour);
    dashedPolyline(list, predHigh, kPredictionColour);
    polyline(list, fit, kCurvePen, kBlue);
    points(list, axes, concentration, rate, kRed);
    return list;
}

DisplayList buildComparisonPlot(const std::vector<OverlaySet>& sets, const std::string& rateUnit,
                                const std::string& concUnit, char sep)
{
    DisplayList list;
    Axes axes;
    for (const OverlaySet& set : sets)
        for (std::size_t i = 0; i < std::min(set.concentration.size(), set.rate.size()); ++i)
            axes.include(set.concentration[i], set.rate[i]);
    axes.settle();
    // the curves run across the whole frame: their values there widen the rate axis
    Axes widened = axes;
    for (const OverlaySet& set : sets) {
        if (!set.fit) continue;
        for (int k = 0; k <= kCurveSamples; ++k) {
            const double s = axes.lowS() * std::pow(axes.highS() / axes.lowS(), static_cast<double>(k) / kCurveSamples);
            widened.includeRate(hill(*set.fit, s));
        }
    }
    widened.settle();

    drawAxes(list, widened, rateUnit, concUnit, sep);
    for (std::size_t j = 0; j < sets.size(); ++j) {
        const OverlaySet& set = sets[j];
        const Rgb colour = overlayColour(j);
        if (set.fit) {
            std::vector<std::array<double, 2>> curve;
            for (int k = 0; k <= kCurveSamples; ++k) {
                const double s =
                    widened.lowS() * std::pow(widened.highS() / widened.lowS(), static_cast<double>(k) / kCurveSamples);
                curve.push_back({widened.x(s), widened.y(hill(*set.fit, s))});
            }
            polyline(list, curve, kCurvePen, colour);
        }
        points(list, widened, set.concentration, set.rate, colour);

        // the legend: a marker and the name, one line each
        const double y = kFrameTop + 200.0 + 230.0 * static_cast<double>(j);
        list.add(Circle{{static_cast<float>(kFrameLeft + 150.0), static_cast<float>(y + 80.0)}, kMarkerRadius, 1, colour,
                        colour});
        line(list, kFrameLeft + 60.0, y + 80.0, kFrameLeft + 240.0, y + 80.0, kCurvePen, colour);
        text(list, kFrameLeft + 320.0, y, set.name, colour);
    }
    return list;
}

}  // namespace kinetra
