// The hand-off: the copy of the list into a data set, the exchange sort, the list
// rewritten after it, and the saved point file.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "entry/DataFileReader.h"
#include "entry/DataSetAnalysis.h"
#include "entry/HandOff.h"
#include "base/RuntimeFailure.h"
#include "support/TempDir.h"
#include "support/UnwritablePlace.h"

namespace kinetra {
namespace {

namespace fs = std::filesystem;

using Points = std::vector<std::pair<double, double>>;

Points pointsOf(const DataSet& data)
{
    Points out;
    for (std::size_t k = 0; k < data.concentration.size(); ++k) out.emplace_back(data.concentration[k], data.rate[k]);
    return out;
}

TEST(OrdenaVetor, SortsByConcentrationMovingEachRateWithIt)
{
    struct Case {
        Points before, after;
    };
    const std::vector<Case> cases = {
        // not stable: the first pass exchanges (2, a) with (1, c)
        {{{2, 10}, {2, 20}, {1, 30}}, {{1, 30}, {2, 20}, {2, 10}}},
        {{{3, 30}, {1, 10}, {2, 20}}, {{1, 10}, {2, 20}, {3, 30}}},
        {{{5, 1}, {4, 2}, {3, 3}, {2, 4}, {1, 5}}, {{1, 5}, {2, 4}, {3, 3}, {4, 2}, {5, 1}}},
        {{{0.5, 1}, {0.25, 2}, {0.5, 3}, {0.125, 4}}, {{0.125, 4}, {0.25, 2}, {0.5, 3}, {0.5, 1}}},
        {{{7, 1}}, {{7, 1}}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        DataSet data;
        for (const auto& [conc, rate] : c.before) {
            data.concentration.push_back(conc);
            data.rate.push_back(rate);
        }
        OrdenaVetor(data.concentration, data.rate);
        EXPECT_EQ(pointsOf(data), c.after);
    }
}

std::vector<ListRow> rowsOf(const std::vector<std::pair<std::string, std::string>>& values)
{
    std::vector<ListRow> rows;
    int k = 0;
    for (const auto& [c, r] : values) rows.push_back({std::to_string(++k), c, r});
    return rows;
}

// The whole hand-off as the window runs it: copy, sort, rewrite.
struct HandOffRun {
    std::vector<std::string> savedLines;
    DataSet data;
    std::vector<ListRow> rows;
};

HandOffRun handOff(std::vector<ListRow> rows, int pointCount, int deletedCount, char sep = '.')
{
    HandOffRun run;
    const int wanted = pointsToHandOn(pointCount, static_cast<int>(rows.size()), deletedCount);
    run.savedLines = copyList(rows, wanted, sep).savedLines;
    Outcome<DataSet> data = kinetra::handOff(rows, wanted, ReportLabels{"", "", " U/mg ", " mM", " ATP ", ""}, sep);
    EXPECT_TRUE(data.ok());
    if (data) run.data = *data;
    run.rows = std::move(rows);
    return run;
}

TEST(HandOff, DeletedRowsArePassedOver)
{
    // row 3 of 5 deleted
    HandOffRun one = handOff(rowsOf({{"5.000E+00", "5.000E+01"},
                                     {"4.000E+00", "4.000E+01"},
                                     {"0", ""},
                                     {"2.000E+00", "2.000E+01"},
                                     {"1.000E+00", "1.000E+01"}}),
                             5, 1);
    EXPECT_EQ(pointsOf(one.data), (Points{{1, 10}, {2, 20}, {4, 40}, {5, 50}}));
    EXPECT_EQ(one.data.rateUnit, "U/mg");  // the labels trimmed
    EXPECT_EQ(one.data.concUnit, "mM");
    EXPECT_EQ(one.data.ligandName, "ATP");
    ASSERT_EQ(one.rows.size(), 5u);
    EXPECT_EQ(one.rows[0].concentration, "1.000E+00");
    EXPECT_EQ(one.rows[0].rate, "1.000E+01");
    EXPECT_EQ(one.rows[3].concentration, "5.000E+00");
    EXPECT_EQ(one.rows[2].number, "3");  // the number text is kept
    EXPECT_EQ(one.rows[4].number, "");   // emptied, not removed
    EXPECT_EQ(one.rows[4].concentration, "");
    EXPECT_EQ(one.rows[4].rate, "");
    // saved lines are in list order, before the sort
    EXPECT_EQ(one.savedLines, (std::vector<std::string>{"5,50", "4,40", "2,20", "1,10"}));

    // rows 2 and 3 deleted
    HandOffRun two = handOff(rowsOf({{"3.000E+00", "3.000E+01"},
                                     {"0.000E+00", "9.000E+00"},
                                     {"0.000E+00", "8.000E+00"},
                                     {"1.000E+00", "1.000E+01"},
                                     {"2.000E+00", "2.000E+01"}}),
                             5, 2);
    EXPECT_EQ(pointsOf(two.data), (Points{{1, 10}, {2, 20}, {3, 30}}));
    EXPECT_EQ(two.rows[3].concentration, "");
}

TEST(HandOff, RunningOutOfRowsHandsOnThePointsThatExist)
{
    struct Case {
        const char* what;
        std::vector<ListRow> rows;
        int pointCount, deletedCount;
        Points points;
    };
    const std::vector<Case> cases = {
        // a file record of concentration 0 stays a row but is not a deleted point
        {"zero concentration from the file",
         rowsOf({{"2.000E+00", "2.000E+01"}, {"0.000E+00", "5.000E+00"}, {"1.000E+00", "1.000E+01"}}),
         3, 0, {{1, 10}, {2, 20}}},
        // the list emptied by a cancelled file dialog while pointCount kept the old count
        {"list emptied", {}, 4, 0, {}},
        // pointCount never set: the rows count
        {"pointCount 0", rowsOf({{"2.000E+00", "1.000E+00"}, {"0", ""}, {"1.000E+00", "3.000E+00"}}),
         0, 1, {{1, 3}, {2, 1}}},
        // a text that is not a number reads as 0 and is passed over
        {"text in the list", rowsOf({{"abc", "1"}, {"3", "4"}}), 2, 0, {{3, 4}}},
    };
    for (const Case& c : cases) {
        HandOffRun run = handOff(c.rows, c.pointCount, c.deletedCount);
        EXPECT_EQ(pointsOf(run.data), c.points) << c.what;  // the fit and the graphs see these points
    }
}

TEST(HandOff, ListTextsAreReadWithTheSeparatorAndKeptAsTyped)
{
    // typed points keep eight digits; the rewritten list shows four
    HandOffRun run = handOff(rowsOf({{"1,2345679E+00", "4,5600000E+01"}, {"5,000E-01", "2,000E+00"}}), 2,
                             0, ',');
    EXPECT_EQ(pointsOf(run.data), (Points{{0.5, 2}, {1.2345679, 45.6}}));
    EXPECT_EQ(run.rows[1].concentration, "1,235E+00");
    EXPECT_EQ(run.rows[1].rate, "4,560E+01");
}

TEST(HandOff, MoreThan200PointsIsASubscriptFailureAndTooLargeATextAnOverflow)
{
    std::vector<ListRow> rows;
    for (int k = 1; k <= 201; ++k) rows.push_back({std::to_string(k), std::to_string(k), "1"});
    Outcome<DataSet> refused = kinetra::handOff(rows, 201, {}, '.');
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.failure().number, failure::SubscriptOutOfRange);
    rows.pop_back();
    EXPECT_EQ(kinetra::handOff(rows, 200, {}, '.')->pointCount(), 200);

    std::vector<ListRow> huge = rowsOf({{"1.798E+308", "1"}});
    Outcome<DataSet> overflow = kinetra::handOff(huge, 1, {}, '.');
    ASSERT_FALSE(overflow.ok());
    EXPECT_EQ(overflow.failure().number, failure::Overflow);
    EXPECT_EQ(huge[0].concentration, "1.798E+308");  // a refused list stays as it was
}

TEST(HandOff, ADataFileReadStraightIntoADataSetMatchesItsListHandedOn)
{
    const std::string file = std::string(KINETRA_TEST_DATA_DIR) + "/entry_five_unsorted.txt";
    Outcome<std::vector<ListRow>> rows = listDataFile(file, '.');
    ASSERT_TRUE(rows.ok());
    const int wanted = pointsToHandOn(static_cast<int>(rows->size()), static_cast<int>(rows->size()), 0);
    Outcome<DataSet> viaList = kinetra::handOff(*rows, wanted, {}, '.');
    Outcome<DataSet> straight = readDataSet(file, {});
    ASSERT_TRUE(viaList.ok() && straight.ok());
    EXPECT_EQ(straight->concentration, viaList->concentration);
    EXPECT_EQ(straight->rate, viaList->rate);
}

TEST(SavedPointLine, ReadsBackAsADataFile)
{
    EXPECT_EQ(savedPointLine(12.35, 45.6), "12.35,45.6");
    struct Case {
        double concentration, rate;
        const char* listedConcentration;
        const char* listedRate;
    };
    const std::vector<Case> cases = {
        {12.35, 45.6, "1.235E+01", "4.560E+01"},
        {1.2345679, 0.25, "1.235E+00", "2.500E-01"},
        {0.0000153, 1e20, "1.530E-05", "1.000E+20"},
        {-2, 123456789012345.0, "-2.000E+00", "1.235E+14"},
        {1e-300, 7e300, "1.000E-300", "7.000E+300"},
    };
    std::string file;
    for (const Case& c : cases) {
        const std::string line = savedPointLine(c.concentration, c.rate);
        EXPECT_EQ(line.find(' '), std::string::npos) << line;
        file += line + "\r\n";
    }
    std::istringstream in(file);
    const std::vector<ReadRecord> back = readDataFile(in);
    ASSERT_EQ(back.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(back[i].concentrationText, cases[i].listedConcentration);
        EXPECT_EQ(back[i].rateText, cases[i].listedRate);
    }
}

using testing::slurp;

class AtomicWrite : public testing::TempDirTest {
protected:
    std::size_t filesInDir() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }
};

int failureOf(const std::string& path, const std::vector<std::string>& lines)
{
    try {
        writeFileAtomically(path, lines);
    } catch (const RuntimeFailure& f) {
        return f.number();
    }
    return 0;
}

TEST_F(AtomicWrite, ReplacesTheFileWithCrLfLines)
{
    const fs::path p = dir / "points.txt";
    std::ofstream(p) << "old content that is longer than the new one\n";
    fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    writeFileAtomically(p.string(), {"1,2", "3.5,4"});
    EXPECT_EQ(slurp(p), "1,2\r\n3.5,4\r\n");
    EXPECT_EQ(fs::status(p).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(filesInDir(), 1u);

    writeFileAtomically((dir / "new.txt").string(), {});
    EXPECT_EQ(slurp(dir / "new.txt"), "");
}

TEST_F(AtomicWrite, FailuresLeaveTheTargetAndNoTemporaryFile)
{
    const fs::path sub = dir / "a_directory";
    fs::create_directories(sub);
    EXPECT_EQ(failureOf(sub.string(), {"1,2"}), failure::PathFileAccessError);
    EXPECT_TRUE(fs::is_directory(sub));
    EXPECT_EQ(failureOf((dir / "missing" / "x.txt").string(), {"1,2"}), failure::PathFileAccessError);
    EXPECT_EQ(failureOf("/dev/full/x.txt", {"1,2"}), failure::PathFileAccessError);
    if (testing::unwritablePlaceRefuses())
        EXPECT_EQ(failureOf(testing::kUnwritableDir + "/kinetra_points.txt", {"1,2"}), failure::PermissionDenied);  // even root
    else
        std::cout << "[  SKIPPED ] " << testing::kUnwritableSkipMessage << "\n";
    EXPECT_EQ(failureOf("/dev/null", {"1,2"}), failure::PathFileAccessError);  // never replaced
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(filesInDir(), 1u);
}

TEST_F(AtomicWrite, ADirectoryWithoutWriteAccessIsRefused)
{
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into any directory";
    const fs::path p = dir / "points.txt";
    std::ofstream(p) << "kept\r\n";
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(failureOf(p.string(), {"1,2"}), failure::PermissionDenied);
    EXPECT_EQ(slurp(p), "kept\r\n");
}

TEST_F(AtomicWrite, AWriteThatFailsHalfWayKeepsTheOldFile)
{
    // A file size limit makes the write fail after the temporary file exists, as a full
    // disk would, and it holds for root too. It runs in a child so the limit stays there.
    const fs::path p = dir / "points.txt";
    std::ofstream(p) << "kept\r\n";
    const std::vector<std::string> lines(200, "123.456,789.012");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(failureOf(p.string(), lines));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), failure::DiskFull);
    EXPECT_EQ(slurp(p), "kept\r\n");
    EXPECT_EQ(filesInDir(), 1u);
}

}  // namespace
}  // namespace kinetra
