// The report's lines against golden files (byte for byte, CR LF included) and the report
// file sink.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <unistd.h>

#include "kinetics/SigmoidFit.h"
#include "report/ReportLines.h"
#include "base/RuntimeFailure.h"
#include "support/TempDir.h"
#include "support/UnwritablePlace.h"

namespace kinetra {
namespace {

namespace fs = std::filesystem;

using testing::slurp;

std::string golden(const std::string& name) { return slurp(fs::path(KINETRA_TEST_DATA_DIR) / name); }

// The lines as a report file holds them.
std::string asFile(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    return out;
}

ReportHeader sampleHeader()
{
    ReportHeader h;
    h.date = "27/09/2005";
    h.time = "14:05:09";
    h.user = "Ana Souza";
    h.experiment = "";  // a field left empty: its label alone
    h.rateUnit = "U/mg";
    h.concUnit = "mM";
    h.ligand = "glucose";
    h.fileName = "/home/ana/report.txt";
    return h;
}

// Three points as the list shows them; the last rate is an empty field.
const std::vector<ListedPoint> kThreePoints = {
    {"1.235E-02", "4.560E+01"}, {"5.000E-01", "1.000E+02"}, {"2.500E+02", ""}};

// The worked case: V = 100, n = 1, K = 0.5, V/K = 200, r = 1, baseline 5.
CurveFit workedCase()
{
    CurveFit r;
    r.curve = 1;
    r.points = {1, 13, 5};
    r.V = 100;
    r.n = 1;
    r.K = 0.5;
    r.VK = 200;
    r.r = 1;
    r.totalActivity = 105;
    return r;
}

TEST(ReportLines, GoldenFiles)
{
    CurveFit second;
    second.curve = 2;
    second.V = 12.5;
    second.n = 2.25;
    second.K = 0;
    second.r = 0.987654321;
    second.points.baseline = -2.5;
    second.totalActivity = 10;

    struct Case {
        const char* golden;
        std::vector<std::string> lines;
    };
    auto headerAndData = [](ReportForm form) {
        std::vector<std::string> lines = reportHeaderLines(sampleHeader(), form);
        const std::vector<std::string> data = reportDataLines(kThreePoints, form);
        lines.insert(lines.end(), data.begin(), data.end());
        return lines;
    };
    const std::vector<Case> cases = {
        {"report_three_points_file.golden", headerAndData(ReportForm::File)},
        {"report_three_points_printer.golden", headerAndData(ReportForm::Printer)},
        {"report_curve_worked_case_file.golden", reportCurveLines(workedCase(), "U/mg", "mM", ReportForm::File)},
        {"report_curve_worked_case_printer.golden",
         reportCurveLines(workedCase(), "U/mg", "mM", ReportForm::Printer)},
        {"report_curve_negative_baseline_no_k.golden", reportCurveLines(second, "", "", ReportForm::File)},
    };
    for (const Case& c : cases) EXPECT_EQ(asFile(c.lines), golden(c.golden)) << c.golden;
}

TEST(ReportLines, ColumnsHoldForLongPointNumbersAndNegativeValues)
{
    std::vector<ListedPoint> points(123, ListedPoint{"1,000E+00", "2,000E+00"});
    points.back() = {"-1,5", "3,25"};  // read back with the separator given
    const std::vector<std::string> file = reportDataLines(points, ReportForm::File, ',');
    ASSERT_EQ(file.size(), 124u);
    EXPECT_EQ(file[122], "          123       -1,500E+00            3,250E+00");
    EXPECT_EQ(file[8].substr(20, 9), "1,000E+00");
    EXPECT_EQ(file[99].find("1,000E+00"), 20u);  // point 100: the value still at column 21

    const std::vector<std::string> printed = reportDataLines(points, ReportForm::Printer, ',');
    EXPECT_EQ(printed[122], "          123" + std::string(16, ' ') + "-1,500E+00" + std::string(13, ' ') +
                                "3,250E+00");
    EXPECT_EQ(printed.back(), std::string(9, ' ') + std::string(83, '-'));

    // no points: the closing rule alone
    EXPECT_EQ(reportDataLines({}, ReportForm::File), std::vector<std::string>{ruleLine()});
}

TEST(ReportLines, CurveNumbersUseTheSeparator)
{
    CurveFit r = workedCase();
    r.K = 0.25;
    r.VK = 400.5;
    const std::vector<std::string> lines = reportCurveLines(r, "U/mg", "mM", ReportForm::File, ',');
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[7], "          K     =  ,25 mM");
    EXPECT_EQ(lines[9], "          V /K  = 400,5 (U/mg) / (mM)");
}

TEST(ReportClock, DateAndTimeForms)
{
    const ReportClock now = currentDateTime();
    EXPECT_TRUE(std::regex_match(now.date, std::regex(R"((0[1-9]|[12][0-9]|3[01])/(0[1-9]|1[0-2])/20[0-9]{2})")))
        << now.date;
    EXPECT_TRUE(std::regex_match(now.time, std::regex(R"(([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9])"))) << now.time;
}

using ReportFile = testing::TempDirTest;

TEST_F(ReportFile, CreateReplacesAndAppendAdds)
{
    const fs::path p = dir / "report.txt";
    std::ofstream(p) << "an older report that is longer\n";
    {
        FileLineSink sink(p.string(), FileLineSink::Mode::Create);
        writeLines(sink, {"first", ""});
        sink.close();
    }
    EXPECT_EQ(slurp(p), "first\r\n\r\n");
    {
        FileLineSink sink(p.string(), FileLineSink::Mode::Append);
        sink.writeLine("second");
    }  // the destructor closes
    EXPECT_EQ(slurp(p), "first\r\n\r\nsecond\r\n");

    // appending to a file that does not exist yet creates it
    const fs::path q = dir / "fresh.txt";
    FileLineSink fresh(q.string(), FileLineSink::Mode::Append);
    fresh.writeLine("x");
    fresh.close();
    EXPECT_EQ(slurp(q), "x\r\n");
}

TEST_F(ReportFile, OpenFailures)
{
    struct Case {
        std::string path;
        FileLineSink::Mode mode;
        int number;
    };
    const std::vector<Case> cases = {
        {(dir / "missing" / "r.txt").string(), FileLineSink::Mode::Create, failure::PathFileAccessError},
        {(dir / "missing" / "r.txt").string(), FileLineSink::Mode::Append, failure::PathFileAccessError},
        {dir.string(), FileLineSink::Mode::Create, failure::PathFileAccessError},
        {dir.string(), FileLineSink::Mode::Append, failure::PathFileAccessError},
        {testing::kUnwritableDir + "/kinetra_report.txt", FileLineSink::Mode::Create, failure::PermissionDenied},
        {"/dev/full/r.txt", FileLineSink::Mode::Create, failure::PathFileAccessError},
    };
    const bool refusing = testing::unwritablePlaceRefuses();
    for (const Case& c : cases) {
        if (c.number == failure::PermissionDenied && !refusing) {
            std::cout << "[  SKIPPED ] " << c.path << ": " << testing::kUnwritableSkipMessage << "\n";
            continue;
        }
        try {
            FileLineSink sink(c.path, c.mode);
            ADD_FAILURE() << c.path << " opened";
        } catch (const RuntimeFailure& f) {
            EXPECT_EQ(f.number(), c.number) << c.path;
        }
    }
}

TEST_F(ReportFile, AFullDiskIsReportedByCloseAtTheLatest)
{
    FileLineSink sink("/dev/full", FileLineSink::Mode::Append);
    try {
        sink.writeLine("a line that fits the buffer");
        sink.close();
        FAIL() << "the lost line went unnoticed";
    } catch (const RuntimeFailure& f) {
        EXPECT_EQ(f.number(), failure::DiskFull);
    }
    // once failed, further lines fail too instead of vanishing
    EXPECT_THROW(sink.writeLine("more"), RuntimeFailure);
}

}  // namespace
}  // namespace kinetra
