// kinetra-fit on experiments: --compare against the figures of R's nls
// (tests/data/stats/experiments/references.json), the data sets it cannot compare, --band
// against R's bands, --fit-plot's file names, and --stats with replicates and weights.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "FitCommand.h"
#include "FitRun.h"
#include "support/TempDir.h"

namespace kinetra::cli {
namespace {

using json = nlohmann::json;
using testing::slurp;

const std::string kExperiments = std::string(KINETRA_TEST_DATA_DIR) + "/stats/experiments/";
const std::string kTwoPhases = std::string(KINETRA_TEST_DATA_DIR) + "/two_phases_16_points.txt";

const json& references()
{
    static const json refs = json::parse(std::ifstream(kExperiments + "references.json"));
    return refs;
}

void expectRelative(const json& actual, const json& expected, double tolerance, const std::string& what)
{
    ASSERT_TRUE(actual.is_number()) << what << " = " << actual;
    const double a = actual.get<double>(), e = expected.get<double>();
    EXPECT_LE(std::fabs(a - e), tolerance * std::fabs(e)) << what << ": " << a << " against " << e;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    for (std::size_t at = 0, next; (next = text.find("\r\n", at)) != std::string::npos; at = next + 2)
        out.push_back(text.substr(at, next - at));
    return out;
}

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> out;
    std::stringstream in(line);
    for (std::string f; std::getline(in, f, ',');) out.push_back(f);
    return out;
}

TEST(CompareCommand, PuromycinTreatedAgainstUntreatedAgreesWithR)
{
    const json& ref = references()["comparisons"]["puromycin"];
    const CommandRun r = fit({"--compare", kExperiments + "puromycin_treated.csv",
                              kExperiments + "puromycin_untreated.csv", "--json"});
    ASSERT_EQ(r.exitCode, kExitFitted) << r.err;
    const auto objects = r.lines();
    ASSERT_EQ(objects.size(), 1U);
    const json& c = objects[0]["comparison"];
    expectRelative(c["sets"][1]["standardErrors"]["K"], ref["separate"]["sets"][1]["seK"], 1e-4, "own SE K");
    expectRelative(c["separate"]["ssr"], ref["separate"]["ssr"], 1e-6, "separate SSR");
    ASSERT_EQ(c["tests"].size(), 4U);
    for (const json& t : c["tests"]) {
        const std::string shared = t["shared"];
        const json& want = ref["tests"][shared];
        expectRelative(t["F"], want["F"], 1e-4, shared + " F");
        expectRelative(t["p"], want["p"], 1e-4, shared + " p");
        expectRelative(t["ssr"], want["ssr"], 1e-6, shared + " SSR");
        EXPECT_EQ(t["degreesOfFreedom"], want["df"]) << shared;
        EXPECT_EQ(t["sharedValue"].is_null(), shared == "all");
    }
    // the figures the experiment is known by: K alike (F = 0.0047, p = 0.946), one curve refused
    EXPECT_NEAR(c["tests"][2]["F"].get<double>(), 0.0047, 5e-5);
    EXPECT_NEAR(c["tests"][2]["p"].get<double>(), 0.946, 5e-4);
    EXPECT_EQ(c["tests"][3]["verdict"], "The data sets differ (F test p = 4.2e-06)");
}

using CompareFiles = kinetra::testing::TempDirTest;

TEST_F(CompareFiles, ReportCsvAndPlotSayTheSameTests)
{
    const std::string csv = (dir / "tests.csv").string(), svg = (dir / "sets.svg").string();
    const CommandRun r = fit({"--compare", kExperiments + "puromycin_treated.csv",
                              kExperiments + "puromycin_untreated.csv", "--csv", csv, "--compare-plot", svg});
    ASSERT_EQ(r.exitCode, kExitFitted) << r.err;
    EXPECT_NE(r.out.find("K shared: K = 0.0852968"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("K does not differ between the data sets (F test p = 0.95)"), std::string::npos);
    const auto rows = lines(slurp(csv));
    ASSERT_EQ(rows.size(), 5U);  // the header and the four tests
    const auto k = fields(rows[3]);
    ASSERT_EQ(k.size(), 17U);  // eleven figures, then V, n, K of each set
    EXPECT_EQ(k[0], "K");
    EXPECT_NEAR(std::stod(k[6]), 0.0047, 5e-5);
    EXPECT_NE(slurp(svg).find("puromycin_untreated.csv"), std::string::npos);  // the legend
}

TEST_F(CompareFiles, DataSetsThatCannotBeComparedAreSaid)
{
    const std::string good = kExperiments + "puromycin_treated.csv";
    const std::string three = file("three.txt", "0.1,1\n0.2,2\n0.5,5\n");
    const std::string zero = file("zero.txt", "0.1,0\n0.2,2\n0.5,5\n1,8\n2,9\n");
    const std::string flat = std::string(KINETRA_TEST_DATA_DIR) + "/stats/no_plateau.txt";
    std::vector<std::string> many = {"--compare", "--json"};
    for (int i = 0; i < 21; ++i) many.push_back(good);
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int exit;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"one data set", {"--compare", good}, 2, "--compare needs at least two data files"},
        {"two curves", {"--compare", good, good, "--curve", "1-5", "--curve", "6-12"}, 2, "one --curve at most"},
        {"with --stats", {"--compare", good, good, "--stats"}, 2, "--compare takes none of"},
        {"plot alone", {good, "--compare-plot", "x.svg"}, 2, "--compare-plot goes with --compare"},
        {"three points", {"--compare", "--json", three, good}, 1, "three.txt' has 3 points; each needs at least 4"},
        {"no own fit", {"--compare", "--json", flat, good}, 1, "cannot be fitted alone (V and K are not determined"},
        {"zero rate weighted", {"--compare", "--json", "--weight", "poisson", zero, good, good}, 1,
         "zero.txt' is left out: point 1 has a rate of 0"},
        {"21 data sets", many, 1, "A comparison takes at most 20 data sets; 21 were given"},
        {"curve beyond a set", {"--compare", three, good, "--curve", "1-5"}, 2, "Wrong Last Point"},
    };
    for (const Case& c : cases) {
        const CommandRun r = fit(c.args);
        EXPECT_EQ(r.exitCode, c.exit) << c.name << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
        for (const char* bad : {"nan", "inf"}) EXPECT_EQ(r.out.find(bad), std::string::npos) << c.name;
        if (c.exit == 1) {
            ASSERT_EQ(r.lines().size(), 1U) << c.name;
        }
    }
    // the weighted comparison goes on without the set left out
    const json c = fit({"--compare", "--json", "--weight", "poisson", zero, good, good}).lines()[0]["comparison"];
    EXPECT_EQ(c["sets"][0]["leftOut"], true);
    EXPECT_TRUE(c["tests"][2]["F"].is_number());
}

