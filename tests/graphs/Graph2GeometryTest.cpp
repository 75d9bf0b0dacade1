#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "GraphTestHelpers.h"
#include "graphs/GraphGeometry.h"

using namespace kinetra;
using namespace kinetra::testing;

namespace {

struct Curve {
    double V = 0, n = 0, K = 0;
};

// A data set in entered units, the curves fitted to it and the way graph 2 is asked to draw
// them: with the measured rates or those above the baseline, and the range of a redrawing.
struct Fitted {
    DataSet data;
    std::vector<CurveFit> curves;
    bool considerBaseline = false;
    double lowConc = 0.0, highConc = 0.0;

    DisplayList draw(Graph2State& g) const { return buildGraph2(data, curves, considerBaseline, g, lowConc, highConc); }

    // The rate law as written for the user: b*baseline + sum of V S^n / (K^n + S^n).
    double law(double S) const
    {
        double v = considerBaseline ? curves.front().points.baseline : 0.0;
        for (const CurveFit& c : curves) {
            const double sn = std::pow(S, c.n);
            v += c.V * sn / (std::pow(c.K, c.n) + sn);
        }
        return v;
    }

    double vTop() const
    {
        double v = considerBaseline ? curves.front().points.baseline : 0.0;
        for (const CurveFit& c : curves) v += c.V;
        return v;
    }
};

// The curves as the calculation hands them on: curve 2 lies above curve 1's total activity.
Fitted fitted(const std::vector<double>& entered, const std::vector<double>& rates, const std::vector<Curve>& curves,
              double baseline, bool considerBaseline)
{
    Fitted f;
    f.data = dataSetOf(entered, rates, "ATP", "mM");
    for (const Curve& c : curves) {
        const double above = f.curves.empty() ? baseline : f.curves.back().totalActivity;
        f.curves.push_back(curveOf(c.V, c.n, c.K, above, static_cast<int>(f.curves.size()) + 1));
    }
    f.considerBaseline = considerBaseline;
    return f;
}

std::vector<std::string> xLabels(const DisplayList& list) { return textsAtY(list, 6600.0F); }

DisplayList redraw(Fitted& f, double low, double high, Graph2State& g)
{
    g.firstDrawing = false;
    f.lowConc = low;
    f.highConc = high;
    return f.draw(g);
}

const std::vector<double> kEntered = {0.02, 0.1, 1.0, 5.0};
const std::vector<double> kRates = {2.0, 4.0, 7.0, 10.0};
constexpr Curve kCurve1{10.0, 1.0, 0.5};

}  // namespace

TEST(Graph2, DataFrom002To5GiveSevenDecadesAndA9000StepCurve)
{
    const Fitted f = fitted(kEntered, kRates, {kCurve1}, 1.0, true);
    Graph2State g;
    const DisplayList list = f.draw(g);

    EXPECT_EQ(xLabels(list), (std::vector<std::string>{"-4", "-3", "-2", "-1", "0", "1", "2"}));
    int k = 0;
    for (const Text& t : opsOf<Text>(list)) {
        if (t.topLeft.y != 6600.0F) continue;
        EXPECT_EQ(t.topLeft.x, 1000.0F + 1500.0F * static_cast<float>(k++) - 60.0F);
    }

    // a single dot at x = 1001 comes first, then 8999 blue segments to x = 10000
    ASSERT_FALSE(list.ops.empty());
    const Dot* dot = std::get_if<Dot>(&list.ops[0]);
    ASSERT_NE(dot, nullptr);
    EXPECT_EQ(dot->at.x, 1001.0F);
    std::vector<Line> curve;
    for (const Line& l : opsOf<Line>(list)) {
        if (l.colour == kBlue) curve.push_back(l);
    }
    ASSERT_EQ(curve.size(), 8999U);
    EXPECT_EQ(curve.front().from, dot->at);
    EXPECT_EQ(curve.front().penWidth, 1);
    EXPECT_EQ(curve.back().to.x, 10000.0F);
    for (std::size_t i = 1; i < curve.size(); ++i) {
        ASSERT_EQ(curve[i].from, curve[i - 1].to) << i;
        ASSERT_EQ(curve[i].penWidth, 3) << i;
        ASSERT_EQ(curve[i].to.x, 1000.0F + static_cast<float>(i + 2)) << i;
    }

    // the curve follows the rate law: x = 1000 + i at S = 10^-4 * 10^(6 i / 9000)
    const double vTop = f.vTop();
    for (const int i : {1, 2, 1500, 4500, 7777, 9000}) {
        const double S = 1e-4 * std::pow(10.0, 6.0 * i / 9000.0);
        const float y = i == 1 ? dot->at.y : curve[static_cast<std::size_t>(i - 2)].to.y;
        expectTwips(y, 300.0 + 6200.0 * (1.0 - f.law(S) / vTop), 1e-5);
    }
}

