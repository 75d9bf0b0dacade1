// The calculation over one or two curves, with a stand-in for the calculation window.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <deque>

#include "kinetics/CurveLoop.h"
#include "kinetics/KineticsTestData.h"

namespace kinetra::test {
namespace {

// Answers the points window from a queue and records what the window would have shown, in
// order ("ask 1", "warning", "present 1").
class RecordingHooks : public CalculationHooks {
public:
    std::deque<CurveChoice> choices;
    std::vector<int> askedCurves;
    std::vector<std::string> events;
    std::vector<std::string> warnings;
    std::vector<CurveFit> presented;
    int failAskWith = 0;      // the points window fails
    int failPresentWith = 0;  // a report that cannot be written

    CurveChoice askCurvePoints(int curve) override
    {
        askedCurves.push_back(curve);
        events.push_back("ask " + std::to_string(curve));
        if (failAskWith) throw RuntimeFailure(failAskWith);
        const CurveChoice c = choices.front();
        choices.pop_front();
        return c;
    }
    void showWarning(const std::string& message) override
    {
        events.emplace_back("warning");
        warnings.push_back(message);
    }
    void presentCurve(const CurveFit& fit) override
    {
        events.push_back("present " + std::to_string(fit.curve));
        if (failPresentWith) throw RuntimeFailure(failPresentWith);
        presented.push_back(fit);
    }
};

// The worked case followed by a second curve above its plateau: 13 more points with rates
// 105 + 50 S^2 / (30^2 + S^2).
DataSet twoCurveData()
{
    std::vector<double> conc = kWorkedConc, rate = workedRates();
    std::vector<double> conc2;
    for (int i = 0; i < 13; ++i) conc2.push_back(8.0 * std::pow(25.0, i / 12.0));  // 8 .. 200
    const std::vector<double> rate2 = hillRates(conc2, 50, 2, 30, 105);
    conc.insert(conc.end(), conc2.begin(), conc2.end());
    rate.insert(rate.end(), rate2.begin(), rate2.end());
    return dataSetOf(conc, rate);
}

void expectSameChoice(const CurveChoice& a, const CurveChoice& b)
{
    EXPECT_EQ(a.firstPoint, b.firstPoint);
    EXPECT_EQ(a.lastPoint, b.lastPoint);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(a.baseline), std::bit_cast<std::uint64_t>(b.baseline));
}

// Two fits that agree bit for bit.
void expectSameFit(const CurveFit& a, const CurveFit& b)
{
    EXPECT_EQ(a.curve, b.curve);
    expectSameChoice(a.points, b.points);
    const double x[] = {a.V, a.n, a.K, a.VK, a.r, a.totalActivity};
    const double y[] = {b.V, b.n, b.K, b.VK, b.r, b.totalActivity};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(std::bit_cast<std::uint64_t>(x[i]), std::bit_cast<std::uint64_t>(y[i])) << "value " << i;
    EXPECT_EQ(a.searchPasses, b.searchPasses);
    EXPECT_EQ(a.warnings, b.warnings);
}

TEST(CurveLoop, OneCurveOfTheWorkedCase)
{
    RecordingHooks hooks;
    hooks.choices = {{1, 13, 5.0}};
    const CalculationOutcome out = runCalculation(dataSetOf(kWorkedConc, workedRates()), 1, hooks);
    ASSERT_FALSE(out.end) << failureMessage(*out.end);
    EXPECT_EQ(out.endedOnCurve, 0);
    ASSERT_EQ(out.curves.size(), 1u);
    EXPECT_EQ(hooks.askedCurves, std::vector<int>{1});

    const CurveFit& r = out.curves[0];
    EXPECT_EQ(r.curve, 1);
    expectSameChoice(r.points, {1, 13, 5.0});
    EXPECT_EQ(r.searchPasses, 19);
    EXPECT_RELATIVE(r.V, 100.0, 1e-7);
    EXPECT_RELATIVE(r.n, 1.0, 1e-7);
    EXPECT_RELATIVE(r.K, 0.5, 1e-7);
    EXPECT_RELATIVE(r.VK, 200.0, 1e-7);
    EXPECT_RELATIVE(r.r, 1.0, 1e-7);
    EXPECT_RELATIVE(r.totalActivity, 105.0, 1e-7);
    EXPECT_TRUE(hooks.warnings.empty());
    // what was shown is what the outcome keeps
    ASSERT_EQ(hooks.presented.size(), 1u);
    expectSameFit(hooks.presented[0], r);
}

TEST(CurveLoop, SecondCurveSitsOnThePlateauOfTheFirst)
{
    RecordingHooks hooks;
    hooks.choices = {{1, 13, 5.0}, {14, 26, -999.0}};  // curve 2's baseline field is not used

    const CalculationOutcome out = runCalculation(twoCurveData(), 2, hooks);
    ASSERT_FALSE(out.end) << failureMessage(*out.end);
    ASSERT_EQ(out.curves.size(), 2u);
    EXPECT_EQ(hooks.askedCurves, (std::vector<int>{1, 2}));

    const CurveFit& c1 = out.curves[0];
    const CurveFit& c2 = out.curves[1];
    EXPECT_EQ(c2.curve, 2);
    EXPECT_DOUBLE_EQ(c2.points.baseline, c1.V + 5.0);
    EXPECT_DOUBLE_EQ(c2.points.baseline, c1.totalActivity);
    EXPECT_EQ(c2.points.firstPoint, 14);
    EXPECT_EQ(c2.points.lastPoint, 26);
    EXPECT_RELATIVE(c2.V, 50.0, 1e-6);
    EXPECT_RELATIVE(c2.n, 2.0, 1e-6);
    EXPECT_RELATIVE(c2.K, 30.0, 1e-6);
    EXPECT_RELATIVE(c2.totalActivity, 155.0, 1e-6);
    ASSERT_EQ(hooks.presented.size(), 2u);
    expectSameFit(hooks.presented[1], c2);
}

TEST(CurveLoop, EndsCarryTheirFailure)
{
    struct Case {
        const char* name;
        std::vector<double> conc, rate;
        CurveChoice choice;
        int failAskWith;
        int failPresentWith;
        FailureKind kind;
        int number;
        std::string message;
        int endedOnCurve;  // also the number of times the points were asked for
    };
    const std::vector<double> falling = {100, 95, 90, 85, 80, 75, 70, 65, 60, 55, 50, 45, 40};
    std::vector<double> zeroFirst = kWorkedConc;
    zeroFirst[0] = 0.0;
    const std::vector<double> twoConc(kWorkedConc.begin(), kWorkedConc.begin() + 2);
    const std::vector<double> rates = workedRates();
    const std::vector<double> twoRates(rates.begin(), rates.begin() + 2);
    const Case cases[] = {
        {"first concentration 0", zeroFirst, workedRates(), {1, 13, 5.0}, 0, 0, FailureKind::FitAbort, 1,
         "Error n.1: Division by zero", 0},
        {"all net rates 0", kWorkedConc, std::vector<double>(13, 5.0), {1, 13, 5.0}, 0, 0,
         FailureKind::FitAbort, 11, "Error n.11: Division by zero", 1},
        {"falling rates", kWorkedConc, falling, {1, 13, 0.0}, 0, 0, FailureKind::NotSigmoid, 0,
         kSigmoidMessage, 1},
        {"two points in the data set", twoConc, twoRates, {1, 2, 5.0}, 0, 0, FailureKind::RunTime,
         failure::DivisionByZero, failureText(failure::DivisionByZero, "Division by zero"), 1},
        {"last point beyond the most points", kWorkedConc, workedRates(), {1, 201, 5.0}, 0, 0,
         FailureKind::RunTime, failure::SubscriptOutOfRange,
         failureText(failure::SubscriptOutOfRange, "Subscript out of range"), 1},
        {"points window fails", kWorkedConc, workedRates(), {}, failure::Overflow, 0, FailureKind::RunTime,
         failure::Overflow, failureText(failure::Overflow, "Overflow"), 1},
        {"report cannot be written", kWorkedConc, workedRates(), {1, 13, 5.0}, 0, failure::DiskFull,
         FailureKind::RunTime, failure::DiskFull, failureText(failure::DiskFull, "Disk full"), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHooks hooks;
        hooks.choices = {c.choice, c.choice};
        hooks.failAskWith = c.failAskWith;
        hooks.failPresentWith = c.failPresentWith;

        const CalculationOutcome out = runCalculation(dataSetOf(c.conc, c.rate), 2, hooks);
        ASSERT_TRUE(out.end);
        EXPECT_EQ(out.end->kind, c.kind);
        EXPECT_EQ(out.end->number, c.number);
        EXPECT_EQ(failureMessage(*out.end), c.message);
        // the calculation stops at the first curve; nothing is kept
        EXPECT_EQ(out.endedOnCurve, c.endedOnCurve);
        EXPECT_EQ(static_cast<int>(hooks.askedCurves.size()), c.endedOnCurve);
        if (c.endedOnCurve) expectSameChoice(out.endedOnPoints, c.choice);
        EXPECT_TRUE(out.curves.empty());
        EXPECT_TRUE(hooks.presented.empty());
    }
}

// A failure on curve 2 keeps curve 1 and says where it stopped, with the baseline curve 2 had.
TEST(CurveLoop, FailureOnTheSecondCurveKeepsTheFirst)
{
    RecordingHooks hooks;
    hooks.choices = {{1, 13, 5.0}, {14, 27, 0.0}};  // the data set has 26 points
    const CalculationOutcome out = runCalculation(twoCurveData(), 2, hooks);
    ASSERT_TRUE(out.end);
    EXPECT_EQ(out.end->number, failure::SubscriptOutOfRange);
    ASSERT_EQ(out.curves.size(), 1u);
    EXPECT_EQ(hooks.presented.size(), 1u);
    EXPECT_EQ(out.endedOnCurve, 2);
    expectSameChoice(out.endedOnPoints, {14, 27, out.curves[0].totalActivity});
}

TEST(CurveLoop, WarningsReachTheWindowBeforeTheResults)
{
    RecordingHooks hooks;
    hooks.choices = {{1, 13, 5.0}};
    const CalculationOutcome out =
        runCalculation(dataSetOf(kWorkedConc, hillRates(kWorkedConc, 100, 7, 0.5, 5)), 1, hooks);
    ASSERT_FALSE(out.end);
    EXPECT_EQ(hooks.warnings, std::vector<std::string>{kVertexWarning});
    EXPECT_EQ(hooks.events, (std::vector<std::string>{"ask 1", "warning", "present 1"}));
    ASSERT_EQ(hooks.presented.size(), 1u);
    EXPECT_EQ(hooks.presented[0].warnings, hooks.warnings);
}

// Two data sets alive at once: fits and calculations of one, interleaved with the other's,
// give bit for bit what each gives alone. The two differ in point count, scale of the
// concentrations, number of curves and warnings.
TEST(CurveLoop, TwoDataSetsSideBySideGiveWhatEachGivesAlone)
{
    struct Run {
        std::vector<CurveFit> curves;
        std::vector<std::string> warnings;
    };
    std::vector<double> concB;
    for (double s : kWorkedConc) concB.push_back(1e3 * s);
    const DataSet a = twoCurveData();
    const DataSet b = dataSetOf(concB, hillRates(concB, 80, 7, 500, 2));  // the vertex lies outside
    const std::deque<CurveChoice> choicesA = {{1, 13, 5.0}, {14, 26, 0.0}};
    const std::deque<CurveChoice> choicesB = {{2, 13, 2.0}};

    auto fitOf = [](const DataSet& d, const CurveChoice& choice) {
        Run run;
        Outcome<CurveFit> fit =
            fitCurve(d, 1, choice, [&run](const std::string& m) { run.warnings.push_back(m); });
        EXPECT_TRUE(fit) << failureMessage(fit.failure());
        if (fit) run.curves.push_back(*fit);
        return run;
    };
    auto calculationOf = [](const DataSet& d, const std::deque<CurveChoice>& choices) {
        RecordingHooks hooks;
        hooks.choices = choices;
        const CalculationOutcome out = runCalculation(d, static_cast<int>(choices.size()), hooks);
        EXPECT_FALSE(out.end) << failureMessage(*out.end);
        return Run{out.curves, hooks.warnings};
    };
    auto expectSame = [](const Run& x, const Run& alone) {
        ASSERT_EQ(x.curves.size(), alone.curves.size());
        for (std::size_t i = 0; i < x.curves.size(); ++i) expectSameFit(x.curves[i], alone.curves[i]);
        EXPECT_EQ(x.warnings, alone.warnings);
    };

    const Run fitA = fitOf(a, choicesA[0]);
    const Run calcA = calculationOf(a, choicesA);
    const Run fitB = fitOf(b, choicesB[0]);
    const Run calcB = calculationOf(b, choicesB);
    ASSERT_EQ(calcA.curves.size(), 2u);
    ASSERT_EQ(calcB.curves.size(), 1u);
    EXPECT_EQ(fitB.warnings, std::vector<std::string>{kVertexWarning});
    // the two really differ, so mixing them up would show
    EXPECT_NE(fitA.curves[0].n, fitB.curves[0].n);

    {
        SCOPED_TRACE("A, B, A");
        expectSame(fitOf(a, choicesA[0]), fitA);
        expectSame(fitOf(b, choicesB[0]), fitB);
        expectSame(fitOf(a, choicesA[0]), fitA);
    }
    {
        SCOPED_TRACE("calculations A, B, A");
        expectSame(calculationOf(a, choicesA), calcA);
        expectSame(calculationOf(b, choicesB), calcB);
        expectSame(calculationOf(a, choicesA), calcA);
    }
    {
        SCOPED_TRACE("a calculation of B between a fit of A and a calculation of A");
        expectSame(fitOf(a, choicesA[0]), fitA);
        expectSame(calculationOf(b, choicesB), calcB);
        expectSame(calculationOf(a, choicesA), calcA);
        expectSame(fitOf(b, choicesB[0]), fitB);
    }
}

}  // namespace
}  // namespace kinetra::test
