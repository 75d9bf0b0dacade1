#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "GraphTestHelpers.h"
#include "graphs/GraphGeometry.h"

using namespace kinetra;
using namespace kinetra::testing;

namespace {

struct Drawing {
    DisplayList list;
    std::vector<std::pair<std::string, std::string>> messages;
};

Drawing draw1(const std::vector<double>& conc, const std::vector<double>& rate,
              const std::string& ligand = "ATP", const std::string& unit = "mM")
{
    Drawing d;
    d.list = buildGraph1(dataSetOf(conc, rate, ligand, unit), [&](const std::string& text, const std::string& title) {
        d.messages.emplace_back(text, title);
    });
    return d;
}

std::vector<std::string> xLabels(const DisplayList& list) { return textsAtY(list, 6600.0F); }

}  // namespace

TEST(Graph1, DataFrom002To5SpansSevenDecadesOf1500Twips)
{
    const Drawing d = draw1({0.02, 0.1, 1.0, 5.0}, {1, 2, 3, 4});
    EXPECT_TRUE(d.messages.empty());
    EXPECT_EQ(xLabels(d.list), (std::vector<std::string>{"-4", "-3", "-2", "-1", "0", "1", "2"}));

    // each label sits 60 twips left of its tick; ticks hang from both frame edges
    const auto texts = opsOf<Text>(d.list);
    int k = 0;
    for (const Text& t : texts) {
        if (t.topLeft.y != 6600.0F) continue;
        EXPECT_EQ(t.topLeft.x, 1000.0F + 1500.0F * static_cast<float>(k) - 60.0F) << t.text;
        ++k;
    }
    const auto lines = opsOf<Line>(d.list);
    int topTicks = 0;
    for (const Line& l : lines) {
        EXPECT_EQ(l.penWidth, 3);
        EXPECT_EQ(l.colour, kBlack);
        if (l.from.y == 300.0F && l.to.y == 360.0F) {
            EXPECT_EQ(l.from.x, 1000.0F + 1500.0F * static_cast<float>(topTicks));
            ++topTicks;
        }
    }
    EXPECT_EQ(topTicks, 7);

    // the points at whole decades fall on the ticks: 0.1 on the 4th, 1 on the 5th
    const auto dots = opsOf<Circle>(d.list);
    ASSERT_EQ(dots.size(), 4U);
    EXPECT_EQ(dots[1].centre.x, 5500.0F);
    EXPECT_EQ(dots[2].centre.x, 7000.0F);
    expectTwips(dots[0].centre.x, 1000.0 + 1500.0 * (2.0 + std::log10(2.0)));
    // yMax = 4.4: rate 2 lies 2/4.4 of 6200 twips above the bottom edge
    expectTwips(dots[1].centre.y, 6500.0 - 6200.0 * 2.0 / 4.4);
    expectTwips(dots[3].centre.y, 6500.0 - 6200.0 / 1.1);
}

TEST(Graph1, DrawsFrameTicksLabelsTitlesThenPointsInThisOrder)
{
    const Drawing d = draw1({0.02, 5.0}, {1, 4});
    const auto& ops = d.list.ops;
    ASSERT_GE(ops.size(), 4U);
    const std::vector<std::pair<PointF, PointF>> frame = {
        {{1000, 300}, {1000, 6500}}, {{10000, 300}, {10000, 6500}},
        {{1000, 300}, {10000, 300}}, {{1000, 6500}, {10000, 6500}}};
    for (std::size_t i = 0; i < frame.size(); ++i) {
        const Line* l = std::get_if<Line>(&ops[i]);
        ASSERT_NE(l, nullptr) << i;
        EXPECT_EQ(l->from, frame[i].first) << i;
        EXPECT_EQ(l->to, frame[i].second) << i;
    }
    // the last operations are the two red filled markers, radius 30, pen 1
    for (std::size_t i = ops.size() - 2; i < ops.size(); ++i) {
        const Circle* c = std::get_if<Circle>(&ops[i]);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->radius, 30.0F);
        EXPECT_EQ(c->penWidth, 1);
        EXPECT_EQ(c->outline, kRed);
        ASSERT_TRUE(c->fill.has_value());
        EXPECT_EQ(*c->fill, kRed);
    }
    // "v" comes right before the markers, the axis title before it
    const Text* v = std::get_if<Text>(&ops[ops.size() - 3]);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->text, "v");
    EXPECT_EQ(v->topLeft, (PointF{150, 3100}));
    const Text* title = std::get_if<Text>(&ops[ops.size() - 4]);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text, "Log [ ATP ]  ( mM )");
    for (const Text& t : opsOf<Text>(d.list)) EXPECT_EQ(t.pointSize, 9.75) << t.text;
    EXPECT_EQ(d.list.fontFamily, "MS Sans Serif");
}