TEST(Graph2, FrameAndYTicksWithTheirTenthsOfV)
{
    const Fitted f = fitted(kEntered, kRates, {kCurve1}, 0.0, true);
    Graph2State g;
    const DisplayList list = f.draw(g);
    for (int i = 1; i <= 9; ++i) {
        const float y = 300.0F + 620.0F * static_cast<float>(i);
        const auto at = textsAtY(list, y - 80.0F);
        ASSERT_EQ(at.size(), 1U) << i;
        EXPECT_EQ(at[0], "0." + std::to_string(10 - i));
        EXPECT_EQ(findText(list, at[0])->topLeft.x, 400.0F);
    }
    int frameLines = 0;
    for (const Line& l : opsOf<Line>(list)) {
        if (l.colour != kBlack) continue;
        EXPECT_EQ(l.penWidth, 3);
        const bool vertical = l.from.x == l.to.x && (l.from.x == 1000.0F || l.from.x == 10000.0F)
                              && l.from.y == 300.0F && l.to.y == 6500.0F;
        const bool horizontal = l.from.y == l.to.y && (l.from.y == 300.0F || l.from.y == 6500.0F)
                                && l.from.x == 1000.0F && l.to.x == 10000.0F;
        if (vertical || horizontal) ++frameLines;
    }
    EXPECT_EQ(frameLines, 4);
    const Text* title = findText(list, "Log [ ATP ]  ( mM )");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->topLeft, (PointF{4405.0F, 6830.0F}));  // (9000 - 10 * 19) / 2
    const Text* v = findText(list, "v/V");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->topLeft, (PointF{150.0F, 300.0F}));
}

TEST(Graph2, BaselineMovesPointsAndCurve)
{
    for (const bool consider : {true, false}) {
        const double baseline = 2.0;
        const Fitted f = fitted(kEntered, {3.0, 5.0, 8.0, 11.0}, {kCurve1}, baseline, consider);
        Graph2State g;
        const DisplayList list = f.draw(g);
        const double vTop = consider ? 12.0 : 10.0;

        const auto points = opsOf<Circle>(list);
        ASSERT_EQ(points.size(), 4U) << consider;
        for (std::size_t j = 0; j < points.size(); ++j) {
            const double plotted = consider ? f.data.rate[j] : f.data.rate[j] - baseline;
            expectTwips(points[j].centre.y, 300.0 + 6200.0 * (1.0 - plotted / vTop));
            expectTwips(points[j].centre.x,
                        1000.0 + 1500.0 * (std::log10(kEntered[j]) + 4.0), 1e-6);
            EXPECT_EQ(points[j].radius, 30.0F);
            EXPECT_EQ(points[j].penWidth, 3);
            EXPECT_EQ(points[j].outline, kRed);
            EXPECT_FALSE(points[j].fill.has_value());
        }
        // at 10^-4 the law is almost all baseline: near the bottom without it, higher with it
        const Dot dot = opsOf<Dot>(list).at(0);
        const double S = 1e-4 * std::pow(10.0, 6.0 / 9000.0);
        expectTwips(dot.at.y, 300.0 + 6200.0 * (1.0 - f.law(S) / vTop), 1e-5);
        if (consider) EXPECT_LT(dot.at.y, 6500.0F - 1000.0F);
        else EXPECT_GT(dot.at.y, 6500.0F - 10.0F);
    }
}

