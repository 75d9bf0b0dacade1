// kinetra-fit: results as JSON and as the report, exit statuses, the points window's
// checks as usage errors, graphs as SVG. Most cases run the command in-process; a few run
// the real executable.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "FitCommand.h"
#include "FitRun.h"
#include "entry/DataFileReader.h"
#include "graphs/GraphGeometry.h"
#include "kinetics/SigmoidFit.h"
#include "report/ReportLines.h"
#include "support/TempDir.h"
#include "support/UnwritablePlace.h"

namespace kinetra::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string data(const std::string& name) { return std::string(KINETRA_TEST_DATA_DIR) + "/" + name; }

using testing::slurp;

void expectRelative(double actual, double expected, double tolerance, const std::string& what)
{
    EXPECT_LE(std::fabs(actual - expected), tolerance * std::fabs(expected))
        << what << ": " << actual << " against " << expected;
}

const ReportClock kClock = kPinnedClock;

using FitCommandFiles = kinetra::testing::TempDirTest;

TEST(FitCommand, WorkedCaseAsJson)
{
    // V = 100, n = 1, K = 0.5 above a baseline of 5; the list keeps four digits of each
    // value, which moves the results by about 2e-5.
    const CommandRun r = fit({data("worked_case_13_points.txt"), "--baseline", "5", "--rate-unit", "U/mg",
                       "--conc-unit", "mM", "--json"});
    EXPECT_EQ(r.exitCode, kExitFitted) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<json> objects = r.lines();
    ASSERT_EQ(objects.size(), 1u);
    const json& o = objects[0];
    EXPECT_EQ(o["pointCount"], 13);
    EXPECT_EQ(o["concScale"].get<double>(), 0.025 / 0.0001);
    EXPECT_EQ(o["readWarnings"], json::array());
    EXPECT_TRUE(o["end"].is_null());
    ASSERT_EQ(o["curves"].size(), 1u);
    const json& c = o["curves"][0];
    EXPECT_EQ(c["curve"], 1);
    EXPECT_EQ(c["firstPoint"], 1);
    EXPECT_EQ(c["lastPoint"], 13);
    EXPECT_EQ(c["baseline"].get<double>(), 5.0);
    expectRelative(c["V"], 100.0, 1e-4, "V");
    expectRelative(c["n"], 1.0, 1e-4, "n");
    expectRelative(c["K"], 0.5, 1e-4, "K");
    expectRelative(c["VK"], 200.0, 1e-4, "VK");
    expectRelative(c["r"], 1.0, 1e-6, "r");
    expectRelative(c["totalActivity"], 105.0, 1e-4, "totalActivity");
    EXPECT_EQ(c["totalActivity"].get<double>(), c["V"].get<double>() + 5.0);
    EXPECT_EQ(c["searchPasses"], 19);
    EXPECT_EQ(c["warnings"], json::array());
    const std::string vk = c["VKText"];
    EXPECT_EQ(vk.substr(0, 5), "200.0");
    EXPECT_EQ(vk.substr(vk.size() - 14), " (U/mg) / (mM)");
    const json display = {{"title", "CALCULATED KINETIC PARAMETERS OF CURVE # 1   Points: 1-13"},
                          {"V", "1.000E+02  U/mg"},
                          {"n", "1.000E+00"},
                          {"K", "5.000E-01 mM"},
                          {"V/K", "2.000E+02"},
                          {"Correlation", "1.000E+00"},
                          {"Total Activity", "1.050E+02  U/mg"},
                          {"Baseline used for this curve", "5.000E+00  U/mg"}};
    EXPECT_EQ(c["display"], display);
    // the keys come in the documented order
    const nlohmann::ordered_json ordered = nlohmann::ordered_json::parse(r.out);
    std::vector<std::string> keys;
    for (auto it = ordered.begin(); it != ordered.end(); ++it) keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"file", "pointCount", "concScale", "readWarnings", "curves", "end",
                                              "settings", "program"}));
}

