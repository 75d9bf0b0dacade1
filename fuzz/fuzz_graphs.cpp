// Both graphs on arbitrary data sets and curves, NaN and the infinities included: a picture
// whose every coordinate is finite, or a run-time failure; its SVG form holds no nan or inf.
//
// Graph 2's curve is 9000 steps of powers and exponentials, a list of some 600 kB and, for
// the SVG, 9000 numbers written out: together tens of times the cost of the rest of an
// input. Every step takes the branches of the first few, so drawing it for every input adds
// executions, not coverage. Graph 2 is drawn for one input in four, chosen by a hash of all
// its bytes: any mutation chooses afresh, so the corpus cannot fill up with drawing inputs
// (it would, as they reach more code, if one byte chose). The SVG is written of the picture
// cut as svgSample says: the writer handles each operation alike, wherever it stands.

#include <algorithm>
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

// The picture as the SVG check writes it: each run of consecutive lines of one pen and
// colour cut to its first kRunKept lines (the runs keep their joins, so the writer's paths
// start and go on alike), then the first and the last kEndsKept operations. The middle
// repeats the ends (ticks and their labels, the curve, the points); the Clear, the frame,
// every kind of operation and the title with the user's words are within the ends.
constexpr std::size_t kRunKept = 16;
constexpr std::size_t kEndsKept = 48;

KINETRA_FUZZ_CHECK DisplayList svgSample(const DisplayList& list)
{
    // whether each operation is kept from its run of lines, and how many are
    auto fromRun = [](const DrawOp& op, std::size_t& run, const Line*& previous) {
        const Line* line = std::get_if<Line>(&op);
        run = line && previous && line->penWidth == previous->penWidth && line->colour == previous->colour ? run + 1 : 0;
        previous = line;
        return run < kRunKept;
    };
    std::size_t count = 0, run = 0;
    const Line* previous = nullptr;
    for (const DrawOp& op : list.ops) count += fromRun(op, run, previous) ? 1 : 0;
    DisplayList out;
    out.fontFamily = list.fontFamily;
    out.ops.reserve(std::min(count, 2 * kEndsKept));
    std::size_t i = 0;
    run = 0;
    previous = nullptr;
    for (const DrawOp& op : list.ops) {
        if (!fromRun(op, run, previous)) continue;
        if (i < kEndsKept || i + kEndsKept >= count) out.ops.push_back(op);
        ++i;
    }
    return out;
}

// Whether an attribute value of the SVG starts with nan or inf (texts of the user may say
// "nan" as they like).
KINETRA_FUZZ_CHECK bool svgShowsNonNumber(const std::string& svg)
{
    for (std::size_t i = svg.find('='); i != std::string::npos; i = svg.find('=', i + 1)) {
        std::size_t v = i + 1;
        if (v >= svg.size() || svg[v] != '"') continue;
        v += v + 1 < svg.size() && svg[v + 1] == '-' ? 2 : 1;
        if (v + 3 <= svg.size() && ((svg[v] == 'n' && svg[v + 1] == 'a' && svg[v + 2] == 'n') ||
                                    (svg[v] == 'i' && svg[v + 1] == 'n' && svg[v + 2] == 'f')))
            return true;
    }
    return false;
}

KINETRA_FUZZ_CHECK void checkList(const DisplayList& list, bool svgToo)
{
    for (const DrawOp& op : list.ops) {
        if (const Line* l = std::get_if<Line>(&op)) {  // the curve's thousands of steps
            if (!finite(l->from) || !finite(l->to)) fuzz::fail("line not finite");
            continue;
        }
        std::visit(
            [](const auto& o) {
                using T = std::decay_t<decltype(o)>;
                if constexpr (std::is_same_v<T, Circle>) {
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
    if (svgToo && svgShowsNonNumber(writeSvg(svgSample(list)))) fuzz::fail("svg number not finite");
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
    if (fuzz::hashOf(data, size) % 4 != 0) return 0;
    // one drawing of graph 2, either way
    Graph2State g;
    g.firstDrawing = (mode & 0x04) != 0;
    try {
        checkList(buildGraph2(points, curves, considerBaseline, g, lowConc, highConc), (mode & 0x0A) == 0x0A);
    } catch (const RuntimeFailure&) {
    }
    return 0;
}
