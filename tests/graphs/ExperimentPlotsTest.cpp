// The plots of an experiment: what each draws where, read from the display list.
#include <gtest/gtest.h>

#include <cmath>

#include "graphs/ExperimentPlots.h"

namespace kinetra {
namespace {

std::vector<const Circle*> circles(const DisplayList& list, Rgb colour)
{
    std::vector<const Circle*> out;
    for (const DrawOp& op : list.ops)
        if (const auto* c = std::get_if<Circle>(&op); c && c->outline == colour) out.push_back(c);
    return out;
}

std::vector<const Line*> lines(const DisplayList& list, Rgb colour)
{
    std::vector<const Line*> out;
    for (const DrawOp& op : list.ops)
        if (const auto* l = std::get_if<Line>(&op); l && l->colour == colour) out.push_back(l);
    return out;
}

TEST(ExperimentPlots, TheFitPlotPutsThePointsOnTheirDecadesAndTheCurveInsideItsShadedBand)
{
    // S from 0.1 to 10: two decades, 4500 twips each; a NaN rate is left out
    const std::vector<double> S = {0.1, 1.0, 10.0, 3.0};
    const std::vector<double> v = {10.0, 50.0, 90.0, std::nan("")};
    std::vector<BandPoint> band;
    for (int k = 0; k <= 20; ++k) {
        const double s = 0.1 * std::pow(100.0, k / 20.0);
        const double f = 100.0 * s / (1.0 + s);
        band.push_back({s, f, f - 5.0, f + 5.0, f - 15.0, f + 15.0});
    }
    const DisplayList plot = buildFitPlot(S, v, band, "U/mg", "mM");

    const auto points = circles(plot, kRed);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_FLOAT_EQ(points[0]->centre.x, 1000.0F);
    EXPECT_FLOAT_EQ(points[1]->centre.x, 5500.0F);
    EXPECT_FLOAT_EQ(points[2]->centre.x, 10000.0F);
    EXPECT_GT(points[0]->centre.y, points[2]->centre.y) << "a higher rate stands higher";

    // every point of the fitted curve lies between the ends of a shading stroke at its x
    const auto shade = lines(plot, Rgb{198, 219, 255});
    const auto curve = lines(plot, kBlue);
    ASSERT_GE(shade.size(), 400u) << "strokes 20 twips apart across the band";
    ASSERT_EQ(curve.size(), 20u);
    for (const Line* c : curve) {
        const Line* nearest = shade.front();
        for (const Line* s : shade)
            if (std::fabs(s->from.x - c->from.x) < std::fabs(nearest->from.x - c->from.x)) nearest = s;
        EXPECT_LE(std::min(nearest->from.y, nearest->to.y), c->from.y + 1.0F);
        EXPECT_GE(std::max(nearest->from.y, nearest->to.y), c->from.y - 1.0F);
    }
    EXPECT_GT(lines(plot, Rgb{70, 110, 200}).size(), 20u) << "the prediction band in dashes";

    const DisplayList bare = buildFitPlot(S, v, {}, "", "");
    EXPECT_EQ(circles(bare, kRed).size(), 3u);
    EXPECT_TRUE(lines(bare, kBlue).empty()) << "no band, no curve";
}

TEST(ExperimentPlots, TheComparisonPlotGivesEachSetItsColourAndALegendLine)
{
    const std::vector<OverlaySet> sets = {
        {"wild type", {0.1, 1, 10}, {9, 50, 91}, HillEstimates{100, 1, 1}},
        {"mutant", {0.1, 1, 10}, {5, 30, 70}, std::nullopt},
        {"", {0.5}, {std::nan("")}, std::nullopt},
    };
    const DisplayList plot = buildComparisonPlot(sets, "U/mg", "mM");
    std::vector<std::string> legend;
    for (const DrawOp& op : plot.ops)
        if (const auto* t = std::get_if<Text>(&op); t && t->topLeft.x > 1000.0F && t->topLeft.y < 1500.0F)
            legend.push_back(t->text);
    EXPECT_EQ(legend, (std::vector<std::string>{"wild type", "mutant", ""}));
    EXPECT_EQ(circles(plot, overlayColour(0)).size(), 4u) << "three points and the legend's marker";
    EXPECT_EQ(circles(plot, overlayColour(1)).size(), 4u);
    EXPECT_EQ(circles(plot, overlayColour(2)).size(), 1u) << "the NaN point is left out";
    EXPECT_GT(lines(plot, overlayColour(0)).size(), 100u) << "a fitted set has its curve";
    EXPECT_EQ(lines(plot, overlayColour(1)).size(), 1u) << "a set without a fit has its legend line only";
    EXPECT_FALSE(overlayColour(0) == overlayColour(1));
    EXPECT_TRUE(overlayColour(0) == overlayColour(10));
}

}  // namespace
}  // namespace kinetra
