// What kinetra-fit writes for the example data and the test data, byte for byte: the report
// file, the JSON, both graphs as SVG and the messages. The date and hour are pinned and the
// temporary folder's name is masked. KINETRA_UPDATE_GOLDEN=1 writes the golden files anew
// (then look at the differences before committing them).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FitCommand.h"
#include "FitRun.h"
#include "support/TempDir.h"

namespace kinetra::cli {
namespace {

namespace fs = std::filesystem;
using kinetra::testing::slurp;

struct GoldenCase {
    const char* name;
    const char* dataFile;  // relative to the source folder
    std::vector<std::string> options;
    bool graph2 = false;  // graph 2 is about 1 MB: kept for the examples only
};

const std::vector<GoldenCase>& goldenCases()
{
    static const std::vector<GoldenCase> cases = {
        {"michaelis_menten", "examples/michaelis_menten.txt",
         {"--rate-unit", "U/mg", "--conc-unit", "mM", "--ligand", "ATP", "--user", "Ana", "--experiment", "E1"}, true},
        {"sigmoidal", "examples/sigmoidal.txt", {"--baseline", "3", "--rate-unit", "U/mg", "--conc-unit", "mM"}, true},
        {"two_curves", "examples/two_curves.txt",
         {"--curve", "1-10", "--curve", "11-20", "--baseline", "2", "--rate-unit", "U/mg", "--conc-unit", "mM",
          "--consider-baseline"}, true},
        {"two_curves_new_range", "examples/two_curves.txt",
         {"--curve", "1-10", "--curve", "11-20", "--baseline", "2", "--graph2-range", "0.001-1000"}, true},
        {"worked_case", "tests/data/worked_case_13_points.txt",
         {"--baseline", "5", "--rate-unit", "  U/mg ", "--conc-unit", "mM"}},
        {"hill_n2", "tests/data/hill_n2_10_points.txt", {"--curve", "2-9"}},
        {"two_phases", "tests/data/two_phases_16_points.txt", {"--curve", "1-8", "--curve", "9-16"}},
        {"five_unsorted", "tests/data/entry_five_unsorted.txt", {}},
        {"zero_concentration", "tests/data/zero_concentration.txt", {}},
        {"warnings_in_order", "tests/data/warnings_in_order.txt", {}},
        {"zero_rates", "tests/data/zero_rates.txt", {}},
        {"record_cut_off", "tests/data/record_cut_off.txt", {}},
    };
    return cases;
}

std::string masked(std::string text, const std::string& folder)
{
    for (std::size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at))
        text.replace(at, folder.size(), "<dir>");
    return text;
}

class GoldenOutput : public kinetra::testing::TempDirTest,
                     public ::testing::WithParamInterface<GoldenCase> {};

TEST_P(GoldenOutput, IsUnchanged)
{
    const GoldenCase& c = GetParam();
    const std::string folder = dir.string();
    std::vector<std::string> args = {std::string(KINETRA_SOURCE_DIR) + "/" + c.dataFile};
    args.insert(args.end(), c.options.begin(), c.options.end());
    for (const char* option : {"--report", "--graph1", "--graph2"}) {
        if (std::string(option) == "--graph2" && !c.graph2) continue;
        args.insert(args.end(), {option, (dir / (std::string(option + 2) + ".out")).string()});
    }
    args.push_back("--json");

    const CommandRun run = fit(args);
    const std::string source = KINETRA_SOURCE_DIR;
    const std::vector<std::pair<std::string, std::string>> outputs = {
        {"exit", std::to_string(run.exitCode) + "\n"},
        {"json", masked(run.out, source)},
        {"err", masked(masked(run.err, folder), source)},
        {"report", masked(slurp(dir / "report.out"), folder)},
        {"graph1.svg", slurp(dir / "graph1.out")},
        {"graph2.svg", slurp(dir / "graph2.out")},
    };
    const fs::path golden = fs::path(KINETRA_TEST_DATA_DIR) / "golden";
    const bool update = std::getenv("KINETRA_UPDATE_GOLDEN") != nullptr;
    for (const auto& [kind, text] : outputs) {
        const fs::path file = golden / (std::string(c.name) + "." + kind);
        if (update) {
            if (text.empty()) {
                fs::remove(file);
            } else {
                std::ofstream(file, std::ios::binary) << text;
            }
            continue;
        }
        const std::string expected = fs::exists(file) ? slurp(file) : std::string();
        EXPECT_TRUE(text == expected) << c.name << "." << kind << " differs from " << file;
    }
}

INSTANTIATE_TEST_SUITE_P(ExamplesAndTestData, GoldenOutput, ::testing::ValuesIn(goldenCases()),
                         [](const ::testing::TestParamInfo<GoldenCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace kinetra::cli
