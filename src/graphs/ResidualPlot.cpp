#include "graphs/ResidualPlot.h"

#include <algorithm>
#include <cmath>

#include "format/NumberForms.h"
#include "graphs/GraphNumbers.h"

namespace kinetra {

namespace {

using graphs::kFrameLeft;
using graphs::kFrameRight;
using graphs::kFrameTop;
using graphs::kFrameBottom;
using graphs::kTick;
using graphs::kFramePen;
constexpr int kYDivisions = 4;  // -R, -R/2, 0, R/2, R
constexpr float kMarkerRadius = 60.0F;
constexpr double kFontSize = 9.75;
constexpr Rgb kGrey{128, 128, 128};

float tw(double v) { return static_cast<float>(v); }

void line(DisplayList& list, double x1, double y1, double x2, double y2, int pen = kFramePen, Rgb colour = kBlack)
{
    list.add(Line{{tw(x1), tw(y1)}, {tw(x2), tw(y2)}, pen, colour});
}

void text(DisplayList& list, double x, double y, std::string s)
{
    list.add(Text{{tw(x), tw(y)}, std::move(s), kFontSize, kBlack});
}

// 1, 2 or 5 times a power of ten, at least x (x > 0).
double niceCeiling(double x)
{
    const double p = std::pow(10.0, std::floor(std::log10(x)));
    for (double f : {1.0, 2.0, 5.0, 10.0})
        if (f * p >= x) return f * p;
    return 10.0 * p;
}

}  // namespace

DisplayList buildResidualPlot(const std::vector<ResidualSeries>& series, const std::string& rateUnit,
                              const std::string& concUnit, char sep)
{
    DisplayList list;
    double lowLog = HUGE_VAL, highLog = -HUGE_VAL, largest = 0.0;
    for (const ResidualSeries& s : series)
        for (std::size_t i = 0; i < std::min(s.concentration.size(), s.residual.size()); ++i) {
            if (!(s.concentration[i] > 0.0) || !std::isfinite(s.concentration[i]) || !std::isfinite(s.residual[i]))
                continue;
            const double l = std::log10(s.concentration[i]);
            lowLog = std::min(lowLog, l);
            highLog = std::max(highLog, l);
            largest = std::max(largest, std::fabs(s.residual[i]));
        }
    int xLow = 0, xHigh = 1;
    if (lowLog <= highLog) {
        xLow = static_cast<int>(std::floor(lowLog));
        xHigh = std::max(static_cast<int>(std::ceil(highLog)), xLow + 1);
    }
    const double range = largest > 0.0 && std::isfinite(niceCeiling(1.1 * largest)) ? niceCeiling(1.1 * largest) : 1.0;
    const double sx = (kFrameRight - kFrameLeft) / (xHigh - xLow);
    const double sy = (kFrameBottom - kFrameTop) / (2.0 * range);
    const double yZero = (kFrameTop + kFrameBottom) / 2.0;

    graphs::addFrame(list);
    line(list, kFrameLeft, yZero, kFrameRight, yZero, 1, kGrey);

    for (int k = 0; k <= xHigh - xLow; ++k) {
        const double x = kFrameLeft + k * sx;
        line(list, x, kFrameTop, x, kFrameTop + kTick);
        line(list, x, kFrameBottom, x, kFrameBottom - kTick);
        text(list, x - 60.0, 6600.0, std::to_string(xLow + k));
    }
    for (int k = 0; k <= kYDivisions; ++k) {
        const double value = -range + k * (2.0 * range / kYDivisions);
        const double y = kFrameBottom - k * (kFrameBottom - kFrameTop) / kYDivisions;
        line(list, kFrameLeft, y, kFrameLeft + kTick, y);
        line(list, kFrameRight, y, kFrameRight - kTick, y);
        text(list, 50.0, y - 80.0, value == 0.0 ? std::string("0") : formatScientific(value, 1, sep));
    }
    const std::string unit = trimBlanks(concUnit);
    text(list, 3500.0, 6850.0, "Log [S]" + (unit.empty() ? std::string() : " (" + unit + ")") + "   residual = v - fitted v" +
                                   (trimBlanks(rateUnit).empty() ? std::string() : " (" + trimBlanks(rateUnit) + ")"));

    for (const ResidualSeries& s : series) {
        const Rgb colour = s.curve == 2 ? kBlue : kRed;
        for (std::size_t i = 0; i < std::min(s.concentration.size(), s.residual.size()); ++i) {
            if (!(s.concentration[i] > 0.0) || !std::isfinite(s.concentration[i]) || !std::isfinite(s.residual[i]))
                continue;
            const double x = kFrameLeft + sx * (std::log10(s.concentration[i]) - xLow);
            const double y = yZero - sy * s.residual[i];
            list.add(Circle{{tw(x), tw(y)}, kMarkerRadius, 1, colour, colour});
        }
    }
    return list;
}

}  // namespace kinetra
