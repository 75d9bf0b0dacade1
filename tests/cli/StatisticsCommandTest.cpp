// kinetra-fit --stats, --csv and --residuals: the JSON statistics against the scipy
// reference figures of tests/data/stats, the least-squares statistics in "end" when the
// fit ends on a curve, the report section, the CSV table and the residual plot.
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

using json = nlohmann::ordered_json;
using testing::slurp;

const std::string kStats = std::string(KINETRA_TEST_DATA_DIR) + "/stats/";


std::string number(double x)
{
    std::ostringstream s;
    s.precision(17);
    s << x;
    return s.str();
}

void expectNear(const json& actual, const json& expected, double tol, const std::string& what)
{
    if (expected.is_null()) {
        EXPECT_TRUE(actual.is_null()) << what << " = " << actual;
        return;
    }
    ASSERT_TRUE(actual.is_number()) << what << " = " << actual << ", expected " << expected;
    const double a = actual.get<double>(), e = expected.get<double>();
    EXPECT_LE(std::fabs(a - e), tol * std::fabs(e) + 1e-20) << what << " = " << a << ", expected " << e;
}

// The agreement kinetra-fit must reach: estimates to 1e-5, SE and t limits to 1e-4, profile
// limits to 1e-3, p to 1e-3, all relative.
void compare(const json& st, const json& ref, const std::string& name)
{
    ASSERT_EQ(st["determined"], ref["determined"]) << name << ": " << st["reason"];
    const std::vector<std::string> keys = {"source", "determined", "reason", "points", "degreesOfFreedom",
                                           "estimates", "standardErrors", "ci95", "profileCi95", "ssr", "syx",
                                           "r2", "hyperbolic", "fTest", "deltaAICc", "residuals", "verdict",
                                           "replicates", "weighting"};
    std::vector<std::string> have;
    for (const auto& [k, v] : st.items()) have.push_back(k);
    if (!st.contains("curve")) {
        EXPECT_EQ(have, keys) << name;
    }
    if (!ref["determined"].get<bool>()) {
        EXPECT_TRUE(st["reason"].is_string()) << name;
        EXPECT_TRUE(st["estimates"].is_null() && st["residuals"].is_null()) << name;
        return;
    }
    for (const char* p : {"V", "n", "K", "VK"}) {
        const std::string what = name + " " + p;
        expectNear(st["estimates"][p], ref["estimates"][p], 1e-5, what);
        if (ref["standardErrors"].is_null()) {
            EXPECT_TRUE(st["standardErrors"][p].is_null()) << what;
            EXPECT_TRUE(st["ci95"][p].is_null()) << what;
            continue;
        }
        expectNear(st["standardErrors"][p], ref["standardErrors"][p], 1e-4, what + " SE");
        for (int i : {0, 1}) expectNear(st["ci95"][p][i], ref["ci95"][p][i], 1e-4, what + " ci95");
        if (std::string(p) == "VK") continue;
        for (int i : {0, 1}) expectNear(st["profileCi95"][p][i], ref["profileCi95"][p][i], 1e-3, what + " profile");
    }
    if (ref["fTest"].is_null()) {
        EXPECT_TRUE(st["fTest"].is_null()) << name;
    } else {
        expectNear(st["fTest"]["p"], ref["fTest"]["p"], 1e-3, name + " p");
        expectNear(st["fTest"]["F"], ref["fTest"]["F"], 1e-4, name + " F");
    }
    EXPECT_EQ(st["residuals"].size(), ref["residuals"].size()) << name;
    EXPECT_TRUE(st["verdict"].is_string()) << name;
}

TEST(StatisticsCommand, JsonAgreesWithTheReferenceFigures)
{
    std::ifstream in(kStats + "references.json");
    const json refs = json::parse(in);
    for (const auto& [name, ref] : refs.items()) {
        const CommandRun r = fit({kStats + name + ".txt", "--baseline", number(ref["baseline"].get<double>()), "--json", "--stats"});
        const json out = json::parse(r.out);
        if (!out["end"].is_null()) {
            // the fit ended on the curve: least squares speaks in "end"
            EXPECT_EQ(r.exitCode, 1) << name;
            ASSERT_TRUE(out["end"].contains("statistics")) << name;
            const json& st = out["end"]["statistics"];
            EXPECT_EQ(st["source"], "leastSquares") << name;
            EXPECT_EQ(st["curve"], 1);
            EXPECT_EQ(st["firstPoint"], 1);
            EXPECT_EQ(st["lastPoint"], out["pointCount"]);
            compare(st, ref, name);
        } else {
            ASSERT_EQ(out["curves"].size(), 1U) << name;
            const json& st = out["curves"][0]["statistics"];
            EXPECT_EQ(st["source"], "describedFit") << name;
            compare(st, ref, name);
        }
    }
}

TEST(StatisticsCommand, WithoutStatsNothingIsAdded)
{
    const CommandRun plain = fit({kStats + "puromycin_treated.txt", "--json"});
    const CommandRun stats = fit({kStats + "puromycin_treated.txt", "--json", "--stats"});
    json a = json::parse(plain.out), b = json::parse(stats.out);
    EXPECT_FALSE(a["curves"][0].contains("statistics"));
    b["curves"][0].erase("statistics");
    EXPECT_EQ(a, b);
    const CommandRun ended = fit({kStats + "no_plateau.txt", "--json"});
    EXPECT_FALSE(json::parse(ended.out)["end"].contains("statistics"));
}

