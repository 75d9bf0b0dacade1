// One curve against the figures R's nls gives (make_references.R): weighted least squares
// and everything computed from it, the lack-of-fit test of replicates and the 95 % bands;
// then the curves none of these apply to, and the bad requests.

#include <gtest/gtest.h>

#include <algorithm>

#include "ExperimentReferences.h"
#include "stats/Bands.h"
#include "stats/CurveStatistics.h"

namespace kinetra::test {
namespace {

using nlohmann::json;

CurveStatistics statisticsOf(const json& ref)
{
    const SetPoints p = readSet(ref["file"].get<std::string>());
    return computeCurveStatistics(StatisticsInput{p.S, p.y, std::nullopt, weightingOf(ref)});
}

// Relative to the larger limit: a low limit near 0 is the difference of two close numbers.
void expectLimits(const std::optional<Limits>& actual, const json& expected, double tol, const std::string& what)
{
    ASSERT_TRUE(actual) << what;
    double scale = 0.0;
    for (const json& e : expected)
        if (e.is_number()) scale = std::max(scale, std::fabs(e.get<double>()));
    const std::optional<double> got[2] = {actual->low, actual->high};
    for (std::size_t i = 0; i < 2; ++i) {
        ASSERT_EQ(got[i].has_value(), expected[i].is_number()) << what << " limit " << i;
        if (got[i]) {
            EXPECT_NEAR(*got[i], expected[i].get<double>(), tol * scale) << what << " limit " << i;
        }
    }
}

TEST(WeightedCurve, AgreesWithRForEveryCase)
{
    const json& cases = experimentReferences()["curves"];
    ASSERT_GE(cases.size(), 6U);
    for (const auto& [name, ref] : cases.items()) {
        SCOPED_TRACE(name);
        const CurveStatistics st = statisticsOf(ref);
        ASSERT_TRUE(st.determined) << st.reason;
        EXPECT_EQ(st.weighting, weightingOf(ref));
        const ParameterStatistics* params[4] = {&st.V, &st.n, &st.K, &st.VK};
        const char* names[4] = {"V", "n", "K", "VK"};
        for (int i = 0; i < 4; ++i) {
            expectRelative(params[i]->estimate, ref["estimates"][names[i]], 1e-5, names[i]);
            expectRelative(params[i]->standardError, ref["standardErrors"][names[i]], 1e-4, "SE");
            expectLimits(params[i]->ci95, ref["ci95"][names[i]], 1e-4, "ci95");
            if (i < 3) expectLimits(params[i]->profileCi95, ref["profileCi95"][names[i]], 1e-3, "profile");
        }
        expectRelative(st.ssr, ref["ssr"], 1e-6, "SSR");
        expectRelative(st.syx, ref["syx"], 1e-6, "Syx");
        expectRelative(st.r2, ref["r2"], 1e-8, "R2");
        ASSERT_TRUE(st.hyperbolic && st.fTest && st.deltaAICc);
        expectRelative(st.hyperbolic->V, ref["hyperbolic"]["V"], 1e-5, "V at n = 1");
        expectRelative(st.hyperbolic->ssr, ref["hyperbolic"]["ssr"], 1e-6, "SSR at n = 1");
        expectRelative(st.fTest->F, ref["fTest"]["F"], 1e-4, "F");
        expectRelative(st.fTest->p, ref["fTest"]["p"], 1e-4, "p");
        EXPECT_NEAR(*st.deltaAICc, ref["deltaAICc"].get<double>(), 1e-4);

        const json& rep = ref["replicates"];
        EXPECT_EQ(st.replicates.has_value(), !rep.is_null());
        if (st.replicates && !rep.is_null()) {
            EXPECT_EQ(st.replicates->concentrations, rep["concentrations"].get<int>());
            EXPECT_EQ(st.replicates->pureErrorDf, rep["pureErrorDf"].get<int>());
            EXPECT_EQ(st.replicates->lackOfFitDf, rep["lackOfFitDf"].get<int>());
            expectRelative(st.replicates->pureErrorSs, rep["pureErrorSs"], 1e-6, "pure error SS");
            expectRelative(st.replicates->lackOfFitSs, rep["lackOfFitSs"], 1e-5, "lack-of-fit SS");
            expectRelative(st.replicates->F, rep["F"], 1e-4, "lack-of-fit F");
            expectRelative(st.replicates->p, rep["p"], 1e-4, "lack-of-fit p");
        }

        const json& bands = ref["bands"];
        const CurveBands b = curveBands(st, bands["low"].get<double>(), bands["high"].get<double>(), bands["count"].get<int>());
        ASSERT_EQ(b.points.size(), bands["points"].size()) << b.reason;
        for (std::size_t i = 0; i < b.points.size(); ++i) {
            const BandPoint& p = b.points[i];
            const json& r = bands["points"][i];
            const double got[6] = {p.concentration, p.fit, p.confidenceLow, p.confidenceHigh, p.predictionLow, p.predictionHigh};
            for (std::size_t k = 0; k < 6; ++k) expectRelative(got[k], r[k], 1e-4, "band " + std::to_string(i) + "," + std::to_string(k));
        }
    }
}

TEST(WeightedCurve, ReplicatesVerdicts)
{
    const json& cases = experimentReferences()["curves"];
    EXPECT_EQ(statisticsOf(cases["puromycin_treated"]).replicates.value_or(ReplicatesTest{}).verdict,
              "the Hill law fits as well as the replicates allow (p = 0.81)");
    ReplicatesTest strays;
    strays.p = 0.00304;
    EXPECT_EQ(replicatesVerdict(strays, ','), "the points stray from the Hill law more than the replicates do (p = 0,003)");
}

TEST(WeightedCurve, NoLackOfFitTestWithoutUsableReplicates)
{
    struct Case {
        const char* what;
        std::vector<double> S, y;
    };
    const std::vector<Case> cases = {
        {"no concentration repeated", {0.1, 0.3, 1, 3, 10, 30}, {9, 22, 50, 75, 91, 96}},
        {"three concentrations", {0.3, 0.3, 1, 1, 3, 3}, {20, 24, 48, 52, 74, 77}},
        {"replicates that agree exactly", {0.1, 0.1, 0.3, 1, 3, 10}, {9, 9, 22, 50, 75, 91}},
    };
    for (const Case& c : cases) {
        const CurveStatistics st = computeCurveStatistics(StatisticsInput{c.S, c.y, std::nullopt});
        ASSERT_TRUE(st.determined) << c.what << ": " << st.reason;
        EXPECT_FALSE(st.replicates) << c.what;
    }
}

TEST(WeightedCurve, RatesThatCannotBeWeightedAreNamed)
{
    struct Case {
        Weighting weighting;
        std::vector<double> y;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {Weighting::Relative, {9, 22, 0, 75, 91},
         "Point 3 has a rate of 0 above the baseline: relative weights need every rate above the baseline to be "
         "greater than 0"},
        {Weighting::Poisson, {-0.5, 22, 50, 75, 91},
         "Point 1 has a rate of -0.5 above the baseline: Poisson weights need every rate above the baseline to be "
         "greater than 0"},
    };
    for (const Case& c : cases) {
        const CurveStatistics st = computeCurveStatistics(StatisticsInput{{0.1, 0.3, 1, 3, 10}, c.y, std::nullopt, c.weighting});
        EXPECT_FALSE(st.determined);
        EXPECT_EQ(st.reason, c.reason);
        EXPECT_EQ(st.weighting, c.weighting);
    }
    // the same points unweighted are a curve
    EXPECT_TRUE(computeCurveStatistics(StatisticsInput{{0.1, 0.3, 1, 3, 10}, cases[1].y, std::nullopt}).determined);
}

TEST(WeightedCurve, BandsRefuseWhatTheyCannotDraw)
{
    const CurveStatistics st = statisticsOf(experimentReferences()["curves"]["puromycin_treated"]);
    const CurveStatistics flat = computeCurveStatistics(StatisticsInput{{1, 2, 3, 4}, {7, 7, 7, 7}, std::nullopt});
    struct Case {
        const CurveStatistics* stats;
        double low, high;
        int count;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {&st, 0.02, 1.1, 1, "A band is drawn at 2 to 10000 concentrations; 1 were asked for"},
        {&st, 0.02, 1.1, 10001, "A band is drawn at 2 to 10000 concentrations; 10001 were asked for"},
        {&st, 0.0, 1.1, 100, "A band needs a lowest concentration above 0 and a highest one above it"},
        {&st, 1.1, 0.02, 100, "A band needs a lowest concentration above 0 and a highest one above it"},
        {&flat, 1, 4, 100, "No band: " + std::string(kReasonNoRise)},
    };
    for (const Case& c : cases) {
        const CurveBands b = curveBands(*c.stats, c.low, c.high, c.count);
        EXPECT_TRUE(b.points.empty()) << c.reason;
        EXPECT_EQ(b.reason, c.reason);
    }
    const CurveBands many = curveBands(st, 0.02, 1.1, 10000);
    ASSERT_EQ(many.points.size(), 10000U) << many.reason;
    EXPECT_EQ(many.points.back().concentration, 1.1);
}

// Exact Hill data (V 5.096e-123, n 2.8, K 1.01e-300) whose t limits lie within the last bit
// of the estimates: the search for the profile limits once stood still there (found by the
// fuzzer).
TEST(WeightedCurve, ProfileLimitsWithinTheLastBitEnd)
{
    const std::vector<double> S = {2.4658203124999995e-301, 3.9453124999999991e-301, 6.3124999999999995e-301,
                                   1.01e-300, 1.6159999999999999e-300, 2.5856000000000004e-300};
    const std::vector<double> y = {9.6454538519482486e-125, 3.419714741019563e-124, 1.0777166772850657e-123,
                                   2.5479999999999999e-123, 4.018283322714934e-123, 4.7540285258980431e-123};
    const CurveStatistics st = computeCurveStatistics(StatisticsInput{S, y, std::nullopt});
    ASSERT_TRUE(st.determined) << st.reason;
    expectRelative(st.V.estimate, 5.096e-123, 1e-9, "V");
    expectRelative(st.n.estimate, 2.8, 1e-9, "n");
    expectRelative(st.K.estimate, 1.01e-300, 1e-9, "K");
}

TEST(WeightedCurve, NamesAndPValuesAsTheUserReadsThem)
{
    for (Weighting w : {Weighting::None, Weighting::Relative, Weighting::Poisson})
        EXPECT_EQ(parseWeighting(weightingName(w)), w);
    EXPECT_EQ(std::string(weightingName(Weighting::Poisson)), "poisson");
    EXPECT_FALSE(parseWeighting("Relative"));
    EXPECT_FALSE(parseWeighting(""));
    const std::vector<std::pair<double, const char*>> ps = {
        {0.946, "0.95"}, {0.0109, "0.011"}, {4.2437e-06, "4.2e-06"}, {0.00310, "0.0031"}, {0.3, "0.3"},
        {1.0, "1"}, {0.99996, "1"}, {1e-320, "< 1e-300"}};
    for (const auto& [p, text] : ps) EXPECT_EQ(significantP(p), text) << p;
    EXPECT_EQ(significantP(0.0109, ','), "0,011");
}

}  // namespace
}  // namespace kinetra::test
