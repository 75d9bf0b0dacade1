// The texts of the results frame, from results made up for the purpose.

#include <gtest/gtest.h>

#include "kinetics/KineticResults.h"

namespace kinetra {
namespace {

CurveResults workedResults()
{
    CurveResults r;
    r.curve = 1;
    r.firstPoint = 1;
    r.lastPoint = 13;
    r.V = 100.0;
    r.n = 1.0;
    r.K = 0.5;
    r.VK = 200.0;
    r.vkText = "200";
    r.r = 1.0;
    r.totalActivity = 105.0;
    r.baseline = 5.0;
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

TEST(KineticResults, VOverKRowReadsTheNumberAtTheStartOfItsText)
{
    struct Case {
        const char* vkText;
        char textSep;  // the separator the text was written with
        char displaySep;
        const char* row;
    };
    const Case cases[] = {
        {"200", '.', '.', "2.000E+02"},
        {"200 (U/mg) / (mM)", '.', '.', "2.000E+02"},  // units are not shown in the row
        {"0.0012345 (U/mg) / (mM)", '.', '.', "1.235E-03"},
        {"333,333333333333 (U/mg) / (mM)", ',', ',', "3,333E+02"},
        {"NOT CALCULATED", '.', '.', "0.000E+00"},  // K = 0
        {"-2.5", '.', '.', "-2.500E+00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.vkText);
        CurveResults r = workedResults();
        r.vkText = c.vkText;
        r.separator = c.textSep;
        EXPECT_EQ(resultsTexts(r, "U/mg", "mM", c.displaySep).values[3], c.row);
    }
}

TEST(KineticResults, EmptyUnitsLeaveTheBlanksAndSeparatorFollowsTheCaller)
{
    CurveResults r = workedResults();
    r.curve = 2;
    r.firstPoint = 14;
    r.lastPoint = 26;
    r.V = 12.5;
    r.baseline = -2.0;
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