TEST(FitCommand, JsonLinesOneObjectPerFileInOrder)
{
    const CommandRun r = fit({data("hill_n2_10_points.txt"), data("no_such_file.txt"), data("worked_case_13_points.txt"),
                       "--json"});
    EXPECT_EQ(r.exitCode, kExitUsage);  // the highest: the file that cannot be read
    const std::vector<json> objects = r.lines();
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0]["pointCount"], 10);
    // V = 50, n = 2, K = 2 without a baseline
    expectRelative(objects[0]["curves"][0]["n"], 2.0, 1e-3, "n");
    expectRelative(objects[0]["curves"][0]["K"], 2.0, 1e-3, "K");
    EXPECT_EQ(objects[1]["curves"], json::array());
    EXPECT_EQ(objects[1]["end"]["title"], kTitleWrongData);
    EXPECT_EQ(objects[1]["end"]["returnTo"], "menu");
    EXPECT_NE(objects[1]["end"]["message"].get<std::string>().find("Erro Number: 53"), std::string::npos);
    EXPECT_EQ(objects[2]["pointCount"], 13);
    EXPECT_NE(r.err.find("File not found"), std::string::npos);
}

TEST(FitCommand, ExitStatuses)
{
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int exitCode;
        const char* onStandardError;  // a text the message holds; "" when nothing is said
    };
    const std::vector<Case> cases = {
        {"fitted", {data("worked_case_13_points.txt"), "--json"}, kExitFitted, ""},
        {"the second curve cannot be fitted",
         {data("worked_case_13_points.txt"), "--curve", "1-7", "--curve", "8-13", "--json"},
         kExitEnded,
         kSigmoidMessage},
        {"a numbered error of the fit", {data("zero_rates.txt"), "--json"}, kExitEnded, "Error n.11: Division by zero"},
        {"missing file", {data("no_such_file.txt")}, kExitUsage, "Erro Number: 53"},
        {"a directory", {std::string(KINETRA_TEST_DATA_DIR)}, kExitUsage, "Erro Number: 75"},
        {"a cut-off record", {data("empty_line_at_end.txt")}, kExitUsage, "Erro Number: 62"},
        {"unknown option", {"--bogus", data("worked_case_13_points.txt")}, kExitUsage, "--bogus"},
        {"no data file", {"--json"}, kExitUsage, "DATAFILE"},
        {"highest of several", {data("worked_case_13_points.txt"), data("zero_rates.txt"), "--json"}, kExitEnded,
         "Division by zero"},
        {"a report that cannot be written",
         {data("worked_case_13_points.txt"), "--report", testing::kUnwritableDir + "/kinetra_report.txt"},
         kExitEnded,
         "Erro Number: 70"},
    };
    const bool refusing = testing::unwritablePlaceRefuses();
    for (const Case& c : cases) {
        if (std::string(c.what) == "a report that cannot be written" && !refusing) {
            std::cout << "[  SKIPPED ] " << c.what << ": " << testing::kUnwritableSkipMessage << "\n";
            continue;
        }
        const CommandRun r = fit(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.what << "\n" << r.err;
        if (*c.onStandardError == '\0') EXPECT_EQ(r.err, "") << c.what;
        else EXPECT_NE(r.err.find(c.onStandardError), std::string::npos) << c.what << "\n" << r.err;
        EXPECT_EQ(r.err.find('\r'), std::string::npos) << c.what;  // plain line ends on a terminal
    }
}

