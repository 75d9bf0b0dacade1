// The data set's road as both front ends take it: a data file read into list rows, the
// hand-off (copy, labels, sort, rewritten rows), the report's start and what happens when
// it cannot be written, the curves with their report sections.
#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

#include "entry/DataSetAnalysis.h"
#include "support/TempDir.h"

namespace kinetra {
namespace {

using testing::slurp;
using testing::TempDirTest;

const ReportClock kMoment{"27/09/2005", "14:05:09"};

class DataSetRoad : public TempDirTest {};

std::vector<ListRow> rows(const std::vector<std::pair<std::string, std::string>>& values)
{
    std::vector<ListRow> out;
    int k = 0;
    for (const auto& [c, r] : values) out.push_back({std::to_string(++k), c, r});
    return out;
}

// ---------------------------------------------------------------- reading

TEST_F(DataSetRoad, AFileIsListedAsTheListShowsIt)
{
    struct Case {
        const char* what;
        std::string text;
        char sep;
        std::vector<std::vector<std::string>> listed;  // number, concentration, rate
        std::vector<int> warnings;
    };
    const std::vector<Case> cases = {
        {"two records, CR LF", "1,2\r\n3,4\r\n", '.', {{"1", "1.000E+00", "2.000E+00"}, {"2", "3.000E+00", "4.000E+00"}}, {}},
        {"the same on one line", "1 2 3 4", '.', {{"1", "1.000E+00", "2.000E+00"}, {"2", "3.000E+00", "4.000E+00"}}, {}},
        {"four digits kept, the user's separator", "1.23456E-3 0.5\r\n", ',', {{"1", "1,235E-03", "5,000E-01"}}, {}},
        {"a zero concentration and a text", "0,5\r\nabc,5\r\n2,3\r\n", '.',
         {{"1", "0.000E+00", "5.000E+00"}, {"2", "0.000E+00", "5.000E+00"}, {"3", "2.000E+00", "3.000E+00"}}, {1, 2}},
        {"an empty file", "", '.', {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<int> warned;
        const Outcome<std::vector<ListRow>> listed =
            listDataFile(file("data.txt", c.text), c.sep, [&](int k) { warned.push_back(k); });
        ASSERT_TRUE(listed.ok()) << listed.failure().text;
        std::vector<std::vector<std::string>> shown;
        for (const ListRow& r : *listed) shown.push_back({r.number, r.concentration, r.rate});
        EXPECT_EQ(shown, c.listed);
        EXPECT_EQ(warned, c.warnings);
    }
}

TEST_F(DataSetRoad, AFileThatCannotBeReadIsARunTimeFailure)
{
    const std::vector<std::pair<std::string, int>> cases = {
        {file("empty_line_at_end.txt", "1,2\r\n3,4\r\n\r\n"), 62},
        {file("cut_off.txt", "1,2,3"), 62},
        {file("overflow.txt", "1e400,2"), 6},
        {(dir / "missing.txt").string(), 53},
        {dir.string(), 75},
    };
    for (const auto& [path, number] : cases) {
        SCOPED_TRACE(path);
        const Outcome<std::vector<ListRow>> listed = listDataFile(path, '.');
        ASSERT_FALSE(listed.ok());
        EXPECT_EQ(listed.failure().kind, FailureKind::RunTime);
        EXPECT_EQ(listed.failure().number, number);
        EXPECT_NE(failureMessage(listed.failure()).find("Erro Number: " + std::to_string(number) + "\r\n"),
                  std::string::npos);
        EXPECT_FALSE(readDataSet(path, {}).ok());
    }
}

// ---------------------------------------------------------------- hand-off

TEST_F(DataSetRoad, LabelsLoseTheirBlanksOnlyAndTheHeaderShowsThemAsTyped)
{
    ReportLabels labels;
    labels.user = " Ana ";
    labels.rateUnit = "  U/mg ";
    labels.concUnit = "\tmM";
    labels.ligand = " ATP\t ";
    std::vector<ListRow> list = rows({{"1.000E+00", "2.000E+00"}});
    const Outcome<DataSet> data = handOff(list, 1, labels, '.');
    ASSERT_TRUE(data.ok());
    EXPECT_EQ(data->rateUnit, "U/mg");
    EXPECT_EQ(data->concUnit, "\tmM") << "a tab is not a blank";
    EXPECT_EQ(data->ligandName, "ATP\t");

    ReportFile report((dir / "report.txt").string());
    ASSERT_TRUE(startReport(report, labels, kMoment, *data, '.').ok());
    const std::string text = slurp(dir / "report.txt");
    EXPECT_NE(text.find("\r\n          User:  Ana \r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n          Rate unit:   U/mg \r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n          Substrate concentration unit: \tmM\r\n"), std::string::npos);
}

// ---------------------------------------------------------------- report and curves

// A destination that fails where it is told to, as a broken printer does.
class FailingOutput : public ReportOutput {
public:
    explicit FailingOutput(bool atBegin) : atBegin_(atBegin) {}
    ReportForm form() const override { return ReportForm::Printer; }
    void begin(const std::vector<std::string>& lines) override
    {
        if (atBegin_) throw RuntimeFailure(failure::PrinterError);
        written += lines.size();
    }
    void append(const std::vector<std::string>&) override { throw RuntimeFailure(failure::DiskFull); }
    void finish(bool completed) override { finished = completed ? 1 : -1; }
    std::size_t written = 0;
    int finished = 0;

private:
    bool atBegin_;
};

// The worked case of 13 points, one curve over all of them above a baseline of 5; a report
// that cannot be begun is dropped, as the front ends drop it.
CalculationOutcome workedCase(ReportOutput* output, const std::filesystem::path& data, const ReportLabels& labels,
                              std::optional<Failure>* started = nullptr)
{
    const Outcome<DataSet> set = readDataSet(data.string(), labels);
    EXPECT_TRUE(set.ok());
    const Status start = startReport(*output, labels, kMoment, *set, '.');
    if (started && !start) *started = start.failure();
    ChosenCurves curves({{1, 13}}, 5.0, {});
    return calculate(*set, 1, curves, start ? output : nullptr, '.');
}

const std::filesystem::path kWorkedData = std::filesystem::path(KINETRA_TEST_DATA_DIR) / "worked_case_13_points.txt";

TEST_F(DataSetRoad, TheWindowsReportFileIsTheReportOfKinetraFit)
{
    ReportLabels labels;
    labels.rateUnit = "  U/mg ";
    labels.concUnit = "mM";
    ReportFile report((dir / "report.out").string());
    const CalculationOutcome out = workedCase(&report, kWorkedData, labels);
    ASSERT_FALSE(out.end) << out.end->text;
    ASSERT_EQ(out.curves.size(), 1u);

    // the golden report of kinetra-fit on the same data and labels, its folder masked
    std::string text = slurp(dir / "report.out");
    for (std::size_t at = text.find(dir.string()); at != std::string::npos; at = text.find(dir.string(), at))
        text.replace(at, dir.string().size(), "<dir>");
    EXPECT_TRUE(text == slurp(std::filesystem::path(KINETRA_TEST_DATA_DIR) / "golden" / "worked_case.report"));
}

TEST_F(DataSetRoad, AReportThatCannotBeBegunIsDroppedAndTheCurvesGoOn)
{
    struct Case {
        const char* what;
        std::function<std::unique_ptr<ReportOutput>()> output;
        int number;
    };
    const std::vector<Case> cases = {
        {"a file in a missing folder",
         [&] { return std::make_unique<ReportFile>((dir / "missing" / "report.txt").string()); }, 75},
        {"a file inside a regular file",
         [&] {
             std::ofstream(dir / "plain.txt") << "x";
             return std::make_unique<ReportFile>((dir / "plain.txt" / "report.txt").string());
         },
         75},
        {"a printer that fails", [] { return std::make_unique<FailingOutput>(true); }, failure::PrinterError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::unique_ptr<ReportOutput> output = c.output();
        std::optional<Failure> started;
        const CalculationOutcome out = workedCase(output.get(), kWorkedData, ReportLabels{}, &started);
        ASSERT_TRUE(started);
        EXPECT_EQ(started->number, c.number);
        EXPECT_FALSE(out.end) << "no curve section is tried";
        ASSERT_EQ(out.curves.size(), 1u);
        EXPECT_NEAR(out.curves[0].V, 100.0, 1.0);
        EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
    }
}

TEST_F(DataSetRoad, ACurveSectionThatCannotBeWrittenEndsTheCalculation)
{
    FailingOutput output(false);
    const CalculationOutcome out = workedCase(&output, kWorkedData, ReportLabels{});
    EXPECT_EQ(output.written, 31u) << "17 header lines, 13 data lines, the closing rule";
    ASSERT_TRUE(out.end);
    EXPECT_EQ(out.end->kind, FailureKind::RunTime);
    EXPECT_EQ(out.end->number, failure::DiskFull);
    EXPECT_TRUE(out.curves.empty()) << "results are stored only once reported";
    EXPECT_EQ(output.finished, -1) << "an ended calculation finishes its report as incomplete";
}

TEST_F(DataSetRoad, GraphFailuresComeBackAsTheirText)
{
    DataSet data;
    data.concentration = {0.0, 1.0};  // the logarithm of 0
    data.rate = {1.0, 1.0};
    const Outcome<DisplayList> g = drawGraph1(data);
    ASSERT_FALSE(g.ok());
    EXPECT_NE(failureMessage(g.failure()).find("Erro Number: 5\r\n"), std::string::npos);
}

TEST(ChosenCurvePoints, ChecksEachCurveAsThePointsWindowDoes)
{
    struct Case {
        std::vector<std::pair<std::string, std::string>> curves;
        int pointCount;
        std::optional<std::string> message;
    };
    const std::vector<Case> cases = {
        {{{"1", "12"}}, 12, std::nullopt},
        {{{"0", "5"}}, 12, "Wrong First Point"},
        {{{"12", "12"}}, 12, "Wrong Last Point"},
        {{{"3", "13"}}, 12, "Wrong Last Point"},
        {{{"1", "7"}, {"7", "12"}}, 12, "Wrong First Point"},
        {{{"1", "7"}, {"8", "12"}}, 12, std::nullopt},
        {{{"x", "7"}}, 12, "Wrong First Point"},
    };
    for (const Case& c : cases) {
        const auto points = chosenCurvePoints(c.curves, c.pointCount);
        EXPECT_EQ(points.ok() ? std::nullopt : std::optional<std::string>(points.failure().text), c.message);
        if (!c.message) {
            EXPECT_EQ(points->size(), c.curves.size());
        }
    }
}

}  // namespace
}  // namespace kinetra
