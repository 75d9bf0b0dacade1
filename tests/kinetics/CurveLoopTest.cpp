// The calculation over one or two curves, with a stand-in for the calculation window.

#include <gtest/gtest.h>

#include <deque>

#include "kinetics/CurveLoop.h"
#include "kinetics/KineticsTestData.h"

namespace kinetra::test {
namespace {

struct CurveChoice {
    int first, last;
    double baseline;
};

// Answers the points window from a queue and records what the window would have shown.
class RecordingHooks : public CalculationHooks {
public:
    std::deque<CurveChoice> choices;
    std::vector<int> askedCurves;
    std::vector<int> lowestFirstOffered;  // firstPoint when the points window opens
    std::vector<std::string> warnings;
    std::vector<CurveResults> presented;
    std::vector<double> storedVWhenPresented;  // curveV[c] while the results are shown
    int failPresentWith = 0;                   // a report that cannot be written

    void askCurvePoints(SharedState& st, int curve) override
    {
        askedCurves.push_back(curve);
        lowestFirstOffered.push_back(st.firstPoint);
        const CurveChoice c = choices.front();
        choices.pop_front();
        st.firstPoint = static_cast<std::int16_t>(c.first);
        st.lastPoint = static_cast<std::int16_t>(c.last);
        st.baseline = c.baseline;
    }
    void showWarning(const std::string& message) override { warnings.push_back(message); }
    void presentCurve(const SharedState& st, const CurveResults& results) override
    {
        storedVWhenPresented.push_back(st.curveV[results.curve]);
        if (failPresentWith) throw RuntimeFailure(failPresentWith);
        presented.push_back(results);
    }
};

TEST(CurveLoop, OneCurveOfTheWorkedCase)
{
    SharedState st;
    FitWork work;
    loadPoints(st, kWorkedConc, workedRates());
    st.curveV[2] = 77.0;  // left from an earlier calculation
    RecordingHooks hooks;
    hooks.choices = {{1, 13, 5.0}};

    const CalculationOutcome out = runCalculation(st, work, 1, hooks);
    ASSERT_FALSE(out.end) << out.end->message;
    ASSERT_EQ(out.curves.size(), 1u);
    EXPECT_EQ(hooks.askedCurves, std::vector<int>{1});
    EXPECT_EQ(st.curveNumber, 1);
    EXPECT_EQ(st.curveV[2], 0.0);
    EXPECT_EQ(st.curveFirstPoint[1], 1.0);
    EXPECT_EQ(st.curveLastPoint[1], 13.0);
    EXPECT_EQ(st.curveBaseline[1], 5.0);
    EXPECT_DOUBLE_EQ(work.netRate[4], st.rate[4] - 5.0);
    EXPECT_DOUBLE_EQ(st.concentration[1], 0.0001);

    ASSERT_EQ(hooks.presented.size(), 1u);
    const CurveResults& r = hooks.presented[0];
    EXPECT_EQ(r.searchPasses, 19);
    EXPECT_RELATIVE(r.V, 100.0, 1e-7);
    EXPECT_RELATIVE(r.n, 1.0, 1e-7);
    EXPECT_RELATIVE(r.K, 0.5, 1e-7);
    EXPECT_RELATIVE(r.VK, 200.0, 1e-7);
    EXPECT_RELATIVE(r.r, 1.0, 1e-7);
    EXPECT_RELATIVE(r.totalActivity, 105.0, 1e-7);
    EXPECT_TRUE(hooks.warnings.empty());

    // stored only after they were shown, then stored as shown
    EXPECT_EQ(hooks.storedVWhenPresented, std::vector<double>{0.0});
    EXPECT_EQ(st.curveV[1], r.V);
    EXPECT_EQ(st.curveN[1], r.n);
    EXPECT_EQ(st.curveK[1], r.K);
    EXPECT_EQ(st.firstPoint, 14);
}

// Curve 2 lies above the plateau of curve 1: 13 more points with rates
// 105 + 50 S^2 / (30^2 + S^2).
TEST(CurveLoop, SecondCurveSitsOnThePlateauOfTheFirst)
{
    std::vector<double> conc = kWorkedConc, rate = workedRates();
    std::vector<double> conc2;
    for (int i = 0; i < 13; ++i) conc2.push_back(8.0 * std::pow(25.0, i / 12.0));  // 8 .. 200
    const std::vector<double> rate2 = hillRates(conc2, 50, 2, 30, 105);
    conc.insert(conc.end(), conc2.begin(), conc2.end());
    rate.insert(rate.end(), rate2.begin(), rate2.end());

    SharedState st;
    FitWork work;
    loadPoints(st, conc, rate);
    RecordingHooks hooks;
    hooks.choices = {{1, 13, 5.0}, {14, 26, -999.0}};  // curve 2's baseline field is not used

    const CalculationOutcome out = runCalculation(st, work, 2, hooks);
    ASSERT_FALSE(out.end) << out.end->message;
    ASSERT_EQ(out.curves.size(), 2u);
    EXPECT_EQ(hooks.askedCurves, (std::vector<int>{1, 2}));
    EXPECT_EQ(hooks.lowestFirstOffered[1], 14);  // curve 1's last point + 1
    EXPECT_EQ(st.curveNumber, 2);

    const CurveResults& c1 = out.curves[0];
    const CurveResults& c2 = out.curves[1];
    EXPECT_DOUBLE_EQ(st.curveBaseline[2], c1.V + 5.0);
    EXPECT_DOUBLE_EQ(c2.baseline, c1.totalActivity);
    EXPECT_EQ(c2.firstPoint, 14.0);
    EXPECT_EQ(c2.lastPoint, 26.0);
    EXPECT_RELATIVE(c2.V, 50.0, 1e-6);
    EXPECT_RELATIVE(c2.n, 2.0, 1e-6);
    EXPECT_RELATIVE(c2.K, 30.0, 1e-6);
    EXPECT_RELATIVE(c2.totalActivity, 155.0, 1e-6);

    EXPECT_EQ(hooks.storedVWhenPresented, (std::vector<double>{0.0, 0.0}));
    EXPECT_EQ(st.curveV[1], c1.V);
    EXPECT_EQ(st.curveV[2], c2.V);
    EXPECT_EQ(st.curveK[2], c2.K);
    EXPECT_EQ(st.firstPoint, 27);
}

TEST(CurveLoop, EndsCarryTheirTitleAndDestination)
{
    struct Case {
        const char* name;
        std::vector<double> conc, rate;
        CurveChoice choice;
        int pointCount;  // 0: all the points
        int failPresentWith;
        std::string message;
        std::string title;
        ReturnTo returnTo;
        int failureNumber;
        std::size_t asked;
    };
    const std::vector<double> falling = {100, 95, 90, 85, 80, 75, 70, 65, 60, 55, 50, 45, 40};
    std::vector<double> zeroFirst = kWorkedConc;
    zeroFirst[0] = 0.0;
    const Case cases[] = {
        {"first concentration 0", zeroFirst, workedRates(), {1, 13, 5.0}, 0, 0,
         "Error n.1: Division by zero", kTitleCritica, ReturnTo::Menu, 0, 0},
        {"all net rates 0", kWorkedConc, std::vector<double>(13, 5.0), {1, 13, 5.0}, 0, 0,
         "Error n.11: Division by zero", kTitleCritica, ReturnTo::Menu, 0, 1},
        {"falling rates", kWorkedConc, falling, {1, 13, 0.0}, 0, 0, kSigmoidMessage,
         kTitleWrongData, ReturnTo::DataEntry, 0, 1},
        {"two points in the data set", kWorkedConc, workedRates(), {1, 13, 5.0}, 2, 0,
         failureText(failure::DivisionByZero, "Division by zero"), kTitleWrongData,
         ReturnTo::Menu, failure::DivisionByZero, 1},
        {"last point beyond the arrays", kWorkedConc, workedRates(), {1, 201, 5.0}, 0, 0,
         failureText(failure::SubscriptOutOfRange, "Subscript out of range"), kTitleWrongData,
         ReturnTo::Menu, failure::SubscriptOutOfRange, 1},
        {"report cannot be written", kWorkedConc, workedRates(), {1, 13, 5.0}, 0,
         failure::DiskFull, failureText(failure::DiskFull, "Disk full"), kTitleWrongData,
         ReturnTo::Menu, failure::DiskFull, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SharedState st;
        FitWork work;
        loadPoints(st, c.conc, c.rate);
        if (c.pointCount) st.pointCount = static_cast<std::int16_t>(c.pointCount);
        RecordingHooks hooks;
        hooks.choices = {c.choice, c.choice};
        hooks.failPresentWith = c.failPresentWith;

        const CalculationOutcome out = runCalculation(st, work, 2, hooks);
        ASSERT_TRUE(out.end);
        EXPECT_EQ(out.end->message, c.message);
        EXPECT_EQ(out.end->title, c.title);
        EXPECT_EQ(out.end->returnTo, c.returnTo);
        EXPECT_EQ(out.end->failureNumber, c.failureNumber);
        // the calculation stops at the first curve; nothing is stored
        EXPECT_EQ(hooks.askedCurves.size(), c.asked);
        EXPECT_TRUE(out.curves.empty());
        EXPECT_EQ(st.curveV[1], 0.0);
        EXPECT_TRUE(hooks.presented.empty());
    }
}

TEST(CurveLoop, WarningsReachTheWindowBeforeTheResults)
{
    SharedState st;
    FitWork work;
    loadPoints(st, kWorkedConc, hillRates(kWorkedConc, 100, 7, 0.5, 5));
    RecordingHooks hooks;
    hooks.choices = {{1, 13, 5.0}};
    const CalculationOutcome out = runCalculation(st, work, 1, hooks);
    ASSERT_FALSE(out.end);
    EXPECT_EQ(hooks.warnings, std::vector<std::string>{kVertexWarning});
    ASSERT_EQ(hooks.presented.size(), 1u);
    EXPECT_EQ(hooks.presented[0].warnings, hooks.warnings);
}

// The V/K text is written with the window's decimal separator, and the curve remembers it.
class CommaHooks : public RecordingHooks {
public:
    char decimalSeparator() const override { return ','; }
};

TEST(CurveLoop, VOverKTextUsesTheWindowsSeparator)
{
    SharedState st;
    FitWork work;
    loadPoints(st, kWorkedConc, hillRates(kWorkedConc, 100, 1, 0.3, 5));  // V/K = 333.33...
    st.rateUnit = "U/mg";
    st.concUnit = "mM";
    CommaHooks hooks;
    hooks.choices = {{1, 13, 5.0}};
    const CalculationOutcome out = runCalculation(st, work, 1, hooks);
    ASSERT_FALSE(out.end);
    const CurveResults& r = out.curves[0];
    EXPECT_EQ(r.separator, ',');
    EXPECT_EQ(r.vkText.substr(0, 4), "333,");
    EXPECT_EQ(r.vkText.find('.'), std::string::npos);
    EXPECT_NE(r.vkText.find(" (U/mg) / (mM)"), std::string::npos);
}

}  // namespace
}  // namespace kinetra::test