TEST(FitCommand, PointsAreCheckedAsThePointsWindowDoes)
{
    struct Case {
        std::vector<std::string> options;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{"--curve", "0-5"}, "Wrong First Point"},
        {{"--curve", "14-15"}, "Wrong First Point"},
        {{"--curve", "-5"}, "Wrong First Point"},
        {{"--curve", "x-5"}, "Wrong First Point"},
        {{"--curve", "13-13"}, "Wrong Last Point"},  // a first point equal to the count
        {{"--curve", "3"}, "Wrong Last Point"},
        {{"--curve", "3-3"}, "Wrong Last Point"},
        {{"--curve", "1-14"}, "Wrong Last Point"},
        {{"--curve", "1-7", "--curve", "7-13"}, "Wrong First Point"},  // curve 2 starts after curve 1
        {{"--curve", "1-7", "--curve", "8-8"}, "Wrong Last Point"},
        {{"--baseline", "-0.5"}, "Base Line wrong"},
        {{"--baseline", ""}, "Base Line wrong"},
        {{"--graph2", "g.svg", "--graph2-range", "0-10"}, "Wrong Low Substrate Concentration"},
        {{"--graph2", "g.svg", "--graph2-range", "5-5"}, "Wrong Highest Substrate Concentration"},
        {{"--graph2", "g.svg", "--graph2-range", "5-1"}, "Wrong Highest Substrate Concentration"},
        {{"--graph2", "g.svg", "--graph2-range", "5"}, "Wrong Highest Substrate Concentration"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.options;
        args.push_back(data("worked_case_13_points.txt"));
        const CommandRun r = fit(args);
        EXPECT_EQ(r.exitCode, kExitUsage) << c.message;
        EXPECT_NE(r.err.find(std::string(kTitleCritica) + ": " + c.message), std::string::npos)
            << c.options[1] << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.options[1];  // nothing is reported
    }
    // the choices that pass: whole numbers made of halves go to the even neighbour
    const CommandRun ok = fit({"--curve", "2.5-12.5", "--baseline", "0", data("worked_case_13_points.txt"), "--json"});
    ASSERT_EQ(ok.exitCode, kExitFitted) << ok.err;
    const json curve = ok.lines()[0]["curves"][0];
    EXPECT_EQ(curve["firstPoint"], 2);
    EXPECT_EQ(curve["lastPoint"], 12);
}

TEST(FitCommand, OptionsThatTakeOneDataFile)
{
    for (const char* option : {"--report", "--graph1", "--graph2"}) {
        const CommandRun r = fit({option, "out.x", data("worked_case_13_points.txt"), data("hill_n2_10_points.txt")});
        EXPECT_EQ(r.exitCode, kExitUsage) << option;
        EXPECT_NE(r.err.find("exactly one DATAFILE"), std::string::npos) << option;
    }
    const CommandRun three = fit({"--curve", "1-3", "--curve", "4-6", "--curve", "7-9", data("worked_case_13_points.txt")});
    EXPECT_EQ(three.exitCode, kExitUsage);
}

TEST(FitCommand, ReadWarningsAreKeptAndTheRecordPassedOver)
{
    // point 7 has a rate of 0; it still becomes a point, as the list keeps it
    const CommandRun r = fit({data("zero_rate_record.txt"), "--json", "--baseline", "5"});
    const json o = r.lines().at(0);
    EXPECT_EQ(o["readWarnings"], json::parse(R"([{"point": 7, "message": "Concentration and rate must be greater than zero"}])"));
    EXPECT_EQ(o["pointCount"], 13);
    EXPECT_EQ(r.err, "");  // in JSON, warnings are data

    const CommandRun report = fit({data("zero_rate_record.txt"), "--baseline", "5"});
    EXPECT_NE(report.err.find("point 7: Crítica de Dados: Concentration and rate must be greater than zero"),
              std::string::npos)
        << report.err;

    // a concentration of 0 is a point the hand-off passes over
    const CommandRun zero = fit({data("zero_concentration.txt"), "--json"});
    EXPECT_EQ(zero.lines().at(0)["pointCount"], 0);
    EXPECT_EQ(zero.exitCode, kExitUsage);
}

TEST(FitCommand, VersionAndHelp)
{
    const CommandRun v = fit({"--version"});
    EXPECT_EQ(v.exitCode, 0);
    EXPECT_NE(v.out.find("kinetra-fit 2.2.0"), std::string::npos) << v.out;
    const CommandRun h = fit({"--help"});
    EXPECT_EQ(h.exitCode, 0);
    for (const char* option : {"DATAFILE", "--curve", "--baseline", "--rate-unit", "--conc-unit", "--ligand", "--user",
                               "--experiment", "--report", "--json", "--graph1", "--graph2", "--graph2-range",
                               "--consider-baseline", "--version"})
        EXPECT_NE(h.out.find(option), std::string::npos) << option;
}

