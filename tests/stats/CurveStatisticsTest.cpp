// The fit statistics against reference figures that scipy computed independently
// (tests/data/stats/make_references.py), from the described fit's values and from the
// automatic starts; the cases without a figure (three points, four points, no plateau); and
// data chosen to break the arithmetic, where every figure must stay a number.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "kinetics/KineticsTestData.h"
#include "stats/CurveStatistics.h"

namespace kinetra::test {
namespace {

using nlohmann::json;

const std::string kStatsDir = std::string(KINETRA_TEST_DATA_DIR) + "/stats/";

struct Points {
    std::vector<double> S, v;
};

Points readPoints(const std::string& path)
{
    std::ifstream in(path);
    Points p;
    std::string line;
    while (std::getline(in, line)) {
        const auto comma = line.find(',');
        if (comma == std::string::npos) continue;
        double s = 0, v = 0;
        std::from_chars(line.data(), line.data() + comma, s);
        std::from_chars(line.data() + comma + 1, line.data() + line.size(), v);
        p.S.push_back(s);
        p.v.push_back(v);
    }
    return p;
}

json references()
{
    std::ifstream in(kStatsDir + "references.json");
    return json::parse(in);
}

// Relative tolerance, with an absolute floor for figures that are 0 in exact arithmetic.
void expectClose(double actual, const json& expected, double tol, const std::string& what, double floor = 0.0)
{
    ASSERT_TRUE(expected.is_number()) << what << ": the reference has no number";
    const double e = expected.get<double>();
    EXPECT_LE(std::fabs(actual - e), tol * std::fabs(e) + floor) << what << " = " << actual << ", expected " << e;
}

void expectOptional(const std::optional<double>& actual, const json& expected, double tol, const std::string& what)
{
    if (expected.is_null()) {
        EXPECT_FALSE(actual) << what << " should be null, is " << *actual;
        return;
    }
    ASSERT_TRUE(actual) << what << " is null, expected " << expected;
    expectClose(*actual, expected, tol, what);
}

void expectLimits(const std::optional<Limits>& actual, const json& expected, double tol, const std::string& what)
{
    if (expected.is_null()) {
        EXPECT_FALSE(actual) << what;
        return;
    }
    ASSERT_TRUE(actual) << what << " missing";
    expectOptional(actual->low, expected[0], tol, what + " low");
    expectOptional(actual->high, expected[1], tol, what + " high");
}

struct CaseRun {
    CurveStatistics stats;
    bool describedFitEnded = false;
};

// The statistics of one case as the program makes them: the described fit first, its V, n,
// K as the start (automatic starts when it ends with a message, or when `automatic`).
CaseRun statisticsOf(const Points& p, double baseline, bool automatic)
{
    CaseRun run;
    StatisticsInput input;
    input.concentration = p.S;
    for (double v : p.v) input.rate.push_back(v - baseline);
    OneCurve fit = fitAll(p.S, p.v, baseline);
    run.describedFitEnded = !fit.outcome.ok();
    if (!automatic && fit.outcome.ok())
        input.start = HillEstimates{fit.outcome->V, fit.outcome->n, fit.outcome->K};
    run.stats = computeCurveStatistics(input);
    return run;
}

void compareWithReference(const CurveStatistics& st, const json& ref, const std::string& name)
{
    ASSERT_EQ(st.determined, ref["determined"].get<bool>()) << name << ": " << st.reason;
    if (!st.determined) {
        EXPECT_FALSE(st.reason.empty());
        EXPECT_TRUE(st.residuals.empty());
        EXPECT_TRUE(st.verdict.empty());
        return;
    }
    EXPECT_TRUE(st.reason.empty());
    EXPECT_EQ(st.points, ref["points"].get<int>());
    EXPECT_EQ(st.degreesOfFreedom, ref["degreesOfFreedom"].get<int>());
    const ParameterStatistics* params[4] = {&st.V, &st.n, &st.K, &st.VK};
    const char* names[4] = {"V", "n", "K", "VK"};
    for (int i = 0; i < 4; ++i) {
        const std::string what = name + " " + names[i];
        expectClose(params[i]->estimate, ref["estimates"][names[i]], 1e-5, what);
        const json& se = ref["standardErrors"];
        expectOptional(params[i]->standardError, se.is_null() ? json() : se[names[i]], 1e-4, what + " SE");
        const json& ci = ref["ci95"];
        expectLimits(params[i]->ci95, ci.is_null() ? json() : ci[names[i]], 1e-4, what + " ci95");
        if (i < 3) {
            const json& pr = ref["profileCi95"];
            expectLimits(params[i]->profileCi95, pr.is_null() ? json() : pr[names[i]], 1e-3, what + " profile");
        } else {
            EXPECT_FALSE(params[i]->profileCi95) << what;
        }
    }
    expectClose(st.ssr, ref["ssr"], 1e-6, name + " ssr", 1e-20);
    expectOptional(st.syx, ref["syx"], 1e-6, name + " syx");
    expectOptional(st.r2, ref["r2"], 1e-8, name + " r2");
    ASSERT_TRUE(st.hyperbolic) << name;
    expectClose(st.hyperbolic->V, ref["hyperbolic"]["V"], 1e-5, name + " V1");
    expectClose(st.hyperbolic->K, ref["hyperbolic"]["K"], 1e-5, name + " K1");
    expectClose(st.hyperbolic->ssr, ref["hyperbolic"]["ssr"], 1e-6, name + " SSR1");
    if (ref["fTest"].is_null()) {
        EXPECT_FALSE(st.fTest) << name;
    } else {
        ASSERT_TRUE(st.fTest) << name;
        expectClose(st.fTest->F, ref["fTest"]["F"], 1e-4, name + " F");
        expectClose(st.fTest->p, ref["fTest"]["p"], 1e-3, name + " p");
    }
    if (ref["deltaAICc"].is_null()) {
        EXPECT_FALSE(st.deltaAICc) << name;
    } else {
        ASSERT_TRUE(st.deltaAICc) << name;
        EXPECT_NEAR(*st.deltaAICc, ref["deltaAICc"].get<double>(), 1e-4) << name << " deltaAICc";
    }
    ASSERT_EQ(st.residuals.size(), ref["residuals"].size());
    double largest = 0;
    for (const json& r : ref["residuals"]) largest = std::max(largest, std::fabs(r.get<double>()));
    for (std::size_t i = 0; i < st.residuals.size(); ++i)
        EXPECT_NEAR(st.residuals[i], ref["residuals"][i].get<double>(), 1e-5 * largest + 1e-12)
            << name << " residual " << i;
    EXPECT_FALSE(st.verdict.empty());
}

TEST(CurveStatistics, AgreesWithScipyFromTheDescribedFitAndFromAutomaticStarts)
{
    const json refs = references();
    ASSERT_GE(refs.size(), 10U);
    for (const auto& [name, ref] : refs.items()) {
        const Points p = readPoints(kStatsDir + name + ".txt");
        ASSERT_FALSE(p.S.empty()) << name;
        for (bool automatic : {false, true}) {
            SCOPED_TRACE(name + (automatic ? " (automatic starts)" : " (from the described fit)"));
            const CaseRun run = statisticsOf(p, ref["baseline"].get<double>(), automatic);
            EXPECT_EQ(run.stats.source, automatic || run.describedFitEnded ? StatisticsSource::LeastSquares
                                                                         : StatisticsSource::DescribedFit);
            compareWithReference(run.stats, ref, name);
        }
    }
}

TEST(CurveStatistics, LeastSquaresFitsWhereTheDescribedFitEnds)
{
    for (const char* name : {"described_fit_ends", "division_by_zero_ends", "no_plateau"}) {
        const CaseRun run = statisticsOf(readPoints(kStatsDir + name + ".txt"), 0.0, false);
        EXPECT_TRUE(run.describedFitEnded) << name;
        EXPECT_EQ(run.stats.source, StatisticsSource::LeastSquares) << name;
    }
}

TEST(CurveStatistics, PuromycinTreatedReadsAsExpected)
{
    const CaseRun run = statisticsOf(readPoints(kStatsDir + "puromycin_treated.txt"), 0.0, false);
    const CurveStatistics& st = run.stats;
    ASSERT_TRUE(st.determined);
    // n = 1 is not rejected at 5 %, and K's profile limits span about a factor of six
    ASSERT_TRUE(st.fTest);
    EXPECT_GT(st.fTest->p, 0.05);
    EXPECT_LT(st.fTest->p, 0.1);
    ASSERT_TRUE(st.K.profileCi95 && st.K.profileCi95->low && st.K.profileCi95->high);
    const double span = *st.K.profileCi95->high / *st.K.profileCi95->low;
    EXPECT_GT(span, 5.0);
    EXPECT_LT(span, 6.5);
    EXPECT_EQ(st.verdict, "these data do not show that n differs from 1 (F test p = 0.068; AICc favours n = 1)");
}

TEST(CurveStatistics, NotDeterminedSaysWhyInPlainWords)
{
    struct Case {
        const char* what;
        std::vector<double> S, y;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"two points", {1, 2}, {10, 20}, kReasonTooFewPoints},
        {"no points", {}, {}, kReasonTooFewPoints},
        {"every rate 0", {1, 2, 3, 4}, {0, 0, 0, 0}, kReasonNoRates},
        {"a concentration of 0", {0, 1, 2, 3}, {1, 2, 3, 4}, kReasonBadPoints},
        {"a NaN rate", {1, 2, 3, 4}, {1, std::nan(""), 3, 4}, kReasonBadPoints},
        {"an infinite concentration", {1, 2, 3, HUGE_VAL}, {1, 2, 3, 4}, kReasonBadPoints},
        {"a straight line", {1, 2, 3, 4, 5, 6}, {3, 6, 9, 12, 15, 18}, kReasonNoPlateau},
        {"a power law", {1, 2, 4, 8, 16}, {1, 1.414213562, 2, 2.828427125, 4}, kReasonNoPlateau},
        {"a flat line", {1, 2, 3, 4, 5}, {7, 7, 7, 7, 7}, kReasonNoRise},
    };
    for (const Case& c : cases) {
        const CurveStatistics st = computeCurveStatistics(StatisticsInput{c.S, c.y, std::nullopt});
        EXPECT_FALSE(st.determined) << c.what;
        EXPECT_EQ(st.reason, c.reason) << c.what;
        EXPECT_TRUE(st.residuals.empty()) << c.what;
        EXPECT_FALSE(st.syx || st.r2 || st.fTest || st.hyperbolic || st.deltaAICc) << c.what;
        EXPECT_EQ(st.points, static_cast<int>(c.S.size())) << c.what;
    }
}

// Every figure present is a finite number.
void expectAllFinite(const CurveStatistics& st, const std::string& what)
{
    auto check = [&](std::optional<double> x, const char* field) {
        if (x) {
            EXPECT_TRUE(std::isfinite(*x)) << what << " " << field << " = " << *x;
        }
    };
    for (const ParameterStatistics* p : {&st.V, &st.n, &st.K, &st.VK}) {
        check(p->estimate, "estimate");
        check(p->standardError, "SE");
        for (const auto& l : {p->ci95, p->profileCi95})
            if (l) {
                check(l->low, "low");
                check(l->high, "high");
            }
    }
    check(st.ssr, "ssr");
    check(st.syx, "syx");
    check(st.r2, "r2");
    check(st.deltaAICc, "deltaAICc");
    if (st.hyperbolic) {
        check(st.hyperbolic->V, "V1");
        check(st.hyperbolic->K, "K1");
        check(st.hyperbolic->ssr, "SSR1");
    }
    if (st.fTest) {
        check(st.fTest->F, "F");
        check(st.fTest->p, "p");
    }
    for (double r : st.residuals) check(r, "residual");
    EXPECT_EQ(st.verdict.find("nan"), std::string::npos) << what;
    EXPECT_EQ(st.verdict.find("inf"), std::string::npos) << what;
}

TEST(CurveStatistics, ExtremeNumbersNeverGiveNanOrInfinity)
{
    struct Case {
        const char* what;
        std::vector<double> S, y;
        bool determined;
    };
    std::vector<double> wide, wideRates, spread, spreadRates;
    for (int i = 0; i < 13; ++i) {
        const double s = std::pow(10.0, -30.0 + 5.0 * i);  // 1e-30 to 1e30 in one curve
        wide.push_back(s);
        wideRates.push_back(50.0 / (1.0 + std::pow(1.0 / s, 0.1)) * (1.0 + 0.01 * ((i % 3) - 1)));
        spread.push_back(1e-30 * (1 + i));
        spreadRates.push_back(1e300 / (1 + 3.0 / (1 + i)));
    }
    const std::vector<Case> cases = {
        {"1e-30 to 1e30 in one curve", wide, wideRates, true},
        {"rates near the largest double", spread, spreadRates, false},
        {"rates near the smallest double", {1, 2, 4, 8, 16, 32}, {1e-310, 2e-310, 2.9e-310, 3.6e-310, 4.1e-310, 4.2e-310}, true},
        {"one point far above the rest", {1, 2, 3, 4, 5}, {1, 1, 1, 1, 1e9}, false},
        {"three equal concentrations", {2, 2, 2}, {1, 2, 3}, false},
        // n is found very large, with a standard error to match
        {"a step", {1, 2, 3, 4, 5, 6}, {0.001, 0.001, 0.001, 10, 10, 10}, true},
        {"falling rates", {1, 2, 3, 4, 5, 6}, {10, 8, 6.5, 5.5, 5, 4.7}, true},
        {"negative rates", {1, 2, 3, 4, 5, 6}, {-10, -18, -24, -27, -29, -30}, true},
    };
    for (const Case& c : cases) {
        const CurveStatistics st = computeCurveStatistics(StatisticsInput{c.S, c.y, std::nullopt});
        expectAllFinite(st, c.what);
        EXPECT_EQ(st.determined, c.determined) << c.what << ": " << st.reason;
        EXPECT_EQ(st.determined, st.reason.empty()) << c.what;
        // a wild start from the described fit changes nothing of that
        const CurveStatistics wild = computeCurveStatistics(StatisticsInput{c.S, c.y, HillEstimates{1e300, 1e3, 1e-300}});
        expectAllFinite(wild, c.what);
    }
}

TEST(CurveStatistics, VerdictNamesTheTestAndTheInformationCriterion)
{
    struct Case {
        double p;
        std::optional<double> deltaAICc;
        char sep;
        const char* verdict;
    };
    const std::vector<Case> cases = {
        {0.0002, 12.0, '.', "n differs from 1 (F test p = 0.0002; AICc favours the Hill law)"},
        {0.0002, std::nullopt, '.', "n differs from 1 (F test p = 0.0002)"},
        {0.000003, 40.0, '.', "n differs from 1 (F test p < 0.0001; AICc favours the Hill law)"},
        {0.049, -0.3, '.', "n differs from 1 (F test p = 0.049; AICc favours n = 1)"},
        {0.4, -4.0, '.', "these data do not show that n differs from 1 (F test p = 0.4; AICc favours n = 1)"},
        {0.0684, -0.04, ',', "these data do not show that n differs from 1 (F test p = 0,068; AICc favours n = 1)"},
        {1.0, std::nullopt, '.', "these data do not show that n differs from 1 (F test p = 1)"},
    };
    for (const Case& c : cases) {
        CurveStatistics st;
        st.determined = true;
        st.points = 12;
        st.degreesOfFreedom = 9;
        st.fTest = FTestResult{1.0, c.p};
        st.deltaAICc = c.deltaAICc;
        EXPECT_EQ(statisticsVerdict(st, c.sep), c.verdict);
    }
    CurveStatistics three;
    three.determined = true;
    three.points = 3;
    three.degreesOfFreedom = 0;
    EXPECT_EQ(statisticsVerdict(three), "three points give the estimates only: no limits and no test of n = 1");
    CurveStatistics none;
    EXPECT_EQ(statisticsVerdict(none), "");
}

}  // namespace
}  // namespace kinetra::test
