// Data at the ends of the doubles, through the fit and both graphs: results that agree with
// the data at ordinary scale, or a clean message; never a crash, a hang, NaN or inf.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "GraphTestHelpers.h"
#include "graphs/GraphGeometry.h"
#include "kinetics/CurveLoop.h"

using namespace kinetra;
using namespace kinetra::testing;

namespace {

class WholeSetHooks : public CalculationHooks {
public:
    WholeSetHooks(int pointCount, double baseline) : pointCount_(pointCount), baseline_(baseline) {}
    CurveChoice askCurvePoints(int) override { return {1, pointCount_, baseline_}; }
    void showWarning(const std::string& message) override { warnings.push_back(message); }
    void presentCurve(const CurveFit&) override {}
    std::vector<std::string> warnings;

private:
    int pointCount_;
    double baseline_;
};

bool showsNonNumber(const std::string& s)
{
    for (const char* bad : {"nan", "inf", "NaN", "Inf"}) {
        if (s.find(bad) != std::string::npos) return true;
    }
    return false;
}

// 12 points of V S^n / (K^n + S^n) + baseline with V = 100, n = 1.5, K = 0.4, baseline 5,
// concentrations times cScale and rates times rScale.
DataSet hillData(double cScale, double rScale)
{
    std::vector<double> conc, rate;
    for (int i = 0; i < 12; ++i) {
        const double S = 0.02 * std::pow(1.6, i);
        conc.push_back(S * cScale);
        rate.push_back((100.0 * std::pow(S, 1.5) / (std::pow(0.4, 1.5) + std::pow(S, 1.5)) + 5.0) * rScale);
    }
    return dataSetOf(conc, rate);
}

struct Scale {
    double c, r;
    bool mustFit;  // thirty decades either way are only a change of units
};
const std::vector<Scale> kScales = {
    {1e-300, 1.0, false}, {1e300, 1.0, false}, {1.0, 1e-300, false}, {1.0, 1e300, false},
    {1e-300, 1e-300, false}, {1e300, 1e300, false}, {1e-300, 1e300, false}, {1e-150, 1e150, false},
    {1e-30, 1.0, true}, {1e30, 1.0, true}, {1.0, 1e-30, true}, {1.0, 1e30, true}, {1e-12, 1e12, true},
    {1e6, 1e-6, true}};

std::vector<float> centres(const DisplayList& list, bool x)
{
    std::vector<float> out;
    for (const Circle& c : opsOf<Circle>(list)) out.push_back(x ? c.centre.x : c.centre.y);
    return out;
}

}  // namespace

TEST(Extremes, Graph1AtAnyScaleIsTheOrdinaryPictureWithOtherLabels)
{
    const DisplayList ordinary = buildGraph1(hillData(1.0, 1.0));
    for (const Scale& s : kScales) {
        const DisplayList list = buildGraph1(hillData(s.c, s.r));
        // a power of ten in concentration shifts the labels, a factor in rate scales them;
        // the points stay where they were
        const auto xs = centres(list, true);
        const auto ys = centres(list, false);
        const auto x0 = centres(ordinary, true);
        const auto y0 = centres(ordinary, false);
        ASSERT_EQ(xs.size(), x0.size());
        for (std::size_t i = 0; i < xs.size(); ++i) {
            EXPECT_NEAR(xs[i], x0[i], 0.01) << s.c << " " << s.r << " point " << i;
            EXPECT_NEAR(ys[i], y0[i], 0.01) << s.c << " " << s.r << " point " << i;
        }
        const auto labels = textsAtY(list, 6600.0F);
        ASSERT_FALSE(labels.empty());
        const int firstDecade = static_cast<int>(std::lround(std::log10(s.c))) - 2 - 2;  // 0.02 is in decade -2
        const std::string decade = std::to_string(firstDecade);
        EXPECT_EQ(labels.front(), firstDecade >= 0 ? decade.substr(0, 2) : decade) << s.c;
    }
}