// The report as the report lines give it, for the curves the JSON describes.
std::vector<std::string> expectedReport(const std::string& file, const std::string& reportName, const json& curves)
{
    ReportHeader h;
    h.date = kClock.date;
    h.time = kClock.time;
    h.user = "Ana";
    h.experiment = " hexokinase ";
    h.rateUnit = " U/mg";
    h.concUnit = "mM ";
    h.ligand = "glucose";
    h.fileName = reportName;
    std::vector<std::string> lines = reportHeaderLines(h, ReportForm::File);
    std::vector<ListedPoint> listed;
    for (const ReadRecord& r : readDataFile(file)) listed.push_back({r.concentrationText, r.rateText});
    for (const std::string& l : reportDataLines(listed, ReportForm::File)) lines.push_back(l);
    for (const json& c : curves) {
        CurveFit r;
        r.curve = c["curve"];
        r.V = c["V"];
        r.n = c["n"];
        r.K = c["K"];
        r.VK = c["VK"];
        r.r = c["r"];
        r.totalActivity = c["totalActivity"];
        r.points.baseline = c["baseline"];
        for (const std::string& l : reportCurveLines(r, "U/mg", "mM", ReportForm::File)) lines.push_back(l);
    }
    return lines;
}

const std::vector<std::string> kLabels = {"--user",      "Ana",  "--experiment", " hexokinase ", "--rate-unit",
                                          " U/mg",       "--conc-unit", "mM ",   "--ligand", "glucose"};

TEST_F(FitCommandFiles, ReportFileHoldsTheReportLines)
{
    const std::string file = data("worked_case_13_points.txt");
    const fs::path report = dir / "report.txt";
    std::ofstream(report) << "an older report\r\n";  // replaced
    std::vector<std::string> args = {file, "--report", report.string(), "--baseline", "5", "--json"};
    args.insert(args.end(), kLabels.begin(), kLabels.end());
    const CommandRun r = fit(args);
    ASSERT_EQ(r.exitCode, kExitFitted) << r.err;
    std::string expected;
    for (const std::string& l : expectedReport(file, report.string(), r.lines().at(0)["curves"])) expected += l + "\r\n";
    EXPECT_EQ(slurp(report), expected);

    // without --json and --report the same lines go to standard output, no file named
    std::vector<std::string> plain = {file, "--baseline", "5"};
    plain.insert(plain.end(), kLabels.begin(), kLabels.end());
    const CommandRun s = fit(plain);
    ASSERT_EQ(s.exitCode, kExitFitted) << s.err;
    std::string printed;
    for (const std::string& l : expectedReport(file, "", r.lines().at(0)["curves"])) printed += l + "\n";
    EXPECT_EQ(s.out, printed);
}

TEST_F(FitCommandFiles, TwoCurvesAppendTwoSections)
{
    // two phases: 50 S/(0.1 + S) and, above its plateau, 40 S/(100 + S)
    const std::string file = data("two_phases_16_points.txt");
    const fs::path report = dir / "two.txt";
    std::vector<std::string> args = {file, "--report", report.string(), "--curve", "1-8", "--curve", "9-16",
                                     "--baseline", "5", "--json"};
    args.insert(args.end(), kLabels.begin(), kLabels.end());
    const CommandRun r = fit(args);
    ASSERT_EQ(r.exitCode, kExitFitted) << r.err;
    const json curves = r.lines().at(0)["curves"];
    ASSERT_EQ(curves.size(), 2u);
    EXPECT_EQ(curves[1]["baseline"].get<double>(), curves[0]["totalActivity"].get<double>());
    EXPECT_EQ(curves[1]["firstPoint"], 9);
    std::string expected;
    for (const std::string& l : expectedReport(file, report.string(), curves)) expected += l + "\r\n";
    EXPECT_EQ(slurp(report), expected);
}

