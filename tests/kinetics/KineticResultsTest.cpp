// The texts of the results frame, from results made up for the purpose.

#include <gtest/gtest.h>

#include "kinetics/KineticResults.h"

namespace kinetra {
namespace {

CurveFit workedResults()
{
    CurveFit r;
    r.curve = 1;
    r.points = CurveChoice{1, 13, 5.0};
    r.V = 100.0;
    r.n = 1.0;
    r.K = 0.5;
    r.VK = 200.0;
    r.r = 1.0;
    r.totalActivity = 105.0;
    return r;
}

TEST(KineticResults, WorkedCaseTexts)
{
    const ResultsTexts t = resultsTexts(workedResults(), "U/mg", "mM");
    EXPECT_EQ(t.title, "CALCULATED KINETIC PARAMETERS OF CURVE # 1   Points: 1-13");
    const std::array<std::string, 7> expected = {
        "1.000E+02  U/mg", "1.000E+00", "5.000E-01 mM", "2.000E+02",
        "1.000E+00",       "1.050E+02  U/mg", "5.000E+00  U/mg"};
    EXPECT_EQ(t.values, expected);
    EXPECT_STREQ(ResultsTexts::kRowNames[3], "V/K ");
    EXPECT_STREQ(ResultsTexts::kRowNames[5], "Total Activity ");
}

// The V/K text carries the units when both are given and the caller's separator; the row
// shows the number the text starts with.
TEST(KineticResults, VOverKTextAndRow)
{
    struct Case {
        double VK;
        double K;  // 0: V/K is not calculated
        const char* rateUnit;
        const char* concUnit;
        char sep;
        const char* text;
        const char* row;
    };
    const Case cases[] = {
        {200, 0.5, "", "", '.', "200", "2.000E+02"},
        {200, 0.5, "U/mg", "mM", '.', "200 (U/mg) / (mM)", "2.000E+02"},  // units are not shown in the row
        {200, 0.5, "U/mg", "", '.', "200", "2.000E+02"},                  // one unit alone is left out
        {200, 0.5, " U/mg ", " mM", '.', "200 (U/mg) / (mM)", "2.000E+02"},
        {0.0012345, 0.5, "U/mg", "mM", '.', "0.0012345 (U/mg) / (mM)", "1.235E-03"},
        {1000.0 / 3.0, 0.3, "U/mg", "mM", ',', "333,333333333333 (U/mg) / (mM)", "3,333E+02"},
        {0, 0, "U/mg", "mM", '.', "NOT CALCULATED", "0.000E+00"},
        {-2.5, 0.5, "", "", '.', "-2.5", "-2.500E+00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CurveFit r = workedResults();
        r.VK = c.VK;
        r.K = c.K;
        EXPECT_EQ(vkText(r, c.rateUnit, c.concUnit, c.sep), c.text);
        EXPECT_EQ(resultsTexts(r, c.rateUnit, c.concUnit, c.sep).values[3], c.row);
    }
}

TEST(KineticResults, EmptyUnitsLeaveTheBlanksAndSeparatorFollowsTheCaller)
{
    CurveFit r = workedResults();
    r.curve = 2;
    r.points = CurveChoice{14, 26, -2.0};
    r.V = 12.5;
    r.totalActivity = 10.5;
    const ResultsTexts t = resultsTexts(r, "", "", ',');
    EXPECT_EQ(t.title, "CALCULATED KINETIC PARAMETERS OF CURVE # 2   Points: 14-26");
    EXPECT_EQ(t.values[0], "1,250E+01  ");
    EXPECT_EQ(t.values[2], "5,000E-01 ");
    EXPECT_EQ(t.values[5], "1,050E+01  ");
    EXPECT_EQ(t.values[6], "-2,000E+00  ");
}

}  // namespace
}  // namespace kinetra
