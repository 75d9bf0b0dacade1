// Both graphs on arbitrary data sets and curves, NaN and the infinities included: a picture
// whose every coordinate is finite, or a run-time failure; its SVG form holds no nan or inf.
#include <cmath>
#include <string>
#include <type_traits>
#include <vector>

#include "FuzzInput.h"
#include "base/RuntimeFailure.h"
#include "graphs/GraphGeometry.h"

using namespace kinetra;

namespace {

bool finite(const PointF& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

void checkList(const DisplayList& list, bool svgToo)
{
    for (const DrawOp& op : list.ops) {
        std::visit(
            [](const auto& o) {
                using T = std::decay_t<decltype(o)>;
                if constexpr (std::is_same_v<T, Line>) {
                    if (!finite(o.from) || !finite(o.to)) fuzz::fail("line not finite");
                } else if constexpr (std::is_same_v<T, Circle>) {
                    if (!finite(o.centre) || !std::isfinite(o.radius)) fuzz::fail("circle not finite");
                } else if constexpr (std::is_same_v<T, Dot>) {
                    if (!finite(o.at)) fuzz::fail("dot not finite");
                } else if constexpr (std::is_same_v<T, Text>) {
                    if (!finite(o.topLeft)) fuzz::fail("text not finite");
                    // the axis title holds the user's own words; every other text is a number
                    if (o.text.rfind("Log [", 0) != 0 && fuzz::showsNonNumber(o.text))
                        fuzz::fail("label shows nan or inf", o.text);
                }
            },
            op);
    }
    if (!svgToo) return;
    const std::string svg = writeSvg(list);
    // numbers are attribute values; texts of the user may say "nan" as they like
    for (const char* bad : {"=\"nan", "=\"-nan", "=\"inf", "=\"-inf"}) {
        if (svg.find(bad) != std::string::npos) fuzz::fail("svg number not finite");
    }
}

// A double: mostly values a data set can hold, sometimes any bit pattern.
double value(fuzz::Input& in)
{
    switch (in.byte() % 4) {
    case 0: return in.rawDouble();
    case 1: return static_cast<double>(static_cast<int>(in.u16()) - 1000) / 10.0;
    default: return in.listedValue();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    DataSet points;
    const int mode = in.byte();
    const int count = in.below(kMaxPoints + 1);
    for (int i = 0; i < count; ++i) {
        points.concentration.push_back(value(in));
        points.rate.push_back(value(in));
    }
    std::vector<CurveFit> curves(2);
    for (CurveFit& c : curves) {
        c.V = value(in);
        c.n = value(in);
        c.K = value(in);
    }
    curves[0].points.baseline = value(in);
    const bool considerBaseline = in.flag();
    curves[1].points.baseline = value(in);  // curve 2's own, which the picture does not use
    // one curve, both, or none
    if ((mode & 0x01) == 0) curves.pop_back();
    if ((mode & 0x10) != 0) curves.clear();
    const double lowConc = value(in);
    const double highConc = value(in);
    points.ligandName = std::string(in.rest());
    points.concUnit = points.ligandName.substr(0, points.ligandName.size() / 2);

    try {
        checkList(buildGraph1(points, [](const std::string&, const std::string&) {}), (mode & 0x02) != 0);
    } catch (const RuntimeFailure&) {
    }
    // one drawing of graph 2 a run, either way; the 9000-step curve is the costly part
    Graph2State g;
    g.firstDrawing = (mode & 0x04) != 0;
    try {
        checkList(buildGraph2(points, curves, considerBaseline, g, lowConc, highConc), (mode & 0x0A) == 0x0A);
    } catch (const RuntimeFailure&) {
    }
    return 0;
}
