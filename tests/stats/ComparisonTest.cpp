// Comparing data sets against the figures R's nls gives (make_references.R): the separate
// fits, the four shared models and their F tests, unweighted and weighted; then the data
// sets that cannot be compared, each with its message.

#include <gtest/gtest.h>

#include "ExperimentReferences.h"
#include "stats/Comparison.h"

namespace kinetra::test {
namespace {

using nlohmann::json;

std::vector<DataSetPoints> setsOf(const json& ref)
{
    std::vector<DataSetPoints> sets;
    for (const json& s : ref["sets"]) {
        const SetPoints p = readSet(s["file"].get<std::string>());
        sets.push_back({s["name"].get<std::string>(), p.S, p.y, std::nullopt});
    }
    return sets;
}

void expectEstimates(const HillEstimates& e, const json& ref, const std::string& what)
{
    expectRelative(e.V, ref[0], 1e-5, what + " V");
    expectRelative(e.n, ref[1], 1e-5, what + " n");
    expectRelative(e.K, ref[2], 1e-5, what + " K");
}

TEST(Comparison, AgreesWithRForEveryCase)
{
    const json& cases = experimentReferences()["comparisons"];
    ASSERT_GE(cases.size(), 6U);
    for (const auto& [name, ref] : cases.items()) {
        SCOPED_TRACE(name);
        const Comparison c = compareDataSets(setsOf(ref), weightingOf(ref));
        ASSERT_TRUE(c.refusal.empty()) << c.refusal;
        EXPECT_TRUE(c.messages.empty());
        const json& separate = ref["separate"];
        ASSERT_EQ(c.sets.size(), separate["sets"].size());
        for (std::size_t j = 0; j < c.sets.size(); ++j) {
            const CurveEstimates& own = c.sets[j].own;
            const json& r = separate["sets"][j];
            ASSERT_TRUE(own.determined) << own.reason;
            expectEstimates(own.estimates, json::array({r["V"], r["n"], r["K"]}), "own");
            ASSERT_TRUE(own.standardErrors);
            expectRelative(own.standardErrors->V, r["seV"], 1e-4, "own SE V");
            expectRelative(own.standardErrors->n, r["seN"], 1e-4, "own SE n");
            expectRelative(own.standardErrors->K, r["seK"], 1e-4, "own SE K");
        }
        expectRelative(c.separateSsr, separate["ssr"], 1e-6, "separate SSR");
        EXPECT_EQ(c.separateDf, separate["df"].get<int>());
        for (const SharedTest& t : c.tests) {
            const std::string what = sharedParameterName(t.shared);
            const json& r = ref["tests"][what];
            ASSERT_TRUE(t.fit) << what << ": " << t.reason;
            expectRelative(t.fit->sharedValue, r["shared"], 1e-5, what + " shared value");
            for (std::size_t j = 0; j < c.sets.size(); ++j) {
                ASSERT_TRUE(t.fit->estimates[j]);
                expectEstimates(*t.fit->estimates[j], r["estimates"][j], what + " set " + std::to_string(j));
            }
            expectRelative(t.fit->ssr, r["ssr"], 1e-6, what + " SSR");
            EXPECT_EQ(t.fit->degreesOfFreedom, r["df"].get<int>()) << what;
            expectRelative(t.fit->F, r["F"], 1e-4, what + " F");
            expectRelative(t.fit->p, r["p"], 1e-4, what + " p");
            ASSERT_TRUE(t.fit->deltaAICc) << what;
            EXPECT_NEAR(*t.fit->deltaAICc, r["deltaAICc"].get<double>(), 1e-4) << what;
        }
    }
}

TEST(Comparison, PuromycinVerdictsInPlainWords)
{
    const Comparison c = compareDataSets(setsOf(experimentReferences()["comparisons"]["puromycin"]));
    EXPECT_EQ(c.tests[0].verdict, "V does not differ between the data sets (F test p = 0.36)");
    EXPECT_EQ(c.tests[2].verdict, "K does not differ between the data sets (F test p = 0.95)");
    EXPECT_EQ(c.tests[3].verdict, "The data sets differ (F test p = 4.2e-06)");
    EXPECT_EQ(sharedTestVerdict(SharedParameter::n, 0.0109, ','), "n differs between the data sets (F test p = 0,011)");
    EXPECT_EQ(sharedTestVerdict(SharedParameter::All, 0.3), "One curve fits all the data sets (F test p = 0.3)");
}

TEST(Comparison, TwoCopiesOfOneSetFitOneCurve)
{
    const json& ref = experimentReferences()["comparisons"]["puromycin"];
    std::vector<DataSetPoints> sets = setsOf(ref);
    sets[1] = sets[0];
    const Comparison c = compareDataSets(sets);
    for (const SharedTest& t : c.tests) {
        ASSERT_TRUE(t.fit) << t.reason;
        EXPECT_NEAR(t.fit->F, 0.0, 1e-7) << sharedParameterName(t.shared);
        EXPECT_NEAR(t.fit->ssr, *c.separateSsr, 1e-7 * *c.separateSsr);
    }
    EXPECT_EQ(c.tests[3].verdict, "One curve fits all the data sets (F test p = 1)");
}

TEST(Comparison, SetsThatCannotBeComparedAreNamed)
{
    const std::vector<double> S = {0.1, 0.3, 1, 3, 10}, good = {9, 22, 50, 75, 91}, other = {12, 27, 55, 80, 93};
    struct Case {
        const char* what;
        std::vector<DataSetPoints> sets;
        Weighting weighting;
        std::string refusal, message, reason;
    };
    const std::vector<Case> cases = {
        {"one data set", {{"a", S, good, {}}}, Weighting::None, kReasonTooFewSets, "", ""},
        {"no data set", {}, Weighting::None, kReasonTooFewSets, "", ""},
        {"21 data sets", std::vector<DataSetPoints>(21, {"a", S, good, {}}), Weighting::None,
         "A comparison takes at most 20 data sets; 21 were given", "", ""},
        {"three points", {{"a", S, good, {}}, {"x", {1, 2, 3}, {4, 5, 6}, {}}}, Weighting::None, "",
         "Data set 'x' has 3 points; each needs at least 4",
         "not computed: data set 'x' has 3 points; each needs at least 4"},
        {"no plateau", {{"", S, {0.3, 0.9, 3, 9, 30}, {}}, {"b", S, good, {}}}, Weighting::None, "",
         "Data set 1 cannot be fitted alone (" + std::string(kReasonNoPlateau) + ")",
         "not computed: data set 1 cannot be fitted alone (" + std::string(kReasonNoPlateau) + ")"},
        {"a zero rate, relative weights", {{"a", S, good, {}}, {"z", S, {0, 22, 50, 75, 91}, {}}, {"b", S, other, {}}},
         Weighting::Relative, "",
         "Data set 'z' is left out: point 1 has a rate of 0 above the baseline: relative weights need every rate "
         "above the baseline to be greater than 0",
         ""},
        {"a negative rate, Poisson weights", {{"a", S, good, {}}, {"z", S, {9, 22, -5, 75, 91}, {}}},
         Weighting::Poisson, "",
         "Data set 'z' is left out: point 3 has a rate of -5 above the baseline: Poisson weights need every rate "
         "above the baseline to be greater than 0",
         "not computed: fewer than two data sets are left to compare"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Comparison out = compareDataSets(c.sets, c.weighting);
        EXPECT_EQ(out.refusal, c.refusal);
        if (!c.refusal.empty()) {
            EXPECT_TRUE(out.sets.empty());
            continue;
        }
        ASSERT_EQ(out.messages.size(), 1U);
        EXPECT_EQ(out.messages[0], c.message);
        for (const SharedTest& t : out.tests) {
            EXPECT_EQ(t.reason, c.reason);
            EXPECT_EQ(t.fit.has_value(), c.reason.empty());
            if (t.fit) {
                EXPECT_FALSE(t.fit->estimates[1]) << "the set left out has no estimates";
            }
        }
    }
}

}  // namespace
}  // namespace kinetra::test
