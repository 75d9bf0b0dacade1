// Graph 1: the entered points, rate against the decimal logarithm of concentration.
// Twips, x to the right and y downwards from the top-left corner; texts by their top-left
// corner; every coordinate goes to the list in single precision.
#include <cmath>
#include <string>

#include "base/CheckedMath.h"
#include "format/NumberForms.h"
#include "graphs/GraphGeometry.h"
#include "graphs/GraphNumbers.h"

namespace kinetra {

namespace {

using graphs::kFrameLeft;
using graphs::kFrameRight;
using graphs::kFrameTop;
using graphs::kFrameBottom;
using graphs::kTick;
using graphs::kFramePen;
constexpr int kYDivisions = 5;
constexpr double kYTickStep = (kFrameBottom - kFrameTop) / kYDivisions;  // 1240
constexpr int kMarkerPen = 1;
constexpr float kMarkerRadius = 30.0F;
constexpr double kFontSize = 9.75;  // the window's font, MS Sans Serif 9.75 pt

using graphs::twips;

void line(DisplayList& list, double x1, double y1, double x2, double y2)
{
    list.add(Line{{twips(x1), twips(y1)}, {twips(x2), twips(y2)}, kFramePen, kBlack});
}

void text(DisplayList& list, double x, double y, std::string s)
{
    list.add(Text{{twips(x), twips(y)}, std::move(s), kFontSize, kBlack});
}

// The decade exponent as a plain integer; from 0 upwards only its first two characters
// remain (100 reads "10").
std::string decadeLabel(int exponent)
{
    std::string s = std::to_string(exponent);
    if (exponent >= 0 && s.size() > 2) s.resize(2);
    return s;
}

}  // namespace

DisplayList buildGraph1(const DataSet& data, const GraphMessage& onMessage)
{
    DisplayList list;
    const std::vector<double>& conc = data.concentration;
    if (data.rate.size() != conc.size()) throw RuntimeFailure(failure::SubscriptOutOfRange);

    // Y range: from 0 to 1.1 times the largest rate, the search starting from 0.
    double largest = 0.0;
    for (double v : data.rate) {
        if (v > largest) largest = v;
    }
    const double yMin = 0.0;
    const double yMax = checkedFinite(largest * 1.1);

    // X range: whole decades, two more on either side of the data.
    const int xLow = graphs::decadeOf(conc.empty() ? 0.0 : conc.front()) - 2;
    const int xHigh = graphs::decadeOf(conc.empty() ? 0.0 : conc.back()) + 2;
    const double xSpan = static_cast<double>(xHigh) - static_cast<double>(xLow);
    const double ySpan = yMax - yMin;

    if ((xSpan == 0.0 || ySpan == 0.0) && onMessage) onMessage(kZeroSpanMessage, "Wrong Data");

    graphs::addFrame(list);

    // twips per decade and per rate unit; a zero span is the division by zero
    const double sx = checkedQuotient(kFrameRight - kFrameLeft, xSpan);
    const double sy = checkedQuotient(kFrameBottom - kFrameTop, ySpan);

    for (int k = 0; k <= xHigh - xLow; ++k) {
        const double x = kFrameLeft + k * sx;
        line(list, x, kFrameTop, x, kFrameTop + kTick);
        line(list, x, kFrameBottom, x, kFrameBottom - kTick);
        text(list, x - 60.0, 6600.0, decadeLabel(xLow + k));
    }

    for (int k = 0; k <= kYDivisions; ++k) {
        const double y = kFrameBottom - k * kYTickStep;
        line(list, kFrameLeft, y, kFrameLeft + kTick, y);
        line(list, kFrameRight, y, kFrameRight - kTick, y);
        text(list, 500.0, y - 80.0, formatFixed2(yMin + k * ySpan / kYDivisions));
    }

    // The title is centred on the frame's width, measured from the window's left border.
    const std::string title = graphs::axisTitle(data);
    const double length = static_cast<double>(graphs::characterCount(title));
    const double titleX = std::floor((std::floor(xSpan * sx) - 10.0 * length) / 2.0);
    text(list, titleX, 6850.0, title);
    text(list, 150.0, (kFrameBottom - kFrameTop) / 2.0, "v");

    for (std::size_t i = 0; i < conc.size(); ++i) {
        const double x = kFrameLeft + sx * (graphs::decimalLog(conc[i]) - xLow);
        const double y = kFrameBottom - sy * (data.rate[i] - yMin);
        list.add(Circle{{twips(x), twips(y)}, kMarkerRadius, kMarkerPen, kRed, kRed});
    }
    return list;
}

}  // namespace kinetra