TEST(Graph1, OnePointSpansFourDecadesAroundIt)
{
    const Drawing d = draw1({0.3}, {2});
    EXPECT_EQ(xLabels(d.list), (std::vector<std::string>{"-3", "-2", "-1", "0", "1"}));
    const auto dots = opsOf<Circle>(d.list);
    ASSERT_EQ(dots.size(), 1U);
    // 2 + (log10 0.3 - Int(log10 0.3)) decades of 2250 twips right of the left edge
    expectTwips(dots[0].centre.x, 1000.0 + 2250.0 * (2.0 + std::log10(0.3) + 1.0));
    // the only rate is 1/1.1 of the Y span
    expectTwips(dots[0].centre.y, 6500.0 - 6200.0 / 1.1);
}

TEST(Graph1, NoPositiveRateShowsTheMessageThenFailsWithDivisionByZero)
{
    const std::vector<std::vector<double>> rateSets = {{0, 0}, {-1, -2}, {0, -5}};
    for (const auto& rates : rateSets) {
        const DataSet data = dataSetOf({0.1, 1.0}, rates);
        std::vector<std::pair<std::string, std::string>> messages;
        const int number = failureNumberOf([&] {
            buildGraph1(data, [&](const std::string& t, const std::string& title) { messages.emplace_back(t, title); });
        });
        EXPECT_EQ(number, failure::DivisionByZero);
        ASSERT_EQ(messages.size(), 1U);
        EXPECT_EQ(messages[0].first, "Maximun distances (X ou Y) is 0");
        EXPECT_EQ(messages[0].second, "Wrong Data");
    }
}

TEST(Graph1, ConcentrationNotAbovezeroFailsWithInvalidArgument)
{
    // an empty data set has no first concentration above 0 either
    const std::vector<std::vector<double>> concSets = {{0.0, 1.0}, {-1.0, 2.0}, {0.1, 0.0, 5.0}, {0.1, 1.0, -3.0}, {}};
    for (const auto& conc : concSets) {
        const DataSet data = dataSetOf(conc, std::vector<double>(conc.size(), 1.0));
        bool messaged = false;
        const int number = failureNumberOf([&] {
            buildGraph1(data, [&](const std::string&, const std::string&) { messaged = true; });
        });
        EXPECT_EQ(number, failure::InvalidArgument) << conc.size();
        EXPECT_FALSE(messaged);
    }
}

TEST(Graph1, NegativeRatesLieBelowTheFrame)
{
    const Drawing d = draw1({0.1, 1.0, 10.0}, {-2, 4, 1});
    const auto dots = opsOf<Circle>(d.list);
    ASSERT_EQ(dots.size(), 3U);
    EXPECT_GT(dots[0].centre.y, 6500.0F);
    expectTwips(dots[0].centre.y, 6500.0 + 6200.0 * 2.0 / 4.4);
    EXPECT_LT(dots[1].centre.y, 6500.0F);
    EXPECT_EQ(textsAtY(d.list, 6500.0F - 80.0F), (std::vector<std::string>{"0.00"}));
}