TEST(Graph2, SecondCurveAddsItsTerm)
{
    // curve 2's own baseline (curve 1's total activity) plays no part: the picture's is curve 1's
    const Fitted f = fitted(kEntered, kRates, {kCurve1, Curve{5.0, 2.0, 2.0}}, 1.0, true);
    Graph2State g;
    const DisplayList list = f.draw(g);
    std::vector<Line> curve;
    for (const Line& l : opsOf<Line>(list)) {
        if (l.colour == kBlue) curve.push_back(l);
    }
    ASSERT_EQ(curve.size(), 8999U);
    for (const int i : {3000, 6000, 8500}) {
        const double S = 1e-4 * std::pow(10.0, 6.0 * i / 9000.0);
        expectTwips(curve[static_cast<std::size_t>(i - 2)].to.y, 300.0 + 6200.0 * (1.0 - f.law(S) / 16.0), 1e-5);
    }
}

TEST(Graph2, PointsOnTheFrameEdgesAreNotDrawn)
{
    // range 1..100: x = 1000 at 1 and 10000 at 100; rate 10 at the top edge (v/V = 1), rate 0
    // at the bottom edge
    Fitted f = fitted({1.0, 10.0, 10.0, 10.0, 10.0, 100.0}, {5.0, 10.0, 0.0, 5.0, 11.0, 5.0}, {Curve{10.0, 1.0, 10.0}},
                      0.0, false);
    Graph2State g;
    const DisplayList list = redraw(f, 1.0, 100.0, g);
    const auto points = opsOf<Circle>(list);
    ASSERT_EQ(points.size(), 1U);
    expectTwips(points[0].centre.x, 5500.0);
    expectTwips(points[0].centre.y, 3400.0);
}

TEST(Graph2, NewRangeIsRoundedDownToPowersOfTen)
{
    struct Case {
        double low, high;
        std::vector<std::string> labels;
    };
    const std::vector<Case> cases = {
        {3.0, 800.0, {"0", "1", "2"}},
        {1000.0, 1e6, {"3", "4", "5", "6"}},   // whole exponents at the powers of ten themselves
        {1e-3, 0.5, {"-3", "-2", "-1"}},
        {0.05, 2e5, {"-2", "-1", "0", "1", "2", "3", "4", "5"}},
    };
    for (const Case& c : cases) {
        Fitted f = fitted(kEntered, kRates, {kCurve1}, 0.0, true);
        Graph2State g;
        f.draw(g);
        const DisplayList list = redraw(f, c.low, c.high, g);
        ASSERT_FALSE(list.ops.empty());
        EXPECT_TRUE(std::holds_alternative<Clear>(list.ops[0])) << c.low;
        EXPECT_TRUE(std::holds_alternative<Dot>(list.ops[1])) << c.low;
        EXPECT_EQ(xLabels(list), c.labels) << c.low;
        const double tickStep = 9000.0 / static_cast<double>(c.labels.size() - 1);
        int k = 0;
        for (const Text& t : opsOf<Text>(list)) {
            if (t.topLeft.y == 6600.0F) expectTwips(t.topLeft.x, 1000.0 + tickStep * k++ - 60.0);
        }
    }
}