TEST_F(CompareFiles, BandRowsAgreeWithR)
{
    const json& ref = references()["curves"]["puromycin_treated"]["bands"];
    const std::string band = (dir / "band.csv").string();
    const std::string data = kExperiments + "puromycin_treated.csv";
    const CommandRun r = fit({data, "--band", band, "--band-points", "6", "--json"});
    ASSERT_EQ(r.exitCode, kExitFitted) << r.err;
    const auto rows = lines(slurp(band));
    ASSERT_EQ(rows.size(), 7U);
    EXPECT_EQ(rows[0], "file,curve,S,fit,confidenceLow,confidenceHigh,predictionLow,predictionHigh");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const auto f = fields(rows[i]);
        ASSERT_EQ(f.size(), 8U);
        EXPECT_EQ(f[0], data);
        for (std::size_t k = 0; k < 6; ++k)
            expectRelative(json(std::stod(f[k + 2])), ref["points"][i - 1][k], 1e-5, rows[i]);
    }
    // no band for a curve of three points: said, and the other rows (the default 100) still written
    const CommandRun three = fit({std::string(KINETRA_TEST_DATA_DIR) + "/stats/three_points.txt", data, "--band", band,
                                  "--json"});
    EXPECT_EQ(three.exitCode, kExitEnded);
    EXPECT_NE(three.err.find("three_points.txt: curve 1: No band: the covariance"), std::string::npos) << three.err;
    EXPECT_EQ(lines(slurp(band)).size(), 101U);
    EXPECT_EQ(fit({data, "--band", band, "--band-points", "1"}).exitCode, kExitUsage);
}

TEST_F(CompareFiles, FitPlotOfEachDataFile)
{
    const std::string plot = (dir / "plot.svg").string();
    const CommandRun r = fit({kExperiments + "puromycin_treated.csv", kExperiments + "duplicates.csv", "--fit-plot", plot,
                              "--json"});
    ASSERT_EQ(r.exitCode, kExitFitted) << r.err;
    EXPECT_FALSE(std::filesystem::exists(plot));
    EXPECT_TRUE(std::filesystem::exists(dir / "plot-duplicates.svg"));
    EXPECT_TRUE(std::filesystem::exists(dir / "plot-puromycin_treated.svg"));
    // two curves: the curve goes into the name too
    ASSERT_EQ(fit({kTwoPhases, "--curve", "1-8", "--curve", "9-16", "--fit-plot", plot}).exitCode, kExitFitted);
    EXPECT_TRUE(std::filesystem::exists(dir / "plot-curve2.svg"));
    // two data files of one stem would write one plot over the other
    EXPECT_EQ(fit({kExperiments + "duplicates.csv", file("duplicates.csv", "1,2\n"), "--fit-plot", plot}).exitCode,
              kExitUsage);
}