TEST_F(FitCommandFiles, AReportKeepsWhatWasWrittenWhenACurveEnds)
{
    const fs::path report = dir / "ended.txt";
    const CommandRun r = fit({data("two_phases_16_points.txt"), "--report", report.string(), "--curve", "1-8",
                              "--curve", "9-11", "--baseline", "5", "--json"});
    // three points at the foot of the second phase: an inner fit finds no positive K'
    ASSERT_EQ(r.exitCode, kExitEnded);
    const json o = r.lines().at(0);
    ASSERT_EQ(o["curves"].size(), 1u);
    EXPECT_EQ(o["end"]["message"], kSigmoidMessage);
    EXPECT_EQ(o["end"]["returnTo"], "dataEntry");
    const std::string text = slurp(report);
    EXPECT_NE(text.find("CALCULATED KINETIC PARAMETERS OF CURVE # 1 \r\n"), std::string::npos);
    EXPECT_EQ(text.find("CURVE # 2"), std::string::npos);
}

bool xmllintAvailable() { return std::system("command -v xmllint > /dev/null 2>&1") == 0; }

void expectWellFormedSvg(const fs::path& p)
{
    const std::string text = slurp(p);
    ASSERT_FALSE(text.empty()) << p;
    EXPECT_NE(text.find("<svg"), std::string::npos) << p;
    EXPECT_NE(text.find("</svg>"), std::string::npos) << p;
    if (xmllintAvailable()) {
        const std::string command = "xmllint --noout '" + p.string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << p;
    }
}

TEST_F(FitCommandFiles, GraphsAreWrittenAsSvg)
{
    const fs::path g1 = dir / "g1.svg", g2 = dir / "g2.svg", g3 = dir / "g3.svg";
    const CommandRun r = fit({data("worked_case_13_points.txt"), "--baseline", "5", "--json", "--graph1", g1.string(),
                       "--graph2", g2.string()});
    ASSERT_EQ(r.exitCode, kExitFitted) << r.err;
    expectWellFormedSvg(g1);
    expectWellFormedSvg(g2);
    const CommandRun ranged = fit({data("worked_case_13_points.txt"), "--baseline", "5", "--json", "--graph2", g3.string(),
                            "--graph2-range", "0.01-100", "--consider-baseline"});
    ASSERT_EQ(ranged.exitCode, kExitFitted) << ranged.err;
    expectWellFormedSvg(g3);
    EXPECT_NE(slurp(g2), slurp(g3));  // another range, another picture
}

TEST_F(FitCommandFiles, AGraphThatCannotBeDrawnIsReportedAndTheRestWritten)
{
    // all rates 0: graph 1 has no height; the window's message comes first, then the failure
    const fs::path g1 = dir / "g1.svg", report = dir / "r.txt";
    const CommandRun r = fit({data("zero_rates.txt"), "--graph1", g1.string(), "--report", report.string()});
    EXPECT_EQ(r.exitCode, kExitEnded);
    const std::size_t zeroSpan = r.err.find(kZeroSpanMessage);
    const std::size_t failureText = r.err.find(std::string(kTitleCritica) + ": Error\n\nErro Number: ");
    ASSERT_NE(zeroSpan, std::string::npos) << r.err;
    ASSERT_NE(failureText, std::string::npos) << r.err;
    EXPECT_LT(zeroSpan, failureText);
    EXPECT_FALSE(fs::exists(g1));
    EXPECT_NE(slurp(report).find("K I N E T R A"), std::string::npos);

    // a graph file that cannot be written
    const CommandRun w = fit({data("worked_case_13_points.txt"), "--json", "--graph1", "/dev/full/g1.svg"});
    EXPECT_EQ(w.exitCode, kExitEnded);
    EXPECT_EQ(w.lines().at(0)["curves"].size(), 1u);  // the fit still ran
}