TEST(Extremes, FitAndGraph2GiveTheOrdinaryResultsOrACleanMessage)
{
    const DataSet ordinaryData = hillData(1.0, 1.0);
    WholeSetHooks ordinaryHooks(ordinaryData.pointCount(), 5.0);
    const CalculationOutcome ordinary = runCalculation(ordinaryData, 1, ordinaryHooks);
    ASSERT_FALSE(ordinary.end.has_value()) << failureMessage(*ordinary.end);
    ASSERT_EQ(ordinary.curves.size(), 1U);
    const CurveFit& r0 = ordinary.curves[0];
    EXPECT_NEAR(r0.n, 1.5, 0.01);
    Graph2State g0;
    const DisplayList ordinaryGraph = buildGraph2(ordinaryData, ordinary.curves, true, g0);

    for (const Scale& s : kScales) {
        SCOPED_TRACE(std::to_string(s.c) + " " + std::to_string(s.r));
        const DataSet data = hillData(s.c, s.r);
        WholeSetHooks hooks(data.pointCount(), 5.0 * s.r);
        const CalculationOutcome out = runCalculation(data, 1, hooks);
        for (const std::string& w : hooks.warnings) EXPECT_FALSE(showsNonNumber(w)) << w;
        if (out.end) {
            const std::string message = failureMessage(*out.end);
            EXPECT_FALSE(s.mustFit) << message;
            EXPECT_FALSE(message.empty());
            EXPECT_FALSE(showsNonNumber(message)) << message;
            EXPECT_TRUE(out.curves.empty());
            continue;
        }
        ASSERT_EQ(out.curves.size(), 1U);
        const CurveFit& r = out.curves[0];
        // the same curve in other units
        EXPECT_NEAR(r.n, r0.n, 1e-3 * r0.n);
        EXPECT_NEAR(r.V / s.r, r0.V, 1e-3 * r0.V);
        EXPECT_NEAR(r.K / s.c, r0.K, 1e-3 * r0.K);
        EXPECT_NEAR(r.totalActivity / s.r, r0.totalActivity, 1e-3 * r0.totalActivity);

        // graph 2 in entered units draws the same picture as the ordinary one
        Graph2State g;
        const int failed = failureNumberOf([&] {
            const DisplayList list = buildGraph2(data, out.curves, true, g);
            const auto xs = centres(list, true);
            const auto ys = centres(list, false);
            ASSERT_EQ(xs.size(), centres(ordinaryGraph, true).size());
            for (std::size_t i = 0; i < xs.size(); ++i) {
                EXPECT_NEAR(xs[i], centres(ordinaryGraph, true)[i], 0.5);
                EXPECT_NEAR(ys[i], centres(ordinaryGraph, false)[i], 0.5);
            }
        });
        EXPECT_EQ(failed, 0);
    }
}

TEST(Extremes, DataSpanningTheWholeRangeEndsWithResultsOrAMessage)
{
    std::vector<double> conc, rate;
    for (int e = -300; e <= 300; e += 50) {
        conc.push_back(std::pow(10.0, e));
        rate.push_back(e < 0 ? 1e-300 * std::pow(10.0, -e / 2.0) : 1e300 / std::pow(10.0, e / 2.0));
    }
    const DataSet data = dataSetOf(conc, rate);

    // graph 1 spans 605 decades; the labels from 0 up keep two characters
    const DisplayList g1 = buildGraph1(data);
    const auto labels = textsAtY(g1, 6600.0F);
    ASSERT_EQ(labels.size(), 605U);
    EXPECT_EQ(labels.front(), "-302");
    EXPECT_EQ(labels.back(), "30");

    WholeSetHooks hooks(data.pointCount(), 0.0);
    const CalculationOutcome out = runCalculation(data, 1, hooks);
    if (out.end) {
        const std::string message = failureMessage(*out.end);
        EXPECT_FALSE(message.empty());
        EXPECT_FALSE(showsNonNumber(message)) << message;
    } else {
        ASSERT_EQ(out.curves.size(), 1U);
        for (const double v : {out.curves[0].V, out.curves[0].n, out.curves[0].K, out.curves[0].r})
            EXPECT_TRUE(std::isfinite(v));
        Graph2State g;
        const int number = failureNumberOf([&] { buildGraph2(data, out.curves, false, g); });
        EXPECT_TRUE(number == 0 || number == failure::Overflow || number == failure::DivisionByZero) << number;
    }
}

TEST(Extremes, Graph2WithParametersAtTheEndsOfTheDoubles)
{
    struct Case {
        double V, n, K, baseline;
    };
    // V S^n / (K^n + S^n) for S near K stays near V/2 however large or small K^n is
    const std::vector<Case> cases = {{1e300, 1.0, 1e-300, 0.0}, {1e-300, 4.0, 1e300, 1e-300},
                                     {1.0, 3.0, 1e-200, 0.0},  {1e300, 0.1, 1e300, 1e300}};
    for (const Case& c : cases) {
        Graph2State g;
        const DisplayList list =
            buildGraph2(dataSetOf({c.K}, {c.baseline + c.V / 2.0}), {curveOf(c.V, c.n, c.K, c.baseline)}, true, g);
        const auto points = opsOf<Circle>(list);
        ASSERT_EQ(points.size(), 1U) << c.K;
        // the point at K lies on the curve
        const auto curve = opsOf<Line>(list);
        const float x = points[0].centre.x;
        const auto segment = static_cast<std::size_t>(std::floor(x)) - 1001;  // from x-1 .. x
        const Line& l = curve.at(segment);
        ASSERT_LE(l.from.x, x);
        ASSERT_GE(l.to.x, x);
        const float onCurve = l.from.y + (l.to.y - l.from.y) * (x - l.from.x);
        EXPECT_NEAR(points[0].centre.y, onCurve, 1.0) << c.K;
    }
}