TEST(Graph1, YLabelsRunFromZeroToElevenTenthsOfTheLargestRate)
{
    struct Case {
        std::vector<double> rates;
        std::vector<std::string> labels;  // bottom to top
    };
    const std::vector<Case> cases = {
        {{1, 4, 2}, {"0.00", "0.88", "1.76", "2.64", "3.52", "4.40"}},
        {{10, -3}, {"0.00", "2.20", "4.40", "6.60", "8.80", "11.00"}},
        {{0.05}, {"0.00", "0.01", "0.02", "0.03", "0.04", "0.06"}},
        {{250}, {"0.00", "55.00", "110.00", "165.00", "220.00", "275.00"}},
    };
    for (const Case& c : cases) {
        std::vector<double> conc;
        for (std::size_t i = 0; i < c.rates.size(); ++i) conc.push_back(0.5 * static_cast<double>(i + 1));
        const Drawing d = draw1(conc, c.rates);
        std::vector<std::string> labels;
        for (int k = 0; k <= 5; ++k) {
            const auto at = textsAtY(d.list, 6500.0F - 1240.0F * static_cast<float>(k) - 80.0F);
            ASSERT_EQ(at.size(), 1U) << k;
            labels.push_back(at[0]);
            const Text* t = findText(d.list, at[0]);
            EXPECT_EQ(t->topLeft.x, 500.0F);
        }
        EXPECT_EQ(labels, c.labels);
    }
}

TEST(Graph1, LabelsFromZeroUpKeepOnlyTheirFirstTwoCharacters)
{
    struct Case {
        double conc;
        std::vector<std::string> labels;
    };
    const std::vector<Case> cases = {
        {1e10, {"8", "9", "10", "11", "12"}},
        {1e98, {"96", "97", "98", "99", "10"}},     // 100 reads "10"
        {3e120, {"11", "11", "12", "12", "12"}},    // 118 .. 122
        {2e-3, {"-5", "-4", "-3", "-2", "-1"}},
    };
    for (const Case& c : cases) {
        const Drawing d = draw1({c.conc}, {1});
        EXPECT_EQ(xLabels(d.list), c.labels) << c.conc;
    }
}

TEST(Graph1, PowersOfTenGiveTheirWholeExponent)
{
    // ln(c)/ln(10) comes out just below 3, 6, 9, ... for these; the axis must not lose a decade
    for (const int e : {3, 6, 9, 12, 13, 15, -3, -6}) {
        const Drawing d = draw1({std::pow(10.0, e), std::pow(10.0, e + 3)}, {1, 2});
        const auto labels = xLabels(d.list);
        ASSERT_EQ(labels.size(), 8U) << e;
        EXPECT_EQ(labels.front(), std::to_string(e - 2)) << e;
        EXPECT_EQ(labels.back(), std::to_string(e + 5)) << e;
        // the point at 10^e sits exactly on the third tick, the one at 10^(e+3) on the sixth
        const auto dots = opsOf<Circle>(d.list);
        ASSERT_EQ(dots.size(), 2U);
        expectTwips(dots[0].centre.x, 1000.0 + 2.0 * 9000.0 / 7.0, 1e-7);
        expectTwips(dots[1].centre.x, 1000.0 + 5.0 * 9000.0 / 7.0, 1e-7);
    }
    const Drawing d = draw1({1000.0, 1e6}, {1, 2});
    EXPECT_EQ(xLabels(d.list), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8"}));
}

TEST(Graph1, AxisTitleIsCentredOnItsLengthInCharacters)
{
    struct Case {
        std::string ligand, unit, title;
        float x;
    };
    const std::vector<Case> cases = {
        {"ATP", "mM", "Log [ ATP ]  ( mM )", 4405.0F},                     // (9000 - 190) / 2
        {"  Glucose ", " µM  ", "Log [ Glucose ]  ( µM )", 4385.0F},        // µ is one character
        {"", "", "Log [  ]  (  )", 4430.0F},
        {"x", "abcd", "Log [ x ]  ( abcd )", 4405.0F},
    };
    for (const Case& c : cases) {
        const Drawing d = draw1({0.02, 5.0}, {1, 2}, c.ligand, c.unit);
        const Text* t = findText(d.list, c.title);
        ASSERT_NE(t, nullptr) << c.title;
        EXPECT_EQ(t->topLeft, (PointF{c.x, 6850.0F})) << c.title;
    }
}

TEST(Graph1, CoordinatesBeyondSinglePrecisionAreAnOverflow)
{
    EXPECT_EQ(failureNumberOf([] { buildGraph1(dataSetOf({0.1, 1.0}, {-1e300, 1.0})); }), failure::Overflow);
    // 1.1 times the largest rate leaves the doubles
    EXPECT_EQ(failureNumberOf([] { buildGraph1(dataSetOf({0.1, 1.0}, {1.0, 1.7e308})); }), failure::Overflow);
}