TEST(FitCommandParse, NeverThrowsOnOddArguments)
{
    const std::vector<std::vector<std::string>> cases = {
        {}, {""}, {"--curve"}, {"--curve", "", ""}, {"--baseline", "1E999", "a"}, {"--graph2-range", "--graph2"},
        {"-", "--", "--json"}, {"--curve=1-2", "--curve=3-4", "a"}, {"\xff\xfe", "--user", "\xff"},
    };
    for (const auto& args : cases) {
        const ParseOutcome p = parse(args);
        EXPECT_EQ(p.options.has_value(), p.exitCode == 0 && p.out.empty());
        if (!p.options) {
            EXPECT_TRUE(p.exitCode == kExitUsage || !p.out.empty());
        }
    }
    const ParseOutcome two = parse({"--curve=1-2", "--curve", "3-4", "a.txt"});
    ASSERT_TRUE(two.options);
    ASSERT_EQ(two.options->curves.size(), 2u);
    EXPECT_EQ(two.options->curves[1].first, "3");
    EXPECT_EQ(two.options->curves[1].last, "4");
    EXPECT_EQ(two.options->dataFiles, std::vector<std::string>{"a.txt"});

    // the option table is kept between parses: nothing of one may reach the next
    const ParseOutcome full = parse({"a", "b", "--json", "--stats", "--weight", "relative", "--curve", "1-3",
                                     "--baseline", "2", "--band", "b.csv", "--band-points", "7", "-j", "3"});
    ASSERT_TRUE(full.options) << full.err;
    const ParseOutcome plain = parse({"c"});
    ASSERT_TRUE(plain.options);
    EXPECT_EQ(plain.options->dataFiles, std::vector<std::string>{"c"});
    const FitOptions defaults;
    EXPECT_EQ(plain.options->json, defaults.json);
    EXPECT_EQ(plain.options->stats, defaults.stats);
    EXPECT_EQ(plain.options->weighting, defaults.weighting);
    EXPECT_TRUE(plain.options->curves.empty());
    EXPECT_EQ(plain.options->baseline, defaults.baseline);
    EXPECT_EQ(plain.options->bandFile, defaults.bandFile);
    EXPECT_EQ(plain.options->bandPoints, defaults.bandPoints);
    EXPECT_EQ(plain.options->jobs, defaults.jobs);
    // and an option's count starts again: --band-points alone is refused as before
    EXPECT_EQ(parse({"c", "--band-points", "5"}).exitCode, kExitUsage);
}

// The real executable, for the roads through main().
struct ExeRun {
    int exitCode = -1;
    std::string out, err;
};

ExeRun runExe(const std::string& arguments, const fs::path& dir)
{
    const fs::path out = dir / "stdout.txt", err = dir / "stderr.txt";
    const std::string command = std::string("'") + KINETRA_FIT_EXE + "' " + arguments + " > '" + out.string() +
                                "' 2> '" + err.string() + "'";
    const int status = std::system(command.c_str());
    ExeRun r;
    if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

TEST_F(FitCommandFiles, TheExecutable)
{
    const std::string worked = "'" + data("worked_case_13_points.txt") + "'";
    const ExeRun j = runExe(worked + " --baseline 5 --json", dir);
    EXPECT_EQ(j.exitCode, 0) << j.err;
    const json o = json::parse(j.out);
    expectRelative(o["curves"][0]["V"], 100.0, 1e-4, "V");

    const ExeRun missing = runExe("'" + data("no_such_file.txt") + "'", dir);
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("Wrong Data"), std::string::npos);

    const ExeRun wrong = runExe(worked + " --curve 0-3", dir);
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_NE(wrong.err.find("Wrong First Point"), std::string::npos);

    const ExeRun ended = runExe("'" + data("zero_rates.txt") + "'", dir);
    EXPECT_EQ(ended.exitCode, 1);

    const ExeRun version = runExe("--version", dir);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "kinetra-fit 2.2.0\n");

    const fs::path svg = dir / "g.svg";
    const ExeRun graph = runExe(worked + " --graph2 '" + svg.string() + "' --baseline 5", dir);
    EXPECT_EQ(graph.exitCode, 0) << graph.err;
    expectWellFormedSvg(svg);
    EXPECT_NE(graph.out.find("CALCULATED KINETIC PARAMETERS OF CURVE # 1"), std::string::npos);
}

}  // namespace
}  // namespace kinetra::cli