TEST(StatisticsCommand, NoFiniteOptimumIsSaidInEnd)
{
    const CommandRun r = fit({kStats + "no_plateau.txt", "--json", "--stats"});
    const json st = json::parse(r.out)["end"]["statistics"];
    EXPECT_EQ(st["determined"], false);
    EXPECT_EQ(st["reason"], "V and K are not determined: the points do not approach a plateau");
    EXPECT_TRUE(st["estimates"].is_null());
}

using StatisticsFiles = kinetra::testing::TempDirTest;

TEST_F(StatisticsFiles, ReportSectionFollowsEachCurveOnlyWithStats)
{
    const std::string report = (dir / "report.txt").string();
    ASSERT_EQ(fit({kStats + "puromycin_treated.txt", "--report", report, "--stats"}).exitCode, 0);
    const std::string a = slurp(report);
    ASSERT_EQ(fit({kStats + "puromycin_treated.txt", "--report", report}).exitCode, 0);
    const std::string b = slurp(report);
    const auto results = a.find("CALCULATED KINETIC PARAMETERS OF CURVE # 1");
    const auto section = a.find("STATISTICS OF CURVE # 1");
    ASSERT_NE(results, std::string::npos);
    ASSERT_NE(section, std::string::npos);
    EXPECT_LT(results, section);
    EXPECT_EQ(b.find("STATISTICS"), std::string::npos);
    // the report without the section is the report of a run without --stats
    const auto sectionStart = a.rfind("\r\n", a.rfind("\r\n", section) - 1) + 2;
    const auto sectionEnd = a.find("\r\n \r\n \r\n \r\n \r\n", section) + 14;
    EXPECT_EQ(a.substr(0, sectionStart) + a.substr(sectionEnd), b);
    EXPECT_NE(a.find("these data do not show that n differs from 1 (F test p = 0.068; AICc favours n = 1)"),
              std::string::npos);
    EXPECT_NE(a.find("Profile limits = 206.43841424"), std::string::npos);
}

TEST_F(StatisticsFiles, CsvHasOneRowPerCurveAndQuotesAsRfc4180)
{
    const std::filesystem::path odd = dir / "rates, \"run 1\".txt";
    std::filesystem::copy_file(kStats + "puromycin_treated.txt", odd);
    const std::string csv = (dir / "out.csv").string();
    const CommandRun r = fit({odd.string(), kStats + "hyperbolic.txt", kStats + "no_plateau.txt", "--csv", csv, "--json", "--stats"});
    EXPECT_EQ(r.exitCode, 1);  // no_plateau ends with the sigmoid message
    const std::string text = slurp(csv);
    std::vector<std::string> lines;
    for (std::size_t at = 0, next; (next = text.find("\r\n", at)) != std::string::npos; at = next + 2)
        lines.push_back(text.substr(at, next - at));
    ASSERT_EQ(lines.size(), 3U) << text;  // header, two fitted curves
    EXPECT_EQ(lines[0].rfind("file,curve,firstPoint,lastPoint,baseline,V,n,K,VK,r,totalActivity,V_SE,", 0), 0U);
    EXPECT_NE(lines[0].find(",Syx,R2,F,p,deltaAICc,determined"), std::string::npos);
    const std::string quoted = "\"" + (dir / "rates, \"\"run 1\"\".txt").string() + "\",1,1,12,0,237.94750";
    EXPECT_EQ(lines[1].rfind(quoted, 0), 0U) << lines[1];
    EXPECT_NE(lines[1].find(",true,6,697.5"), std::string::npos) << lines[1];  // determined, then the replicates
    // without --stats only the eleven columns
    fit({kStats + "hyperbolic.txt", "--csv", csv, "--json"});
    EXPECT_EQ(slurp(csv).substr(0, slurp(csv).find("\r\n")), "file,curve,firstPoint,lastPoint,baseline,V,n,K,VK,r,totalActivity");
}

TEST_F(StatisticsFiles, CsvIsWrittenWholeOrNotAtAll)
{
    const std::string csv = (dir / "missing" / "out.csv").string();
    const CommandRun r = fit({kStats + "hyperbolic.txt", "--csv", csv, "--json"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(csv), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(csv));
    // an older table stays as it was when the new one cannot be written
    const std::string older = (dir / "older.csv").string();
    { std::ofstream(older) << "old"; }
    std::filesystem::permissions(dir, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (::access(dir.c_str(), W_OK) == 0) GTEST_SKIP() << "the folder stays writable (running as root)";
    EXPECT_EQ(fit({kStats + "hyperbolic.txt", "--csv", older, "--json"}).exitCode, 1);
    EXPECT_EQ(slurp(older), "old");
}

TEST_F(StatisticsFiles, ResidualPlotHasOneMarkerPerPoint)
{
    const std::string svg = (dir / "res.svg").string();
    const CommandRun r = fit({kStats + "puromycin_treated.txt", "--residuals", svg, "--json"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string text = slurp(svg);
    std::size_t circles = 0;
    for (std::size_t at = 0; (at = text.find("<circle", at)) != std::string::npos; ++at) ++circles;
    EXPECT_EQ(circles, 12U);
    for (const char* bad : {"\"nan", "\"-nan", "\"inf", "\"-inf", ">nan", ">inf", ">-inf"})
        EXPECT_EQ(text.find(bad), std::string::npos) << bad;
    EXPECT_EQ(fit({kStats + "puromycin_treated.txt", kStats + "hyperbolic.txt", "--residuals", svg}).exitCode, 2);
}

}  // namespace
}  // namespace kinetra::cli