TEST(StatisticsWithReplicates, LackOfFitAgreesWithR)
{
    struct Case {
        const char* reference;
        std::vector<std::string> extra;
    };
    const Case cases[] = {{"duplicates", {}}, {"triplicates_relative", {"--weight", "relative"}}};
    for (const Case& c : cases) {
        const json& ref = references()["curves"][c.reference];
        std::vector<std::string> args = {kExperiments + ref["file"].get<std::string>(), "--stats", "--json"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const CommandRun r = fit(args);
        ASSERT_EQ(r.exitCode, kExitFitted) << r.err;
        const json st = r.lines()[0]["curves"][0]["statistics"];
        EXPECT_EQ(st["weighting"], ref["weighting"]) << c.reference;
        expectRelative(st["estimates"]["n"], ref["estimates"]["n"], 1e-5, c.reference);
        const json& rep = st["replicates"];
        const json& want = ref["replicates"];
        for (const char* whole : {"concentrations", "pureErrorDf", "lackOfFitDf"})
            EXPECT_EQ(rep[whole], want[whole]) << c.reference << " " << whole;
        expectRelative(rep["pureErrorSS"], want["pureErrorSs"], 1e-6, c.reference);
        expectRelative(rep["lackOfFitSS"], want["lackOfFitSs"], 1e-4, c.reference);
        expectRelative(rep["F"], want["F"], 1e-4, c.reference);
        expectRelative(rep["p"], want["p"], 1e-3, c.reference);
    }
    // no replicate, no test
    const CommandRun plain = fit({std::string(KINETRA_TEST_DATA_DIR) + "/stats/hyperbolic.txt", "--stats", "--json"});
    EXPECT_TRUE(plain.lines()[0]["curves"][0]["statistics"]["replicates"].is_null());
}

TEST_F(CompareFiles, WeightsAndReplicatesInTheReportTheCsvAndTheMessages)
{
    const std::string report = (dir / "report.txt").string(), csv = (dir / "out.csv").string();
    const CommandRun r = fit({kExperiments + "duplicates.csv", "--stats", "--weight", "poisson", "--report", report,
                              "--csv", csv, "--json"});
    ASSERT_EQ(r.exitCode, kExitFitted) << r.err;
    const std::string text = slurp(report);
    const auto weights = text.find("Weighted least squares: Poisson weights 1/v");
    const auto test = text.find("Lack of fit: replicates at 8 concentrations");
    ASSERT_NE(weights, std::string::npos);
    ASSERT_NE(test, std::string::npos);
    EXPECT_LT(weights, test);
    EXPECT_LT(test, text.find("------", test));  // inside the section, before its closing rule
    const auto rows = lines(slurp(csv));
    ASSERT_EQ(rows.size(), 2U);
    const auto header = fields(rows[0]), row = fields(rows[1] + ",");
    EXPECT_EQ(header[header.size() - 7], "replicateConcentrations");
    EXPECT_EQ(row[header.size() - 7], "8");
    // rates that cannot be weighted: said with their point
    const std::string data = file("low.txt", "0.1,0\n0.2,2\n0.5,5\n1,8\n2,9\n4,9.5\n");
    const CommandRun low = fit({data, "--stats", "--weight", "relative", "--json"});
    EXPECT_EQ(low.exitCode, kExitEnded);
    EXPECT_NE(low.err.find("low.txt: point 1 has a rate of 0 above the baseline of curve 1: relative weights"),
              std::string::npos)
        << low.err;
    const json st = low.lines()[0]["curves"][0]["statistics"];
    EXPECT_EQ(st["determined"], false);
    EXPECT_NE(st["reason"].get<std::string>().find("relative weights need every rate"), std::string::npos);
    EXPECT_EQ(fit({data, "--weight", "relative"}).exitCode, kExitUsage);  // nothing weighted
    EXPECT_EQ(fit({data, "--stats", "--weight", "square"}).exitCode, kExitUsage);
}

}  // namespace
}  // namespace kinetra::cli