TEST(Graph2, DataFromAPowerOfTenKeepsItsDecade)
{
    const Fitted f = fitted({1000.0, 5000.0, 1e6}, {1.0, 5.0, 9.0}, {Curve{10.0, 1.0, 4000.0}}, 0.0, true);
    Graph2State g;
    const DisplayList list = f.draw(g);
    EXPECT_EQ(xLabels(list), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8"}));
    // 1000 lies on the third tick
    const auto points = opsOf<Circle>(list);
    ASSERT_EQ(points.size(), 3U);
    expectTwips(points[0].centre.x, 1000.0 + 2.0 * 9000.0 / 7.0);
}

TEST(Graph2, LabelsGrowTo12PointFromTheFirstDrawingOn)
{
    Fitted f = fitted(kEntered, kRates, {kCurve1}, 0.0, true);
    Graph2State g;
    const DisplayList first = f.draw(g);
    for (const Text& t : opsOf<Text>(first)) {
        const bool bigText = t.text == "v/V" || t.topLeft.y == 6830.0F;
        EXPECT_EQ(t.pointSize, bigText ? 12.0 : 8.25) << t.text;
    }
    // an activation redraws the first way, already in 12 pt
    for (const Text& t : opsOf<Text>(f.draw(g))) EXPECT_EQ(t.pointSize, 12.0) << t.text;
    const DisplayList second = redraw(f, 0.01, 10.0, g);
    for (const Text& t : opsOf<Text>(second)) EXPECT_EQ(t.pointSize, 12.0) << t.text;
    EXPECT_EQ(second.fontFamily, "MS Sans Serif");
}

TEST(Graph2, ALaterActivationDrawsTheSamePicture)
{
    const Fitted f = fitted(kEntered, kRates, {kCurve1}, 0.0, true);
    Graph2State g;
    const DisplayList first = f.draw(g);
    const DisplayList again = f.draw(g);  // a later activation, the labels now in 12 pt
    ASSERT_EQ(first.ops.size(), again.ops.size());
    for (std::size_t i = 0; i < first.ops.size(); ++i) {
        if (std::holds_alternative<Text>(first.ops[i])) {
            EXPECT_EQ(std::get<Text>(first.ops[i]).topLeft, std::get<Text>(again.ops[i]).topLeft) << i;
        } else if (const Circle* c = std::get_if<Circle>(&first.ops[i])) {
            EXPECT_EQ(c->centre, std::get<Circle>(again.ops[i]).centre) << i;
        }
    }
    const auto points = opsOf<Circle>(again);
    ASSERT_EQ(points.size(), 3U);  // rate 10 = V lies on the top edge
    expectTwips(points[0].centre.x, 1000.0 + 1500.0 * (std::log10(0.02) + 4.0));
}

TEST(Graph2, FailuresOfTheDrawing)
{
    struct Case {
        const char* what;
        void (*spoil)(Fitted&, Graph2State&);
        int number;
    };
    const std::vector<Case> cases = {
        {"first concentration 0", [](Fitted& f, Graph2State&) { f.data.concentration[0] = 0.0; },
         failure::InvalidArgument},
        {"a concentration below 0 inside the data",
         [](Fitted& f, Graph2State&) { f.data.concentration[1] = -1e-7; }, failure::InvalidArgument},
        {"no points", [](Fitted& f, Graph2State&) { f.data = dataSetOf({}, {}); }, failure::InvalidArgument},
        {"low range end 0",
         [](Fitted& f, Graph2State& g) { g.firstDrawing = false; f.lowConc = 0; f.highConc = 10; },
         failure::InvalidArgument},
        {"high range end below 0",
         [](Fitted& f, Graph2State& g) { g.firstDrawing = false; f.lowConc = 1; f.highConc = -10; },
         failure::InvalidArgument},
        {"range 2 to 8 in one decade",
         [](Fitted& f, Graph2State& g) { g.firstDrawing = false; f.lowConc = 2; f.highConc = 8; },
         failure::DivisionByZero},
        {"vTop 0 without baseline",
         [](Fitted& f, Graph2State&) { f.curves[0].V = 0; f.considerBaseline = false; },
         failure::DivisionByZero},
        {"no curve", [](Fitted& f, Graph2State&) { f.curves.clear(); }, failure::DivisionByZero},
        {"vTop 0 from opposite curves",
         [](Fitted& f, Graph2State&) { f.curves.push_back(curveOf(-10, 1, 1, 10, 2)); }, failure::DivisionByZero},
        {"negative K with a fractional n has no power",
         [](Fitted& f, Graph2State&) { f.curves[0].K = -0.5; f.curves[0].n = 0.5; }, failure::Overflow},
        {"a rate beyond the doubles",
         [](Fitted& f, Graph2State&) { f.data.rate[1] = 1.7e308; f.curves[0].points.baseline = -1.7e308; },
         failure::Overflow},
    };
    for (const Case& c : cases) {
        Fitted f = fitted(kEntered, kRates, {kCurve1}, 0.0, false);
        Graph2State g;
        c.spoil(f, g);
        EXPECT_EQ(failureNumberOf([&] { f.draw(g); }), c.number) << c.what;
    }
}
