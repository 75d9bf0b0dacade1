// kinetra-fit --table: the spreadsheet and plate-reader tables of tests/data/tables give
// their data sets, each fitted as a data file of the same points is, named by file and data
// set in the JSON and the messages, and compared with --compare.
#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "DataSetSources.h"
#include "FitRun.h"
#include "support/TempDir.h"

namespace kinetra::cli {
namespace {

using json = nlohmann::json;

const std::string kTables = std::string(KINETRA_TEST_DATA_DIR) + "/tables/";
const std::string kDataFile = std::string(KINETRA_TEST_DATA_DIR) + "/stats/experiments/puromycin_treated.csv";

using TableFiles = kinetra::testing::TempDirTest;

TEST_F(TableFiles, ATableGivesTheNumbersOfADataFileOfItsPoints)
{
    const std::string points = "0.56012345,196.2345\n0.0213,61.87\n1.104,203.5\n0.1112,127.3\n0.05609876,98.04\n0.2249,158.1\n";
    std::string table = "S;v\n";
    for (char c : points) table += c == ',' ? ';' : c;
    const CommandRun a = fit({file("points.txt", points), "--json", "--stats"});
    const CommandRun b = fit({"--table", file("points.csv", table), "--json", "--stats"});
    ASSERT_EQ(a.exitCode, kExitFitted) << a.err;
    ASSERT_EQ(b.exitCode, kExitFitted) << b.err;
    json x = a.lines()[0], y = b.lines()[0];
    EXPECT_EQ(y["dataSet"], "");
    EXPECT_EQ(y["settings"]["columns"], nullptr);
    for (json* o : {&x, &y})
        for (const char* key : {"file", "dataSet", "settings"}) o->erase(key);
    EXPECT_EQ(x, y);
}

TEST(TableCommand, EachTableGivesItsDataSets)
{
    struct Case {
        const char* table;
        std::vector<std::pair<std::string, int>> sets;  // name, points
        std::size_t warnings;                           // on standard error and in the first line
    };
    const std::vector<std::pair<std::string, int>> plate = {{"WT", 20}, {"Mut", 21}, {"Inh", 20}};
    const Case cases[] = {
        {"de_s_v_semicolons.csv", {{"", 8}}, 0},
        {"en_plate_wide.csv", plate, 2},
        {"de_plate_wide.csv", plate, 2},
        {"en_long_condition.csv", {{"WT, 25 °C", 4}, {"Hemmer 5 µM", 4}}, 0},
        {"de_long_condition_latin1.csv", {{"WT, 25 °C", 4}, {"Hemmer 5 µM", 4}}, 0},
    };
    for (const Case& c : cases) {
        const CommandRun r = fit({"--table", kTables + c.table, "--json"});
        EXPECT_EQ(r.exitCode, kExitFitted) << c.table << ": " << r.err;
        const auto lines = r.lines();
        ASSERT_EQ(lines.size(), c.sets.size()) << c.table;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i]["file"], kTables + c.table);
            EXPECT_EQ(lines[i]["dataSet"], c.sets[i].first) << c.table;
            EXPECT_EQ(lines[i]["pointCount"], c.sets[i].second) << c.table << " " << c.sets[i].first;
            EXPECT_EQ(lines[i]["curves"].size(), 1U) << c.table << " " << c.sets[i].first;
        }
        EXPECT_EQ(lines[0]["readWarnings"].size(), c.warnings) << c.table;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), static_cast<long>(c.warnings)) << r.err;
    }
    // the German plate gives the numbers of the English one
    EXPECT_EQ(fit({"--table", kTables + "de_plate_wide.csv", "--json"}).lines()[2]["curves"],
              fit({"--table", kTables + "en_plate_wide.csv", "--json"}).lines()[2]["curves"]);
}

TEST(TableCommand, ColumnsMessagesAndComparison)
{
    const std::string plate = kTables + "en_plate_wide.csv", longTable = kTables + "en_long_condition.csv";
    // chosen columns: no names column, so one data set of all eight rows
    const CommandRun one = fit({"--table", longTable, "--columns", "S,v", "--json"});
    ASSERT_EQ(one.lines().size(), 1U);
    EXPECT_EQ(one.lines()[0]["pointCount"], 8);
    EXPECT_EQ(one.lines()[0]["settings"]["columns"], "S,v");
    // messages name the table's data set
    const CommandRun ended = fit({"--table", longTable, "--curve", "2-5"});
    EXPECT_EQ(ended.exitCode, kExitUsage);
    EXPECT_NE(ended.err.find(longTable + "#Hemmer 5 µM: Crítica de Dados: Wrong Last Point"), std::string::npos)
        << ended.err;
    // a table's data sets compared, with a data file beside them
    const auto c = fit({"--compare", "--table", plate, kDataFile, "--json"}).lines();
    ASSERT_EQ(c.size(), 1U);
    const json& comparison = c[0]["comparison"];
    ASSERT_EQ(comparison["sets"].size(), 4U);
    EXPECT_FALSE(comparison["sets"][0].contains("dataSet"));
    EXPECT_EQ(comparison["sets"][3]["dataSet"], "Inh");
    EXPECT_EQ(comparison["sets"][1]["readWarnings"].size(), 2U);  // the table's, with its first data set
    EXPECT_EQ(c[0]["settings"]["tables"], json::array({plate}));
    EXPECT_EQ(c[0]["program"], (json{{"name", "kinetra-fit"}, {"version", "2.2.0"}}));
    // what cannot be read or run: exit status 2 and the reason
    const std::pair<std::vector<std::string>, const char*> bad[] = {
        {{"--table", kTables + "hostile_header_only.csv"}, "only a header row"},
        {{"--table", plate, "--columns", "S"}, "--columns: "},
        {{kDataFile, "--columns", "S,v"}, "--columns goes with --table"},
        {{"--table", plate, "--report", "r.txt"}, "or a --table of one data set"},
        {{"--json"}, "give a DATAFILE or a --table"},
    };
    for (const auto& [args, message] : bad) {
        const CommandRun r = fit(args);
        EXPECT_EQ(r.exitCode, kExitUsage) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace kinetra::cli
